#include "quizfile/spreadsheet/odsreader.h"

#include "quizfile/spreadsheet/caps.h"
#include "quizfile/spreadsheet/cellformat.h"
#include "quizfile/spreadsheet/sheetrows.h"
#include "quizfile/spreadsheet/xmlstream.h"
#include "quizfile/spreadsheet/zippackage.h"

#include <QDate>

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

const QString contentPart = u"content.xml"_s;

// A repeat count of rows or columns: 1 when absent; a count that is not one is damage.
qint64 repeatCount(XmlStream &xml, QStringView attribute) {
    const QStringView value = xml.attribute(attribute);
    if (value.isEmpty())
        return 1;
    bool ok = false;
    const qint64 count = value.toLongLong(&ok);
    if (!ok || count < 1)
        throw FileFault{u"файлът е повреден: брой повторения „"_s + value.toString() + u'“'};
    // Past a sheet's size a count only has to stay past it.
    return std::min(count, qint64(maxSheetRows) + 1);
}

void appendChecked(QString &text, QStringView more) {
    if (text.size() + more.size() > maxSheetChars) {
        throw FileFault{u"листът е твърде голям: клетка има над "_s +
                        QString::number(maxSheetChars) + u" знака"_s};
    }
    text += more;
}

// One paragraph of a cell: its text, runs of formatting joined, spaces, tabs and line breaks
// written out; notes and drawings left out.
void appendParagraph(XmlStream &xml, QString &text) {
    const int depth = xml.depth();
    for (;;) {
        const QXmlStreamReader::TokenType token = xml.next();
        if (token == QXmlStreamReader::Characters) {
            appendChecked(text, xml.text());
        } else if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (name == u"s")
                appendChecked(
                    text,
                    QString(qsizetype(std::min(repeatCount(xml, u"c"), maxSheetChars + 1)), u' '));
            else if (name == u"tab")
                appendChecked(text, u"\t");
            else if (name == u"line-break")
                appendChecked(text, u"\n");
            else if (name == u"annotation" || name == u"note" || name == u"ruby-text" ||
                     name == u"frame" || name == u"custom-shape")
                xml.skipElement();
        } else if (xml.ends(token, depth)) {
            return;
        }
    }
}

// The value of a cell that has no paragraph to show it (files not written by Calc).
QString valueWithoutParagraph(XmlStream &xml) {
    const QStringView type = xml.attribute(u"value-type");
    if (type == u"float" || type == u"percentage" || type == u"currency")
        return formatNumber(xml.attribute(u"value").toDouble(), u"General");
    if (type == u"boolean")
        return formatBoolean(xml.attribute(u"boolean-value") == u"true");
    if (type == u"date") {
        const QStringView value = xml.attribute(u"date-value");
        const QDate date = QDate::fromString(value.left(10).toString(), Qt::ISODate);
        return date.isValid() ? date.toString(u"dd.MM.yyyy"_s) : value.toString();
    }
    return xml.attribute(u"string-value").toString();
}

// The text of the cell the stream is on, as the sheet shows it; ends on the cell's end.
QString cellText(XmlStream &xml) {
    const QString withoutParagraph = valueWithoutParagraph(xml);
    const int depth = xml.depth();
    QString text;
    bool paragraphs = false;
    while (xml.nextChild(depth)) {
        if (xml.name() != u"p") {
            xml.skipElement(); // a note, a drawing, a change mark
            continue;
        }
        if (paragraphs)
            appendChecked(text, u"\n");
        paragraphs = true;
        appendParagraph(xml, text);
    }
    return paragraphs ? text : withoutParagraph;
}

// Whether the row or column the stream is on is hidden, or filtered out.
bool isHidden(XmlStream &xml) {
    const QStringView visibility = xml.attribute(u"visibility");
    return visibility == u"collapse" || visibility == u"filter";
}

// Reads one row element (repeated as it says) into rows; line is its first line. Gives the number
// of lines it takes.
qint64 readRow(XmlStream &xml, SheetRows &rows, qint64 line) {
    const qint64 repeat = repeatCount(xml, u"number-rows-repeated");
    if (isHidden(xml))
        rows.hideRows(line, line + repeat - 1);
    const int depth = xml.depth();
    std::vector<std::pair<qint64, QString>> cells; // column and text of the cells that have it
    qint64 column = 1;
    while (xml.nextChild(depth)) {
        const QStringView name = xml.name();
        if (name != u"table-cell" && name != u"covered-table-cell") {
            xml.skipElement();
            continue;
        }
        const qint64 columns = repeatCount(xml, u"number-columns-repeated");
        // A cell hidden under a merged one reads empty, as in a CSV of the sheet.
        QString text;
        if (name == u"table-cell")
            text = cellText(xml);
        else
            xml.skipElement();
        // Past the last column only the first copy is set, which refuses it.
        for (qint64 i = 0; !text.isEmpty() && i < columns && column + i <= maxSheetColumns + 1; ++i)
            cells.emplace_back(column + i, text);
        column += columns;
    }
    for (qint64 i = 0; !cells.empty() && i < repeat && !rows.full(); ++i) {
        for (const auto &[cellColumn, text] : cells)
            rows.set(line + i, cellColumn, text);
    }
    return repeat;
}

} // namespace

FirstSheet readOds(ZipPackage &package) {
    if (package.contains(u"META-INF/manifest.xml"_s) &&
        package.readAll(u"META-INF/manifest.xml"_s, qsizetype{1024} * 1024)
            .contains("encryption-data"))
        throw FileFault{u"файлът е защитен с парола: запишете го без парола"_s};
    package.open(contentPart);
    XmlStream xml(contentPart, [&package] { return package.readChunk(); });
    // The first table of the spreadsheet body: office:document-content, office:body,
    // office:spreadsheet, table:table.
    bool inSpreadsheet = false;
    for (;;) {
        const QXmlStreamReader::TokenType token = xml.next();
        if (token == QXmlStreamReader::EndDocument)
            throw FileFault{u"таблицата няма нито един лист"_s};
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"spreadsheet")
            inSpreadsheet = true;
        else if (xml.name() == u"table" && inSpreadsheet)
            break;
    }
    FirstSheet sheet{xml.attribute(u"name").toString(), {}};
    SheetRows &rows = sheet.rows;
    const int tableDepth = xml.depth();
    qint64 line = 1;
    qint64 column = 1;
    // Rows may stand in groups, header rows and row sets, nested, and so may the columns before
    // them: every one is read in order.
    for (;;) {
        const QXmlStreamReader::TokenType token = xml.next();
        if (xml.ends(token, tableDepth) || rows.full())
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"table-row") {
            line += readRow(xml, rows, line);
        } else if (name == u"table-column") {
            const qint64 repeat = repeatCount(xml, u"number-columns-repeated");
            if (isHidden(xml))
                rows.hideColumns(column, column + repeat - 1);
            column += repeat;
            xml.skipElement();
        } else if (name != u"table-row-group" && name != u"table-header-rows" &&
                   name != u"table-rows" && name != u"table-column-group" &&
                   name != u"table-header-columns" && name != u"table-columns") {
            xml.skipElement(); // shapes, named ranges and the like
        }
    }
    return sheet;
}

} // namespace quizfile
