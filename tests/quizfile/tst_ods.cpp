#include "readercases.h"
#include "spreadsheetfixture.h"

using namespace readercases;

namespace {

using Bytes = std::vector<std::pair<const char *, std::pair<QByteArray, Expected>>>;

QByteArray xmlText(const QString &text) {
    return text.toHtmlEscaped().toUtf8();
}

using spreadsheetfixture::ods;
using spreadsheetfixture::zip;

// A row of an .ods: its cells' XML.
QByteArray odsRow(const QByteArray &cells, const QByteArray &attributes = {}) {
    return "<table:table-row " + attributes + '>' + cells + "</table:table-row>";
}

QByteArray odsCell(const QByteArray &text, const QByteArray &attributes = {}) {
    return "<table:table-cell " + attributes + "><text:p>" + text + "</text:p></table:table-cell>";
}

// The cells as LibreOffice Calc saves them: a line of a cell a paragraph, an empty cell empty.
QByteArray odsOf(const std::vector<QStringList> &rows) {
    QByteArray xml;
    for (const QStringList &row : rows) {
        QByteArray cells;
        for (const QString &cell : row) {
            if (cell.isEmpty()) {
                cells += "<table:table-cell/>";
                continue;
            }
            QByteArray paragraphs;
            for (const QString &line : cell.split(u'\n'))
                paragraphs += "<text:p>" + xmlText(line) + "</text:p>";
            cells += "<table:table-cell>" + paragraphs + "</table:table-cell>";
        }
        xml += odsRow(cells);
    }
    return ods(xml);
}

// OpenDocument spreadsheets, and the ZIP archive both kinds of spreadsheet are.
Bytes odsCases() {
    const QByteArray odsHeader = odsRow(odsCell("А") + odsCell("Б") + odsCell("В"));
    const QByteArray spaces(2 * 1024 * 1024, ' ');
    return {
        {"ods: repeats, merged and covered cells, spaces, paragraphs, notes, rows to the end",
         {ods(odsRow(odsCell("А") + odsCell("Б") + odsCell("В") + odsCell("Г")) +
              odsRow({}, R"(table:number-rows-repeated="2")") +
              odsRow(odsCell(R"(x<text:s text:c="2"/>y<text:span>z</text:span>)") + odsCell("б") +
                     odsCell("в", R"(table:number-columns-spanned="2")") +
                     "<table:covered-table-cell><text:p>скрито</text:p></table:covered-table-cell>"
                     R"(<table:table-cell table:number-columns-repeated="16000"/>)") +
              odsRow(
                  odsCell("u", R"(table:number-columns-repeated="2")") + odsCell("w") +
                  "<table:table-cell><office:annotation><text:p>бележка</text:p>"
                  "</office:annotation><text:p>1</text:p><text:p>2</text:p></table:table-cell>") +
              odsRow(R"(<table:table-cell table:number-columns-repeated="1024"/>)",
                     R"(table:number-rows-repeated="1048570")")),
          opens({u"А"_s, u"Б"_s, u"В"_s}, u"Г"_s,
                {{{u"x  yz"_s, u"б"_s, u"в"_s}, {}}, {{u"u"_s, u"u"_s, u"w"_s}, u"1\n2"_s}})}},
        {"ods: rows counted through repeats",
         {ods(odsHeader + odsRow(odsCell("x") + odsCell("y") + odsCell("z")) +
              odsRow({}, R"(table:number-rows-repeated="3")") +
              odsRow(odsCell("u") + "<table:table-cell/>" + odsCell("w"))),
          refused(6, 2, u"лист „Лист1“"_s)}},
        {"ods: hidden and filtered rows, and a hidden column of notes, are left out",
         {ods(R"(<table:table-column/><table:table-column table:visibility="collapse"/>)"
              R"(<table:table-column table:number-columns-repeated="2"/>)" +
              odsRow(odsCell("Година") + odsCell("бележка") + odsCell("Събитие")) +
              odsRow(odsCell("681") + odsCell("скрито") + odsCell("Аспарух")) +
              odsRow(odsCell("1185") + odsCell("x") + odsCell("Асен"),
                     R"(table:visibility="filter")") +
              odsRow(odsCell("864") + odsCell("y") + odsCell("Покръстване")) +
              odsRow(odsCell("1396"), R"(table:visibility="collapse")")),
          opens({u"Година"_s, u"Събитие"_s, {}}, {},
                {{{u"681"_s, u"Аспарух"_s, {}}, {}}, {{u"864"_s, u"Покръстване"_s, {}}, {}}})}},
        {"ods: a place past a hidden column names the sheet's column",
         {ods(R"(<table:table-column table:number-columns-repeated="2" table:visibility="collapse"/>)" +
              odsRow(odsCell("") + odsCell("") + odsCell("А") + odsCell("Б") + odsCell("В") +
                     odsCell("Г") + odsCell("Д")) +
              odsRow(odsCell("x") + odsCell("y") + odsCell("z") + odsCell("w") + odsCell("v"))),
          refused(1, 0, u"а има 5 колони (C–G)"_s)}},
        {"ods: deep nesting",
         {ods(odsRow(odsCell(QByteArray("<text:span>").repeated(300)))), refused(0, 0, u"256"_s)}},
        {"ods: encrypted",
         {ods(odsHeader, "<manifest><encryption-data/></manifest>"), refused(0, 0, u"парола"_s)}},
        {"zip bomb: over the unpacked cap",
         {zip({{u"mimetype"_s, "application/vnd.oasis.opendocument.spreadsheet"},
               {u"content.xml"_s, QByteArray(65 * 1024 * 1024, ' '), true}}),
          refused(0, 0, u"64 MiB"_s)}},
        {"zip bomb: packed too tightly",
         {zip({{u"content.xml"_s, spaces, true}}), refused(0, 0, u"ZIP бомба"_s)}},
        {"zip: a size that lies",
         {zip({{u"content.xml"_s, "<a>" + spaces + "</a>", true, false, 100}}),
          refused(0, 0, u"не може да бъде разархивирана"_s)}},
        {"zip: a name that climbs out",
         {zip({{u"../content.xml"_s, "<a/>"}}), refused(0, 0, u"опасно име"_s)}},
        {"zip: an encrypted part",
         {zip({{u"content.xml"_s, "<a/>", false, true}}), refused(0, 0, u"парола"_s)}},
        {"zip of something else", {zip({{u"снимка.png"_s, "\x89PNG"}}), refused(0, 0, u"ZIP"_s)}},
    };
}

} // namespace

class TestOds : public QObject {
    Q_OBJECT

private slots:
    void read_data();
    void read();
};

void TestOds::read_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Expected>("expected");
    for (const auto &[name, data] : odsCases())
        QTest::newRow(name) << data.first << data.second;
    for (const Case &c : cases())
        if (!c.textOnly)
            QTest::newRow(c.name) << odsOf(cellsOf(c.text)) << c.expected;
}

// Each file is read by its content, under the name „Тест.csv“.
void TestOds::read() {
    QFETCH(QByteArray, bytes);
    QFETCH(Expected, expected);
    checkResult(quizfile::parseQuiz(bytes, u"Тест.csv"_s), expected);
}

QTEST_GUILESS_MAIN(TestOds)
#include "tst_ods.moc"
