#include "readercases.h"

#include "quizfile/csvwriter.h"
#include "quizfile/quiztable.h"
#include "quizfile/quizwriter.h"
#include "quizfile/spreadsheet/odsreader.h"
#include "quizfile/spreadsheet/workbookwriter.h"
#include "quizfile/spreadsheet/xlsxreader.h"
#include "quizfile/spreadsheet/zippackage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <limits>

using namespace readercases;
using quizfile::Sheet;
using quizfile::SheetCell;

namespace {

enum class Format { Ods, Xlsx, Csv };

QByteArray written(Format format, const std::vector<Sheet> &sheets) {
    switch (format) {
    case Format::Ods:
        return quizfile::writeOds(sheets);
    case Format::Xlsx:
        return quizfile::writeXlsx(sheets);
    case Format::Csv:
        return quizfile::writeCsv(sheets.empty() ? Sheet{} : sheets.front());
    }
    return {};
}

const char *nameOf(Format format) {
    return format == Format::Ods ? "ods" : format == Format::Xlsx ? "xlsx" : "csv";
}

SheetCell number(double value) {
    return {{}, value};
}

std::vector<std::vector<SheetCell>> textRows(const std::vector<QStringList> &rows) {
    std::vector<std::vector<SheetCell>> cells;
    for (const QStringList &row : rows) {
        cells.emplace_back();
        for (const QString &text : row)
            cells.back().push_back({text, std::nullopt});
    }
    return cells;
}

// The first sheet of a written workbook as the program's own reader finds it.
quizfile::FirstSheet firstSheet(Format format, const QByteArray &bytes) {
    quizfile::ZipPackage package(bytes);
    return format == Format::Ods ? quizfile::readOds(package) : quizfile::readXlsx(package);
}

// The first cell of an .ods as a reader that keeps to the format's rule for blanks reads it
// (Calc and the program's reader keep more): blanks (space, tab, CR, LF) in a paragraph are one
// space, and none at its start or end; <text:s/> is spaces, <text:tab/> a tab.
QString strictOdsText(const QByteArray &bytes) {
    quizfile::ZipPackage package(bytes);
    QXmlStreamReader xml(package.readAll(u"content.xml"_s, 1 << 20));
    QStringList paragraphs;
    QString paragraph;
    bool blank = false;
    const auto add = [&](const QString &text) {
        if (blank && !paragraph.isEmpty())
            paragraph += u' ';
        blank = false;
        paragraph += text;
    };
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"table-cell")
            break;
        if (token == QXmlStreamReader::StartElement && xml.name() == u"p") {
            paragraph.clear();
            blank = false;
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"p") {
            paragraphs << paragraph;
        } else if (token == QXmlStreamReader::StartElement && xml.name() == u"s") {
            const QStringView count = xml.attributes().value(u"urn:oasis:names:tc:opendocument:"
                                                             u"xmlns:text:1.0"_s,
                                                             u"c"_s);
            add(QString(count.isEmpty() ? 1 : count.toInt(), u' '));
        } else if (token == QXmlStreamReader::StartElement && xml.name() == u"tab") {
            add(u"\t"_s);
        } else if (token == QXmlStreamReader::Characters) {
            for (QChar c : xml.text()) {
                if (QStringView(u" \t\r\n").contains(c))
                    blank = true;
                else
                    add(QString(c));
            }
        }
    }
    return paragraphs.join(u'\n');
}

} // namespace

Q_DECLARE_METATYPE(Format)
Q_DECLARE_METATYPE(quizfile::SheetCell)
Q_DECLARE_METATYPE(quizfile::Sheet)
Q_DECLARE_METATYPE(std::vector<quizfile::Sheet>)

class TestWorkbook : public QObject {
    Q_OBJECT

private slots:
    void readBack_data();
    void readBack();
    void cells_data();
    void cells();
    void sheetNames_data();
    void sheetNames();
    void csv_data();
    void csv();
    void odsMimetypeFirst();
    void newFile_data();
    void newFile();
};

// Sheets written in each format read back through parseQuiz: the reader cases' tables as the
// same quiz or the same message at the same place, and tables of the writers' own.
void TestWorkbook::readBack_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<std::vector<Sheet>>("sheets");
    QTest::addColumn<Expected>("expected");
    for (const Case &c : cases()) {
        if (c.textOnly)
            continue;
        const std::vector<QStringList> rows = cellsOf(c.text);
        const std::vector<Sheet> sheets{{u"Лист1"_s, textRows(rows)}};
        for (Format format : {Format::Ods, Format::Xlsx})
            QTest::addRow("%s: %s", nameOf(format), c.name) << format << sheets << c.expected;
        // A CSV keeps the blanks around a value that a spreadsheet's cell drops.
        const bool blanksAround = std::any_of(rows.begin(), rows.end(), [](const QStringList &row) {
            return std::any_of(row.begin(), row.end(), [](const QString &cell) {
                return cell != quizfile::withoutSurroundingBlanks(cell);
            });
        });
        if (!blanksAround)
            QTest::addRow("csv: %s", c.name) << Format::Csv << sheets << c.expected;
    }

    const std::vector<std::vector<SheetCell>> escapes = {
        {{u"Година"_s}, {u"Събитие <&> \"1\""_s}, {u"Обяснение"_s}},
        {number(1805), {u"Аустерлиц & _x0041_ ]]>"_s}, {u"ред\r\nвтори  ред\tи таб"_s}},
        {number(3.5), {u"Битка при „Шипка“ 😀"_s}, {}},
        {number(-12), {u"'апостроф"_s}, {u"  два интервала"_s}},
        {number(0.1 + 0.2), {u"десетична"_s}, {}},
        {number(1e20), {u"голямо"_s}, {}},
        {{u"няма"_s, std::numeric_limits<double>::quiet_NaN()}, {u"не е число"_s}, {}},
    };
    const auto escaped = [](const QString &explanation, const QString &blanks) {
        return opens({u"Година"_s, u"Събитие <&> \"1\""_s, {}}, u"Обяснение"_s,
                     {{{u"1805"_s, u"Аустерлиц & _x0041_ ]]>"_s, {}}, explanation},
                      {{u"3,5"_s, u"Битка при „Шипка“ 😀"_s, {}}, {}},
                      {{u"-12"_s, u"'апостроф"_s, {}}, blanks},
                      {{u"0,3"_s, u"десетична"_s, {}}, {}},
                      {{u"1E+20"_s, u"голямо"_s, {}}, {}},
                      {{u"няма"_s, u"не е число"_s, {}}, {}}});
    };
    // An .ods holds a cell's lines as paragraphs, which read back with LF between them.
    QTest::newRow("ods: escapes, numbers, Cyrillic, line breaks, empty cells")
        << Format::Ods << std::vector<Sheet>{{u"Лист1"_s, escapes}}
        << escaped(u"ред\nвтори  ред\tи таб"_s, u"два интервала"_s);
    QTest::newRow("xlsx: escapes, numbers, Cyrillic, line breaks, empty cells")
        << Format::Xlsx << std::vector<Sheet>{{u"Лист1"_s, escapes}}
        << escaped(u"ред\r\nвтори  ред\tи таб"_s, u"два интервала"_s);
    // A CSV keeps the blanks that a spreadsheet's cell drops, in quotes.
    QTest::newRow("csv: escapes, numbers, Cyrillic, line breaks, empty cells")
        << Format::Csv << std::vector<Sheet>{{u"Лист1"_s, escapes}}
        << escaped(u"ред\r\nвтори  ред\tи таб"_s, u"  два интервала"_s);

    const std::vector<Sheet> twoSheets = {
        {u"Клас 7/А"_s, textRows({{u"А"_s, u"Б"_s}, {u"x"_s, u"y"_s}, {u"u"_s, u""_s}})},
        {u"Въпроси"_s, textRows({{u"В"_s, u"Г"_s}, {u"p"_s, u"q"_s}, {u"r"_s, u"s"_s}})}};
    for (Format format : {Format::Ods, Format::Xlsx}) {
        QTest::addRow("%s: the first sheet is read, and a place names it", nameOf(format))
            << format << twoSheets << refused(3, 2, u"лист „Клас 7-А“"_s);
        QTest::addRow("%s: no sheets is one empty sheet", nameOf(format))
            << format << std::vector<Sheet>{} << refused(0, 0, u"лист „Лист1“"_s);
    }
}

void TestWorkbook::readBack() {
    QFETCH(Format, format);
    QFETCH(std::vector<Sheet>, sheets);
    QFETCH(Expected, expected);
    const QByteArray bytes = written(format, sheets);
    QVERIFY(!bytes.isEmpty());
    checkResult(quizfile::parseQuiz(bytes, u"Тест.csv"_s), expected);
}

// One cell written and read back by the format's own reader: every character the format can
// hold comes back.
void TestWorkbook::cells_data() {
    QTest::addColumn<SheetCell>("cell");
    QTest::addColumn<QString>("odsText");
    QTest::addColumn<QString>("xlsxText");
    const auto same = [](const char *name, const QString &text) {
        QTest::newRow(name) << SheetCell{text, std::nullopt} << text << text;
    };
    same("markup", u"<a href=\"x\">&amp;</a> ]]> 'б'"_s);
    same("escapes' look-alikes", u"_x0041_ _x004a_ _X004A_ _x00_ __x0041__ _xZZZZ_"_s);
    same("runs of spaces at the start, inside and at the end", u"  а   б  "_s);
    same("a single space", u" "_s);
    same("single spaces at the ends of lines", u" а б \n в "_s);
    same("spaces after a line break and a tab", u"а\n  б\t в"_s);
    same("tabs", u"\tа\t\tб"_s);
    same("Cyrillic, quotes, a surrogate pair", u"„Шипка“ – 1877 г. 😀𝔸"_s);
    const QString controls = u"а\u0001б\u0008\u000B\u000C\u001Fв\u0000"_s;
    QTest::newRow("control characters: left out of an .ods, escaped in an .xlsx")
        << SheetCell{controls, std::nullopt} << u"абв"_s << controls;
    const QString nonCharacters = u"а\uFFFEб\uFFFF"_s + QChar(0xD800) + u"в"_s;
    QTest::newRow("non-characters and a lone surrogate")
        << SheetCell{nonCharacters, std::nullopt} << u"абв"_s << nonCharacters;
    QTest::newRow("line breaks: paragraphs of an .ods, kept in an .xlsx")
        << SheetCell{u"1\r\n2\r3\n4\n"_s, std::nullopt} << u"1\n2\n3\n4\n"_s << u"1\r\n2\r3\n4\n"_s;
    QTest::newRow("a number") << number(-1234.5) << u"-1234,5"_s << u"-1234,5"_s;
    QTest::newRow("a number's text is not written")
        << SheetCell{u"текст"_s, 7.0} << u"7"_s << u"7"_s;
    QTest::newRow("infinity is its text")
        << SheetCell{u"∞"_s, std::numeric_limits<double>::infinity()} << u"∞"_s << u"∞"_s;
    const QString longText = QString(quizfile::maxXlsxCellChars - 1, u'а') + u"😀"_s;
    QTest::newRow("past Excel's length, cut without splitting a pair")
        << SheetCell{longText, std::nullopt} << longText << longText.first(longText.size() - 2);
}

void TestWorkbook::cells() {
    QFETCH(SheetCell, cell);
    QFETCH(QString, odsText);
    QFETCH(QString, xlsxText);
    const std::vector<Sheet> sheets{{u"Лист1"_s, {{cell, {u"след"_s}}}}};
    try {
        for (const auto &[format, text] :
             {std::pair{Format::Ods, odsText}, {Format::Xlsx, xlsxText}}) {
            const quizfile::FirstSheet sheet = firstSheet(format, written(format, sheets));
            QCOMPARE(sheet.rows.rows().size(), size_t(1));
            const std::vector<QString> &row = sheet.rows.rows().front().cells;
            QCOMPARE(row.size(), size_t(2));
            QCOMPARE(row[0], text);
            QCOMPARE(row[1], u"след"_s);
        }
        // A tab, the character itself, is a blank to such a reader.
        if (!odsText.contains(u'\t'))
            QCOMPARE(strictOdsText(quizfile::writeOds(sheets)), odsText);
    } catch (const quizfile::FileFault &fault) {
        QFAIL(qPrintable(fault.message));
    }
}

// The tabs' names, the same in both formats' XML.
void TestWorkbook::sheetNames_data() {
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("kept") << QStringList{u"Въпроси & <отговори> \"7\""_s, u"Ученици"_s}
                          << QStringList{u"Въпроси & <отговори> \"7\""_s, u"Ученици"_s};
    QTest::newRow("characters neither spreadsheet allows")
        << QStringList{u"7/А: [а*б?] \\"_s} << QStringList{u"7-А- -а-б-- -"_s};
    QTest::newRow("blanks, apostrophes and control characters")
        << QStringList{u" 'Клас' "_s, u"ред\nвтори\tред\u0001"_s, u"'"_s}
        << QStringList{u"Клас"_s, u"ред втори ред"_s, u"Лист3"_s};
    QTest::newRow("cut at 31, a surrogate pair whole")
        << QStringList{QString(30, u'а') + u"😀"_s, QString(40, u'б')}
        << QStringList{QString(30, u'а'), QString(31, u'б')};
    QTest::newRow("empty ones by their place")
        << QStringList{{}, u"Лист1"_s, {}} << QStringList{u"Лист1"_s, u"Лист1 (2)"_s, u"Лист3"_s};
    QTest::newRow("taken without regard to case, History Excel's")
        << QStringList{u"Клас"_s, u"КЛАС"_s, u"клас"_s, u"history"_s}
        << QStringList{u"Клас"_s, u"КЛАС (2)"_s, u"клас (3)"_s, u"history (2)"_s};
    QTest::newRow("a long one taken, cut to fit its number")
        << QStringList{QString(35, u'в'), QString(31, u'в')}
        << QStringList{QString(31, u'в'), QString(27, u'в') + u" (2)"_s};
}

void TestWorkbook::sheetNames() {
    QFETCH(QStringList, given);
    QFETCH(QStringList, names);
    std::vector<Sheet> sheets;
    for (const QString &name : given)
        sheets.push_back({name, {}});
    QCOMPARE(quizfile::workbookSheetNames(sheets), names);
    // The first, as each format's XML holds it.
    QCOMPARE(firstSheet(Format::Ods, quizfile::writeOds(sheets)).name, names.front());
    QCOMPARE(firstSheet(Format::Xlsx, quizfile::writeXlsx(sheets)).name, names.front());
}

// A sheet as CSV: the quiz writer's BOM, separator, line ends and quotes, rows as wide as the
// widest, numbers as a Bulgarian spreadsheet shows them, formulas never.
void TestWorkbook::csv_data() {
    QTest::addColumn<Sheet>("sheet");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("no rows") << Sheet{} << "\xEF\xBB\xBF"_ba;
    QTest::newRow("ragged rows, an empty one, numbers")
        << Sheet{{},
                 {{{u"Име"_s}, {u"Верни"_s}, {u"Време"_s}},
                  {},
                  {{u"Иван"_s}, number(12), number(95.25)},
                  {{u"Мария"_s}}}}
        << "\xEF\xBB\xBFИме;Верни;Време\r\n;;\r\nИван;12;\"95,25\"\r\nМария;;\r\n"_ba;
    QTest::newRow("quoted where a quiz's cell is")
        << Sheet{{}, {{{u"а; б"_s}, {u"\"к\""_s}, {u"ред\r\nдва"_s}, {u" x"_s}, {u"<p>"_s}}}}
        << "\xEF\xBB\xBF\"а; б\";\"\"\"к\"\"\";\"ред\r\nдва\";\" x\";\"<p>\"\r\n"_ba;
    QTest::newRow("what a spreadsheet would run as a formula")
        << Sheet{{},
                 {{{u"=1+2"_s},
                   {u"+359 88"_s},
                   {u"-2+3"_s},
                   {u"@SUM(A1)"_s},
                   {u" =HYPERLINK(\"x\")"_s}}}}
        << "\xEF\xBB\xBF'=1+2;'+359 88;'-2+3;'@SUM(A1);\"' =HYPERLINK(\"\"x\"\")\"\r\n"_ba;
    QTest::newRow("plain numbers and dashes as text")
        << Sheet{{}, {{{u"-12"_s}, {u"+3,5"_s}, {u"–"_s}, {u"x=y"_s}}}}
        << "\xEF\xBB\xBF-12;\"+3,5\";–;x=y\r\n"_ba;
}

void TestWorkbook::csv() {
    QFETCH(Sheet, sheet);
    QFETCH(QByteArray, bytes);
    QCOMPARE(quizfile::writeCsv(sheet), bytes);
}

// A program tells an OpenDocument file's kind by its first part: „mimetype“, stored as it is
// and without an extra field, its text at byte 38.
void TestWorkbook::odsMimetypeFirst() {
    const QByteArray bytes = quizfile::writeOds({});
    QVERIFY(bytes.startsWith("PK\x03\x04"));
    QCOMPARE(bytes.mid(8, 2), "\0\0"_ba);  // stored
    QCOMPARE(bytes.mid(28, 2), "\0\0"_ba); // no extra field
    QCOMPARE(bytes.mid(30, 8), "mimetype"_ba);
    QCOMPARE(bytes.mid(38, 46), "application/vnd.oasis.opendocument.spreadsheet"_ba);
}

// Bytes go to a new file only: whatever was at the path is left as it was. (The command line's
// export meets the other refusals.)
void TestWorkbook::newFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    QTest::newRow("a new file") << u"Резултати.ods"_s << quizfile::writeOds({}) << QString();
    QTest::newRow("no bytes, an empty file") << u"празен.csv"_s << QByteArray() << QString();
    QTest::newRow("an existing file") << u"стар.csv"_s << "x"_ba << u"файлът вече съществува"_s;
    QTest::newRow("a link that leads nowhere")
        << u"връзка.csv"_s << "x"_ba << u"файлът вече съществува"_s;
}

void TestWorkbook::newFile() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QDir dir(folder.path());
    QFile old(dir.filePath(u"стар.csv"_s));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("учителски") == 18);
    old.close();
    QVERIFY(QFile::link(dir.filePath(u"няма такъв"_s), dir.filePath(u"връзка.csv"_s)));
    const QStringList before =
        dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);

    const std::optional<QString> problem = quizfile::writeNewFile(dir.filePath(name), bytes);
    if (why.isEmpty()) {
        QVERIFY2(!problem, qPrintable(problem.value_or(QString())));
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
        return;
    }
    QVERIFY(problem);
    QVERIFY2(problem->startsWith(why), qPrintable(*problem));
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), "учителски"_ba);
    QVERIFY(!QFileInfo::exists(dir.filePath(u"няма такъв"_s)));
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
