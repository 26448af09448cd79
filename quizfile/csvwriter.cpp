#include "quizfile/csvwriter.h"

#include "quizfile/quiztable.h"
#include "quizfile/spreadsheet/cellformat.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

bool needsQuotes(const QString &value) {
    if (value.isEmpty())
        return false;
    // Blanks at either end stay part of the value only inside quotes; a value that begins like
    // markup could make the file's start look like XML.
    if (isBlankCharacter(value.front()) || isBlankCharacter(value.back()) || value.front() == u'<')
        return true;
    // A tab too, which an explanation may hold: outside quotes it would pass for a separator.
    return std::any_of(value.begin(), value.end(), [](QChar c) {
        return c == u';' || c == u',' || c == u'\t' || c == u'"' || c == u'\r' || c == u'\n';
    });
}

// Whether a spreadsheet opening the file would read the text as a formula: Excel does, quotes
// or not, for one that begins (blanks aside) with '=', '+', '-' or '@'; a plain number it reads
// as the number.
bool readsAsFormula(const QString &text) {
    const QString value = withoutSurroundingBlanks(text);
    if (value.isEmpty() || !QStringView(u"=+-@").contains(value.front()))
        return false;
    static const QRegularExpression number(u"^[+-]\\d+([.,]\\d+)?$"_s);
    return !number.match(value).hasMatch();
}

} // namespace

void appendCsvField(QString &line, const QString &value) {
    if (!needsQuotes(value)) {
        line += value;
        return;
    }
    line += u'"';
    line += QString(value).replace(u'"', u"\"\""_s);
    line += u'"';
}

QByteArray writeCsv(const Sheet &sheet) {
    size_t width = 0;
    for (const auto &row : sheet.rows)
        width = std::max(width, row.size());
    QString text;
    for (const auto &row : sheet.rows) {
        for (size_t column = 0; column < width; ++column) {
            if (column > 0)
                text += u';';
            if (column >= row.size())
                continue;
            const SheetCell &cell = row[column];
            if (cell.number && std::isfinite(*cell.number))
                appendCsvField(text, formatNumber(*cell.number, u"General"));
            else if (readsAsFormula(cell.text))
                appendCsvField(text, u'\'' + cell.text);
            else
                appendCsvField(text, cell.text);
        }
        text += u"\r\n";
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

} // namespace quizfile
