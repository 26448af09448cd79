#include "readercases.h"
#include "spreadsheetfixture.h"

using namespace readercases;

namespace {

using Bytes = std::vector<std::pair<const char *, std::pair<QByteArray, Expected>>>;

QByteArray xmlText(const QString &text) {
    return text.toHtmlEscaped().toUtf8();
}

using spreadsheetfixture::xlsx;
using spreadsheetfixture::zip;

// The cells as text written in the sheet itself, as some programs save it: a line break as the
// character it is, a carriage return escaped as Office Open XML does.
QByteArray xlsxOf(const std::vector<QStringList> &rows) {
    QByteArray xml;
    for (std::size_t line = 0; line < rows.size(); ++line) {
        QByteArray cells;
        for (qsizetype column = 0; column < rows[line].size(); ++column) {
            const QString &cell = rows[line][column];
            if (cell.isEmpty())
                continue;
            cells += "<c r=\"" + quizfile::columnLetters(int(column) + 1).toUtf8() +
                     QByteArray::number(line + 1) +
                     "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" +
                     xmlText(cell).replace("\r", "_x000D_") + "</t></is></c>";
        }
        if (!cells.isEmpty())
            xml += "<row r=\"" + QByteArray::number(line + 1) + "\">" + cells + "</row>";
    }
    return xlsx(xml);
}

// Office Open XML workbooks, and the Office files the program does not read.
Bytes xlsxCases() {
    const QByteArray header = R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="inlineStr">)"
                              R"(<is><t>Събитие</t></is></c><c r="C1" t="s"><v>1</v></c></row>)";
    const QByteArray strings = "<si><t>Година</t></si><si><t>Обяснение</t></si>"
                               "<si><r><t>Битка при </t></r><r><rPr/><t>Аустерлиц</t></r>"
                               "<rPh><t>x</t></rPh></si><si><t>скрито</t></si>";
    const QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE kvtml [<!ENTITY a \"aaaaaaaaaa\">"
                              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><kvtml>&b;</kvtml>";
    return {
        {"xlsx: shared, inline and rich text, numbers, truth values, formulas, merged cells",
         {xlsx(header +
                   R"(<row r="2"><c r="A2"><v>1805</v></c><c r="B2" t="s"><v>2</v></c>)"
                   R"(<c r="C2" t="str"><f>A2</f><v>ред_x000D_&#10;два</v></c></row>)"
                   R"(<row r="4"><c r="A4" s="1"><v>3.5</v></c><c r="B4" t="b"><v>1</v></c></row>)"
                   R"(<row r="5"><c r="A5"><v>1.25</v></c><c r="B5" t="e"><v>#N/A</v></c>)"
                   R"(<c r="C5" t="s"><v>3</v></c></row>)",
               strings, R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="2"/></cellXfs>)",
               R"(<mergeCells><mergeCell ref="C4:C5"/></mergeCells>)"),
          opens({u"Година"_s, u"Събитие"_s, {}}, u"Обяснение"_s,
                {{{u"1805"_s, u"Битка при Аустерлиц"_s, {}}, u"ред\r\nдва"_s},
                 {{u"3,50"_s, u"ИСТИНА"_s, {}}, {}},
                 {{u"1,25"_s, u"#N/A"_s, {}}, {}}})}},
        {"xlsx: a place names the sheet",
         {xlsx(header + R"(<row r="2"><c r="A2"><v>1</v></c><c r="B2" t="s"><v>0</v></c></row>)"
                        R"(<row r="7"><c r="A7"><v>2</v></c><c r="C7" t="s"><v>0</v></c></row>)",
               strings),
          refused(7, 2, u"лист „Лист1“"_s)}},
        {"xlsx: a hidden column of notes and a hidden row are left out, places named as the sheet "
         "heads them",
         {xlsx(R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="inlineStr"><is><t>бележки)"
               R"(</t></is></c><c r="C1" t="inlineStr"><is><t>Събитие</t></is></c></row>)"
               R"(<row r="2"><c r="A2"><v>681</v></c><c r="C2" t="s"><v>2</v></c></row>)"
               R"(<row r="3" hidden="1"><c r="A3"><v>1185</v></c></row>)"
               R"(<row r="4"><c r="A4"><v>864</v></c><c r="B4" t="s"><v>3</v></c></row>)",
               strings, {}, {}, {}, R"(<cols><col min="2" max="2" hidden="1"/></cols>)"),
          refused(4, 3, u"липсва стойност"_s)}},
        {"xlsx: a shared text past the cap",
         {xlsx(header + R"(<row r="2"><c r="A2" t="s"><v>1048576</v></c></row>)", strings),
          refused(0, 0, u"разрешени са до 1048576"_s)}},
        {"xlsx: entity expansion",
         {xlsx(header + "<row><c><v>&b;</v></c></row>", strings, {}, {},
               laughs.first(laughs.indexOf("<kvtml>")).replace("kvtml", "worksheet")),
          refused(0, 0, u"XML същности"_s)}},
        {"xls of Excel 97",
         {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + QByteArray(600, '\0'), refused(0, 0, u".xls"_s)}},
        {"xlsx with a password",
         {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" +
              QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32),
          refused(0, 0, u"парола"_s)}},
    };
}

} // namespace

class TestXlsx : public QObject {
    Q_OBJECT

private slots:
    void read_data();
    void read();
};

void TestXlsx::read_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Expected>("expected");
    for (const auto &[name, data] : xlsxCases())
        QTest::newRow(name) << data.first << data.second;
    for (const Case &c : cases())
        if (!c.textOnly)
            QTest::newRow(c.name) << xlsxOf(cellsOf(c.text)) << c.expected;
}

// Each file is read by its content, under the name „Тест.csv“.
void TestXlsx::read() {
    QFETCH(QByteArray, bytes);
    QFETCH(Expected, expected);
    checkResult(quizfile::parseQuiz(bytes, u"Тест.csv"_s), expected);
}

QTEST_GUILESS_MAIN(TestXlsx)
#include "tst_xlsx.moc"
