// Writes a workbook of two sheets as .ods and .xlsx into a folder, for checks that open them in
// a real spreadsheet, and prints what each sheet holds as JSON: its name as the tabs show it,
// and its rows, a text cell a string, a number a number, an empty cell null.
#include "quizfile/spreadsheet/workbookwriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

using namespace Qt::StringLiterals;
using quizfile::Sheet;
using quizfile::SheetCell;

namespace {

SheetCell text(const QString &value) {
    return {value, std::nullopt};
}

SheetCell number(double value) {
    return {{}, value};
}

// A round's pupils and its questions, with every kind of text a writer has to escape.
std::vector<Sheet> workbook() {
    return {
        {u"Ученици 7/А"_s,
         {{text(u"Дата"_s), text(u"Клас"_s), text(u"Викторина"_s), text(u"Верни"_s),
           text(u"Грешни"_s), text(u"Време"_s)},
          {text(u"08.12.2026"_s), text(u"7 „А“"_s), text(u"Битки & обсади <1>"_s), number(12),
           number(3), number(95.25)},
          {text(u"  два  интервала  "_s),
           text(u"таб\tв средата"_s),
           text(u"ред\r\nвтори ред"_s),
           number(-0.5),
           {},
           number(1234567.125)},
          {text(u"007"_s), text(u"_x0041_ и \"кавички\""_s), text(u"'апостроф"_s), number(0),
           text(u"=1+2"_s), text(u"Ωμέγα 😀"_s)},
          {},
          {{}, {}, text(u"след празен ред"_s)}}},
        {u"Въпроси"_s,
         {{text(u"Място"_s), text(u"Познали"_s), text(u"Сбъркали"_s)},
          {text(u"Плиска"_s), number(20), number(4)},
          {text(u"Много и дробно"_s), number(1e20), number(0.1 + 0.2), number(-1.5e-7)}}},
    };
}

QJsonValue json(const SheetCell &cell) {
    if (cell.number)
        return *cell.number;
    return cell.text.isEmpty() ? QJsonValue() : QJsonValue(cell.text);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fputs("usage: write_workbook FOLDER\n", stderr);
        return 1;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const std::vector<Sheet> sheets = workbook();
    const std::pair<QString, QByteArray> files[] = {
        {u"Резултати.ods"_s, quizfile::writeOds(sheets)},
        {u"Резултати.xlsx"_s, quizfile::writeXlsx(sheets)}};
    for (const auto &[name, bytes] : files) {
        QFile file(folder.filePath(name));
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size())
            return 1;
    }
    const QStringList names = quizfile::workbookSheetNames(sheets);
    QJsonArray out;
    for (size_t i = 0; i < sheets.size(); ++i) {
        QJsonArray rows;
        for (const auto &row : sheets[i].rows) {
            QJsonArray cells;
            for (const SheetCell &cell : row)
                cells.append(json(cell));
            rows.append(cells);
        }
        out.append(QJsonObject{{u"name"_s, names[qsizetype(i)]}, {u"rows"_s, rows}});
    }
    const QByteArray bytes = QJsonDocument(out).toJson();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return 0;
}
