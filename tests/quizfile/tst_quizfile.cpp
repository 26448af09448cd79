#include "quizfile/decoding.h"
#include "quizfile/quizfile.h"
#include "quizfile/quizwriter.h"
#include "spreadsheetfixture.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;
using content::Quiz;
using content::QuizRow;
using quizfile::QuizFileError;
using quizfile::QuizFileResult;

namespace {

// What a file must give: a quiz, or an error at a place whose message says a given thing.
struct Expected {
    std::optional<Quiz> quiz;
    int line = 0;
    int column = 0;
    QString fragment;
};

// A quiz of pairs leaves its third caption empty.
Expected opens(std::array<QString, 3> captions, QString explanationCaption,
               std::vector<QuizRow> rows, QString title = u"Тест"_s) {
    const int answerCount = captions[2].isEmpty() ? 2 : 3;
    return {Quiz{std::move(title), answerCount, std::move(captions), std::move(explanationCaption),
                 std::move(rows)},
            0,
            0,
            {}};
}

Expected refused(int line, int column, QString fragment) {
    return {std::nullopt, line, column, std::move(fragment)};
}

enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1251 };

QByteArray encode(const QString &text, Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf8Bom:
        return "\xEF\xBB\xBF" + text.toUtf8();
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QStringEncoder encoder(encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE
                                                             : QStringConverter::Utf16BE,
                               QStringConverter::Flag::WriteBom);
        return encoder.encode(text);
    }
    case Encoding::Windows1251: {
        QStringEncoder encoder("windows-1251");
        const QByteArray bytes = encoder.encode(text);
        return encoder.hasError() ? QByteArray() : bytes;
    }
    }
    return {};
}

// Every file here is written with '|' between fields and tried with each separator and in each
// encoding: rows, columns and messages must not depend on either.
struct Case {
    const char *name;
    QString text;
    Expected expected;
};

std::vector<Case> cases() {
    const std::array<QString, 3> battle = {u"Място"_s, u"Победител"_s, u"Победен"_s};
    const std::array<QString, 3> abc = {u"А"_s, u"Б"_s, u"В"_s};
    return {
        {"three columns, a winner twice, no final line end",
         u"Писател|Творба|Герой\nИван Вазов|Под игото|Бай Марко\n"
         u"Елин Пелин|Гераците|Йордан\nИван Вазов|Чичовци|Иванчо Йотата"_s,
         opens({u"Писател"_s, u"Творба"_s, u"Герой"_s}, {},
               {{{u"Иван Вазов"_s, u"Под игото"_s, u"Бай Марко"_s}, {}},
                {{u"Елин Пелин"_s, u"Гераците"_s, u"Йордан"_s}, {}},
                {{u"Иван Вазов"_s, u"Чичовци"_s, u"Иванчо Йотата"_s}, {}}})},
        {"blanks dropped around values, quoted ones kept exactly with quotes and line breaks",
         u" Място|Победител\u00A0|Победен|Обяснение \r\n"
         u"Кана - битка |Ханибал|\u00A0 Теренций Варон|\"Първото \"\"пълно\"\" обкръжение; "
         u"216 г., Апулия\r\nвтори ред\n\"\r\n"
         u"\"Ватерло, битка\"|\"Уелсли; Блюхер\"|\" Наполеон I \"|  \r\n"_s,
         opens(battle, u"Обяснение"_s,
               {{{u"Кана - битка"_s, u"Ханибал"_s, u"Теренций Варон"_s},
                 u"Първото \"пълно\" обкръжение; 216 г., Апулия\r\nвтори ред\n"_s},
                {{u"Ватерло, битка"_s, u"Уелсли; Блюхер"_s, u" Наполеон I "_s}, {}}})},
        {"title row, a trailing empty column, a row without its explanation cell",
         u"Български владетели|||\r\n\r\nМясто|Победител|Победен|Обяснение|\r\n"
         u"Плиска |Крум|Никифор I|Юли 811 г.\r\nВарна|Владислав III | Мурад II\r\n"_s,
         opens(battle, u"Обяснение"_s,
               {{{u"Плиска"_s, u"Крум"_s, u"Никифор I"_s}, u"Юли 811 г."_s},
                {{u"Варна"_s, u"Владислав III"_s, u"Мурад II"_s}, {}}},
               u"Български владетели"_s)},
        {"a title row alone", u"|Заглавие|\n\n"_s,
         refused(1, 0, u"под заглавието на викторината няма заглавен ред"_s)},
        {"a first row that is an answer", u"Плиска|Крум\nПреслав|Симеон\nПлиска|Омуртаг\n"_s,
         refused(1, 0,
                 u"прилича на ред с отговори, а не на заглавия: „Плиска“ е и отговор на ред 3"_s)},
        {"values equal once their blanks are dropped", u"А|Б\nx |y\n x|\u00A0y\n"_s,
         refused(3, 0, u"като на ред 2 – двата реда не могат да се различат; изтрийте"_s)},
        {"blank lines, empty rows and empty trailing fields skipped",
         u"А|Б|В||\r\n\r\n|||\r\nx|y|z|\n   \n\"\"|\"\"|\"\"\nu|v|w||\n\n"_s,
         opens(abc, {}, {{{u"x"_s, u"y"_s, u"z"_s}, {}}, {{u"u"_s, u"v"_s, u"w"_s}, {}}})},
        {"lone CR line ends", u"А|Б|В\rx|y|z\ru|v|w\r"_s,
         opens(abc, {}, {{{u"x"_s, u"y"_s, u"z"_s}, {}}, {{u"u"_s, u"v"_s, u"w"_s}, {}}})},

        {"empty file", {}, refused(0, 0, u"няма заглавен ред: таблицата е празна"_s)},
        {"only blank lines", u"\r\n|||\n  \n"_s, refused(0, 0, u"няма заглавен ред"_s)},
        {"pairs: years and events, numbers kept as written",
         u"\nГодина|Събитие\n1185|Въстание на Асен и Петър\n681|Основаване на България\n"_s,
         opens({u"Година"_s, u"Събитие"_s, {}}, {},
               {{{u"1185"_s, u"Въстание на Асен и Петър"_s, {}}, {}},
                {{u"681"_s, u"Основаване на България"_s, {}}, {}}})},
        {"pairs with explanations: the third caption names them",
         u"Дума|Превод| обяснение \nкъща|house|\"Сграда\nза живеене\"\nдърво|tree|\n"_s,
         opens({u"Дума"_s, u"Превод"_s, {}}, u"обяснение"_s,
               {{{u"къща"_s, u"house"_s, {}}, u"Сграда\nза живеене"_s},
                {{u"дърво"_s, u"tree"_s, {}}, {}}})},
        {"pairs: the same pair twice", u"А|Б\nx|y\nu|v\nx|y\n"_s,
         refused(4, 0, u"като на ред 2"_s)},
        {"pairs: a third value in a row", u"А|Б\nx|y\nu|v|w\n"_s,
         refused(3, 3, u"излишна клетка: заглавният ред има само 2 колони; изтрийте клетката"_s)},
        {"one column under a title", u"\nА\nx\nu\n"_s,
         refused(3, 0, u"а има 1 колона; всяко име на колона трябва да е в своя клетка"_s)},
        {"header of five", u"А|Б|В|Г|Д\nx|y|z|e|f\nu|v|w|e|f\n"_s,
         refused(1, 0, u"2, 3 или 4 колони: два отговора"_s)},
        {"header with an empty caption", u"А||В\nx|y|z\nu|v|w\n"_s,
         refused(1, 2, u"липсва надпис на колоната; напишете"_s)},
        {"row too short", u"А|Б|В|Г\r\nx|y|z|e\r\nu|v\r\n"_s,
         refused(3, 3, u"редът има 2 колони, а заглавният ред – 4 колони; попълнете клетката"_s)},
        {"row too long", u"А|Б|В\nx|y|z\nu|v|w|обяснение\n"_s, refused(3, 4, u"излишна клетка"_s)},
        {"empty value", u"А|Б|В\nx|y|z\n\nu||w\n"_s,
         refused(4, 2, u"липсва стойност; попълнете клетката или изтрийте реда"_s)},
        {"blank value", u"А|Б|В\n   |y|z\nu|v|w\n"_s, refused(2, 1, u"липсва стойност"_s)},
        {"unclosed quote", u"А|Б|В\r\nx|y|z\r\nu|\"v|w\r\nq|r|s\r\n"_s,
         refused(3, 2, u"кавичките в началото на клетката не са затворени"_s)},
        {"text after a closing quote", u"А|Б|В\nx|\"y\"z|w\nu|v|w\n"_s,
         refused(2, 2, u"след затварящите кавички"_s)},
        {"no rows", u"А|Б|В\r\n"_s, refused(0, 0, u"поне 2 реда"_s)},
        {"one row", u"А|Б|В\r\nx|y|z\r\n"_s,
         refused(0, 0, u"поне 2 реда с отговори, а има 1 ред; добавете"_s)},
        {"same answers twice, explanations aside",
         u"А|Б|В|Г\nx|y|z|едно\nu|v|w|\nq|r|s|\nx|y|z|друго\n"_s,
         refused(5, 0, u"като на ред 2"_s)},
        {"control character", u"А|Б|В\nx|y\x07|z\nu|v|w\n"_s,
         refused(2, 2, u"управляващ знак U+0007, който не се вижда; напишете"_s)},
        {"line break in an answer", u"А|Б|В|Г\nx|\"y\nz\"|w|\nu|v|w|\n"_s,
         refused(2, 2, u"няколко реда"_s)},
        {"line break in a caption", u"А|Б|В|\"Г\r\nД\"\nx|y|z|\nu|v|w|\n"_s,
         refused(1, 4, u"няколко реда"_s)},
        {"rows counted as a spreadsheet shows them",
         u"А|Б|В|Г\nx|y|z|\"три\nреда\nобяснение\"\nu|v||\n"_s,
         refused(3, 3, u"липсва стойност"_s)},
    };
}

using spreadsheetfixture::ods;
using spreadsheetfixture::xlsx;
using spreadsheetfixture::zip;

// A row of an .ods: its cells' XML.
QByteArray odsRow(const QByteArray &cells, const QByteArray &attributes = {}) {
    return "<table:table-row " + attributes + '>' + cells + "</table:table-row>";
}

QByteArray odsCell(const QByteArray &text, const QByteArray &attributes = {}) {
    return "<table:table-cell " + attributes + "><text:p>" + text + "</text:p></table:table-cell>";
}

// Spreadsheets and vocabularies: each read by its content, under the name „Тест.csv“.
std::vector<std::pair<const char *, std::pair<QByteArray, Expected>>> structuredCases() {
    const QByteArray header = R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="inlineStr">)"
                              R"(<is><t>Събитие</t></is></c><c r="C1" t="s"><v>1</v></c></row>)";
    const QByteArray strings = "<si><t>Година</t></si><si><t>Обяснение</t></si>"
                               "<si><r><t>Битка при </t></r><r><rPr/><t>Аустерлиц</t></r>"
                               "<rPh><t>x</t></rPh></si><si><t>скрито</t></si>";
    const QByteArray odsHeader = odsRow(odsCell("А") + odsCell("Б") + odsCell("В"));
    const QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE kvtml [<!ENTITY a \"aaaaaaaaaa\">"
                              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><kvtml>&b;</kvtml>";
    const auto kvtml = [](const QByteArray &identifiers, const QByteArray &entries) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE kvtml PUBLIC "
               "\"kvtml2.dtd\" \"http://edu.kde.org/kvtml/kvtml2.dtd\">\n<kvtml version=\"2.0\">"
               "<information><title>Животни.kvtml</title></information><identifiers>" +
               identifiers + "</identifiers><entries>" + entries + "</entries></kvtml>";
    };
    const auto entry = [](const QByteArray &translations) {
        return "<entry id=\"9\"><inactive>false</inactive>" + translations + "</entry>";
    };
    const auto translation = [](const char *id, const QByteArray &text,
                                const QByteArray &comment = {}) {
        return "<translation id=\"" + QByteArray(id) + "\"><text>" + text + "</text><comment>" +
               comment + "</comment></translation>";
    };
    Expected animals = opens(
        {u"Дума"_s, u"Подсказка"_s, {}}, {},
        {{{u"мечка"_s, u"Спи през зимата"_s, {}}, {}}, {{u"делфин"_s, u"Бозайник"_s, {}}, {}}});
    animals.quiz->title = u"Животни"_s;
    Expected languages =
        opens({u"English"_s, u"de"_s, {}}, u"Обяснение"_s,
              {{{u"one"_s, u"eins"_s, {}}, u"число\nзахлас"_s}, {{u"two"_s, u"zwei"_s, {}}, {}}});
    languages.quiz->title = u"Животни"_s;
    Expected version1 = opens({u"bg"_s, u"Език 2"_s, {}}, {},
                              {{{u"котка"_s, u"cat"_s, {}}, {}}, {{u"куче"_s, u"dog"_s, {}}, {}}});
    version1.quiz->title = u"Домашни"_s;
    const QByteArray spaces(2 * 1024 * 1024, ' ');

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
        {"xlsx: a shared text past the cap",
         {xlsx(header + R"(<row r="2"><c r="A2" t="s"><v>1048576</v></c></row>)", strings),
          refused(0, 0, u"разрешени са до 1048576"_s)}},
        {"xlsx: entity expansion",
         {xlsx(header + "<row><c><v>&b;</v></c></row>", strings, {}, {},
               laughs.first(laughs.indexOf("<kvtml>")).replace("kvtml", "worksheet")),
          refused(0, 0, u"XML същности"_s)}},
        {"xlsb",
         {zip({{u"[Content_Types].xml"_s, "<Types/>"},
               {u"_rels/.rels"_s, R"(<Relationships><Relationship Id="1" )"
                                  R"(Type="a/officeDocument" Target="xl/workbook.bin"/>)"
                                  R"(</Relationships>)"}}),
          refused(0, 0, u".xlsb"_s)}},
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
        {"xls of Excel 97",
         {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + QByteArray(600, '\0'), refused(0, 0, u".xls"_s)}},
        {"xlsx with a password",
         {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" +
              QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32),
          refused(0, 0, u"парола"_s)}},
        {"kvtml: one language, comments as hints, a stray translation",
         {kvtml(R"(<identifier id="0"><locale>bg</locale></identifier>)",
                entry(translation("0", "мечка", "Спи през зимата") + translation("1", "Спи")) +
                    entry(translation("0", "делфин", "Бозайник"))),
          animals}},
        {"kvtml: languages, comments as explanations",
         {kvtml(R"(<identifier id="0"><name>English</name><locale>en</locale></identifier>)"
                R"(<identifier id="1"><locale>de</locale></identifier>)",
                entry(translation("0", "one", "число") + translation("1", "eins", "захлас")) +
                    entry(translation("1", "zwei") + translation("0", "two"))),
          languages}},
        {"kvtml: a row with one language only",
         {kvtml(R"(<identifier id="0"/><identifier id="1"/>)",
                entry(translation("0", "a") + translation("1", "b")) +
                    entry(translation("0", "c"))),
          refused(2, 2, u"липсва стойност"_s)}},
        {"kvtml: words only",
         {kvtml(R"(<identifier id="0"/>)",
                entry(translation("0", "a")) + entry(translation("0", "b"))),
          refused(0, 0, u"един език"_s)}},
        {"kvtml 1",
         {R"(<?xml version="1.0"?><!DOCTYPE kvtml SYSTEM "kvoctrain.dtd">)"
          R"(<kvtml encoding="UTF-8" title="Домашни"><e><o l="bg">котка</o><t>cat</t></e>)"
          R"(<e><o>куче</o><t>dog</t></e></kvtml>)",
          version1}},
        {"kvtml: entity expansion", {laughs, refused(0, 0, u"XML същности"_s)}},
        {"xml, not a vocabulary",
         {"<?xml version=\"1.0\"?><html/>", refused(0, 0, u"KWordQuiz"_s)}},
    };
}

// Files whose point is their bytes: they are read as they are.
std::vector<std::pair<const char *, std::pair<QByteArray, Expected>>> rawCases() {
    QByteArray tooMany = "А;Б;В\n";
    for (int i = 0; i <= content::maxQuizRows; ++i)
        tooMany += QByteArray::number(i) + ";y;z\n";
    QByteArray mostRows = tooMany.first(tooMany.lastIndexOf("32767;"));
    QByteArray tooLarge = "А;Б;В\nx;y;z\nu;v;";
    tooLarge += QByteArray(quizfile::maxQuizFileBytes + 1 - tooLarge.size(), 'w');
    QStringEncoder utf16(QStringConverter::Utf16LE);
    const QByteArray utf16WithoutBom = utf16.encode(u"А;Б;В\nx;y;z\nu;v;w\n"_s);

    return {
        {"as many rows as a list holds",
         {mostRows, {std::nullopt, -1, 0, {}}}}, // checked by its row count
        {"more rows than a list holds",
         {tooMany, refused(content::maxQuizRows + 2, 0, u"най-много 32767 реда; разделете"_s)}},
        {"a value holding the separator, unquoted",
         {"А;Б\nx;y\nСофия; град;z\n",
          refused(3, 3, u"ако „;“ е част от стойността, оградете цялата стойност в кавички"_s)}},
        {"larger than 16 MiB", {tooLarge, refused(0, 0, u"твърде голям"_s)}},
        {"binary", {"\x89PNG\r\n\x1a\n\0\0\0\rIHDR"_ba, refused(0, 0, u"текстов файл"_s)}},
        {"UTF-16 without a byte-order mark", {utf16WithoutBom, refused(0, 0, u"текстов файл"_s)}},
        {"UTF-8 byte-order mark over bytes that are not UTF-8",
         {"\xEF\xBB\xBF\xD0\x90;\xD0\x91;\xD0\x92\nx;y\xFF;z\nu;v;w\n",
          refused(2, 2, u"не може да бъде разчетен"_s)}},
        {"UTF-8 byte-order mark, the last character cut off",
         {"\xEF\xBB\xBF\xD0\x90;\xD0\x91;\xD0\x92\nx;y;z\nu;v;w\xD0",
          refused(3, 3, u"не може да бъде разчетен"_s)}},
        {"tab-separated, with ';' and ',' in a caption",
         {"Град; област, край\tСтолица\tВалута\nx;1\ty\tz\nu,2\tv\tw\n",
          opens({u"Град; област, край"_s, u"Столица"_s, u"Валута"_s}, {},
                {{{u"x;1"_s, u"y"_s, u"z"_s}, {}}, {{u"u,2"_s, u"v"_s, u"w"_s}, {}}})}},
        {"UTF-16 with half a surrogate pair",
         {"\xFF\xFE" + utf16.encode(u"А;Б;В\nx;y"_s) + "\x3D\xD8" + utf16.encode(u";z\nu;v;w\n"_s),
          refused(2, 2, u"не може да бъде разчетен"_s)}},
        {"a character beyond the first plane",
         {"А;Б;В\nx;\xF0\x9F\x8F\xB0;z\nu;v;w\n",
          opens({u"А"_s, u"Б"_s, u"В"_s}, {},
                {{{u"x"_s, u"\U0001F3F0"_s, u"z"_s}, {}}, {{u"u"_s, u"v"_s, u"w"_s}, {}}})}},
        {"tab inside a value when ';' separates",
         {"А;Б;В\nx;y\tq;z\nu;v;w\n", refused(2, 2, u"табулация"_s)}},
    };
}

void checkResult(const QuizFileResult &result, const Expected &expected,
                 const QString &source = u"Тест.csv"_s) {
    if (expected.quiz) {
        if (const auto *error = std::get_if<QuizFileError>(&result))
            QFAIL(qPrintable(u"refused: "_s + error->text()));
        const Quiz &quiz = std::get<Quiz>(result);
        QCOMPARE(quiz.title, expected.quiz->title);
        QCOMPARE(quiz.answerCount, expected.quiz->answerCount);
        QCOMPARE(quiz.captions, expected.quiz->captions);
        QCOMPARE(quiz.explanationCaption, expected.quiz->explanationCaption);
        QVERIFY2(quiz.rows == expected.quiz->rows, "the rows differ");
        // A text that comes again in an answer column shares the first one's characters.
        for (std::size_t column = 0; column < std::size_t(quiz.answerCount); ++column) {
            QHash<QString, const QChar *> first;
            for (const QuizRow &row : quiz.rows) {
                const QChar *&data = first[row.answers[column]];
                if (data == nullptr)
                    data = row.answers[column].constData();
                QCOMPARE(row.answers[column].constData(), data);
            }
        }
        return;
    }
    const auto *error = std::get_if<QuizFileError>(&result);
    QVERIFY2(error, "the file opened");
    QCOMPARE(error->fileName, source);
    QVERIFY2(error->text().contains(expected.fragment), qPrintable(error->text()));
    QCOMPARE(error->line, expected.line);
    QCOMPARE(error->column, expected.column);
}

} // namespace

Q_DECLARE_METATYPE(Expected)
Q_DECLARE_METATYPE(quizfile::PastedCells)

class QuizFileTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parseBytes_data();
    void parseBytes();
    void pasted_data();
    void pasted();
    void errorText_data();
    void errorText();
    void roundTrip_data();
    void roundTrip();
    void writtenAsSpreadsheetsExpect_data();
    void writtenAsSpreadsheetsExpect();
    void unreadableFiles();
    void examplesOpen();
    void windows1251AsIcuReadsIt();
};

void QuizFileTest::parse_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Expected>("expected");

    const std::pair<Encoding, const char *> encodings[] = {{Encoding::Utf8, "UTF-8"},
                                                           {Encoding::Utf8Bom, "UTF-8 BOM"},
                                                           {Encoding::Utf16LE, "UTF-16LE"},
                                                           {Encoding::Utf16BE, "UTF-16BE"},
                                                           {Encoding::Windows1251, "Windows-1251"}};
    const std::pair<QChar, const char *> separators[] = {
        {u';', "semicolon"}, {u',', "comma"}, {u'\t', "tab"}};
    for (const Case &c : cases()) {
        for (const auto &[separator, separatorName] : separators) {
            const QString text = QString(c.text).replace(u'|', separator);
            for (const auto &[encoding, encodingName] : encodings) {
                QTest::addRow("%s, %s, %s", c.name, separatorName, encodingName)
                    << encode(text, encoding) << c.expected;
            }
        }
    }
}

void QuizFileTest::parse() {
    QFETCH(QByteArray, bytes);
    QFETCH(Expected, expected);
    checkResult(quizfile::parseQuiz(bytes, u"/някъде/Тест.csv"_s), expected);
}

void QuizFileTest::parseBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Expected>("expected");
    for (const auto &[name, data] : rawCases())
        QTest::newRow(name) << data.first << data.second;
    for (const auto &[name, data] : structuredCases())
        QTest::newRow(name) << data.first << data.second;
}

void QuizFileTest::parseBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(Expected, expected);
    const QuizFileResult result = quizfile::parseQuiz(bytes, u"Тест.csv"_s);
    if (expected.line < 0) {
        QVERIFY(std::holds_alternative<Quiz>(result));
        QCOMPARE(std::get<Quiz>(result).rows.size(), size_t(content::maxQuizRows));
        return;
    }
    checkResult(result, expected);
}

// Cells as spreadsheets put them on the clipboard, in UTF-8.
void QuizFileTest::pasted_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<quizfile::PastedCells>("format");
    QTest::addColumn<Expected>("expected");
    const auto plain = quizfile::PastedCells::PlainText;
    const auto libreOffice = quizfile::PastedCells::LibreOffice;
    const std::array<QString, 3> battle = {u"Място"_s, u"Победител"_s, u"Победен"_s};

    QTest::newRow("Excel: a quoted line break and quotes, CR LF, no final line end")
        << "Място\tПобедител\tПобеден\tОбяснение\r\nКана\tХанибал\tВарон\t\"Два\r\n\"\"реда\"\"\"\r"
           "\n"
           "Ватерло\tУелингтън\tНаполеон\t"_ba
        << plain
        << opens(battle, u"Обяснение"_s,
                 {{{u"Кана"_s, u"Ханибал"_s, u"Варон"_s}, u"Два\r\n\"реда\""_s},
                  {{u"Ватерло"_s, u"Уелингтън"_s, u"Наполеон"_s}, {}}});
    QTest::newRow("plain text: years, quotes left as they stand")
        << "Година\tСъбитие\n1185\t\"Асен\" и Петър\n681\tОсноваване\n"_ba << plain
        << opens({u"Година"_s, u"Събитие"_s, {}}, {},
                 {{{u"1185"_s, u"\"Асен\" и Петър"_s, {}}, {}},
                  {{u"681"_s, u"Основаване"_s, {}}, {}}});
    QTest::newRow("LibreOffice: only cells with a tab or line break quoted")
        << "А\tБ\tОбяснение\n\"x\"\t\"Тютюн\" роман\t\"q\"\"\nw\"\nu\tv\t\"таб\tвътре\"\n"_ba
        << libreOffice
        << opens({u"А"_s, u"Б"_s, {}}, u"Обяснение"_s,
                 {{{u"\"x\""_s, u"\"Тютюн\" роман"_s, {}}, u"q\"\nw"_s},
                  {{u"u"_s, u"v"_s, {}}, u"таб\tвътре"_s}});
    QTest::newRow("a sentence is not a table")
        << "\n  Битката при Кана се води през 216 г. пр.н.е.\nКартаген\tРим\n"_ba << plain
        << refused(0, 0, u"не е таблица"_s);
    QTest::newRow("an empty cell, named by its place")
        << "А\tБ\tВ\nx\ty\tz\nu\t\tw\n"_ba << libreOffice << refused(3, 2, u"липсва стойност"_s);
    QTest::newRow("more than 16 MiB") << "А\tБ\n"_ba + QByteArray(quizfile::maxQuizFileBytes, 'x')
                                      << plain << refused(0, 0, u"твърде голям"_s);
}

void QuizFileTest::pasted() {
    QFETCH(QByteArray, text);
    QFETCH(quizfile::PastedCells, format);
    QFETCH(Expected, expected);
    if (expected.quiz)
        expected.quiz->title = quizfile::pastedQuizTitle.toString();
    checkResult(quizfile::parsePastedCells(text, format), expected,
                quizfile::pastedTextName.toString());
}

void QuizFileTest::errorText_data() {
    QTest::addColumn<QuizFileError>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("row and column") << QuizFileError{u"Битки.csv"_s, 7, 2, u"липсва стойност"_s}
                                    << u"Битки.csv, ред 7, колона B (2): липсва стойност"_s;
    QTest::newRow("column past Z") << QuizFileError{u"Битки.csv"_s, 7, 28, u"излишна клетка"_s}
                                   << u"Битки.csv, ред 7, колона AB (28): излишна клетка"_s;
    QTest::newRow("whole row") << QuizFileError{u"Битки.csv"_s, 7, 0, u"повтаря %1"_s}
                               << u"Битки.csv, ред 7: повтаря %1"_s;
    QTest::newRow("whole file") << QuizFileError{u"%1.csv"_s, 0, 0, u"файлът е празен"_s}
                                << u"%1.csv: файлът е празен"_s;
}

void QuizFileTest::errorText() {
    QFETCH(QuizFileError, error);
    QFETCH(QString, text);
    QCOMPARE(error.text(), text);
}

void QuizFileTest::roundTrip_data() {
    QTest::addColumn<Quiz>("quiz");
    QTest::newRow("the built-in battles") << content::builtInQuiz();
    QTest::newRow("values a spreadsheet would change") << Quiz{
        u" Битки; обсади "_s,
        3,
        {u" водещ интервал"_s, u"завършващ интервал "_s, u"\"кавички\""_s},
        {},
        {{{u"а; б"_s, u"в, г"_s, u"=1+1"_s}, {}}, {{u"  д"_s, u"е\"ж"_s, u"з\u00A0"_s}, {}}}};
    QTest::newRow("line breaks in explanations")
        << Quiz{{},
                3,
                {u"А"_s, u"Б"_s, u"В"_s},
                u"Обяснение "_s,
                {{{u"x"_s, u"y"_s, u"z"_s}, u"два\r\nреда\n"_s}, {{u"u"_s, u"v"_s, u"w"_s}, {}}}};
    QTest::newRow("pairs with explanations")
        << Quiz{{},
                2,
                {u"Година"_s, u"Събитие"_s, {}},
                u"обяснение"_s,
                {{{u"681"_s, u"Основаване"_s, {}}, u"Хан Аспарух"_s},
                 {{u"864"_s, u"Покръстване"_s, {}}, {}}}};
    QTest::newRow("a first caption that begins like markup")
        << Quiz{{},
                2,
                {u"<?xml версия"_s, u"<kvtml"_s, {}},
                {},
                {{{u"а"_s, u"a"_s, {}}, {}}, {{u"б"_s, u"b"_s, {}}, {}}}};
    QTest::newRow("pairs without explanations")
        << Quiz{{},
                2,
                {u"Дума"_s, u"Превод"_s, {}},
                {},
                {{{u"а"_s, u"a"_s, {}}, {}}, {{u"б"_s, u"b"_s, {}}, {}}}};
}

void QuizFileTest::roundTrip() {
    QFETCH(Quiz, quiz);
    const QuizFileResult result = quizfile::parseQuiz(quizfile::writeQuiz(quiz), u"x.csv"_s);
    if (const auto *error = std::get_if<QuizFileError>(&result))
        QFAIL(qPrintable(error->text()));
    Quiz read = std::get<Quiz>(result);
    if (quiz.title.isEmpty()) // an untitled quiz takes the file's name
        read.title = quiz.title;
    QVERIFY(read == quiz);
}

void QuizFileTest::writtenAsSpreadsheetsExpect_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("plain") << u"Кана - битка"_s << "Кана - битка"_ba;
    // Spreadsheets may trim blanks that are not inside quotes.
    QTest::newRow("trailing blank") << u"Наполеон I "_s << "\"Наполеон I \""_ba;
    QTest::newRow("leading blank") << u" Наполеон"_s << "\" Наполеон\""_ba;
    QTest::newRow("separator") << u"а; б"_s << "\"а; б\""_ba;
    QTest::newRow("quote") << u"\"Тютюн\""_s << "\"\"\"Тютюн\"\"\""_ba;
    // A spreadsheet told to split on tabs as well would split the value.
    QTest::newRow("tab") << u"а\tб"_s << "\"а\tб\""_ba;
}

// UTF-8 with a byte-order mark, ';' and CR LF: what Excel on Windows opens as a table.
void QuizFileTest::writtenAsSpreadsheetsExpect() {
    QFETCH(QString, value);
    QFETCH(QByteArray, field);
    const Quiz quiz{{}, 3, {u"А"_s, u"Б"_s, u"В"_s}, u"Г"_s, {{{u"x"_s, value, u"z"_s}, u"e"_s}}};
    QCOMPARE(quizfile::writeQuiz(quiz), "\xEF\xBB\xBF"
                                        "А;Б;В;Г\r\nx;"_ba +
                                            field + ";z;e\r\n");
}

// Files that cannot be read give an error that names them; a huge one is refused by its size.
void QuizFileTest::unreadableFiles() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(u"Папка.csv"_s));
    QFile large(dir.filePath(u"Голям.csv"_s));
    QVERIFY(large.open(QIODevice::WriteOnly));
    QVERIFY(large.resize(quizfile::maxQuizFileBytes + 1)); // sparse
    large.close();
    const std::pair<QString, QString> cases[] = {{u"Няма.csv"_s, u"не съществува"_s},
                                                 {u"Папка.csv"_s, u"папка"_s},
                                                 {u"Голям.csv"_s, u"твърде голям"_s}};
    for (const auto &[name, fragment] : cases) {
        const QuizFileResult result = quizfile::readQuizFile(dir.filePath(name));
        const auto *error = std::get_if<QuizFileError>(&result);
        QVERIFY2(error && error->fileName == name && error->message.contains(fragment),
                 qPrintable(name));
    }
}

// Every sample quiz that ships opens, and the writers' one has its explanations.
void QuizFileTest::examplesOpen() {
    const QDir examples(QStringLiteral(VALTESSA_EXAMPLES_DIR));
    const QStringList files = examples.entryList({u"*.csv"_s}, QDir::Files);
    QVERIFY(files.contains(u"Български писатели.csv"_s));
    for (const QString &name : files) {
        const QuizFileResult result = quizfile::readQuizFile(examples.filePath(name));
        if (const auto *error = std::get_if<QuizFileError>(&result))
            QFAIL(qPrintable(error->text()));
        const Quiz &quiz = std::get<Quiz>(result);
        QCOMPARE(quiz.title, QFileInfo(name).completeBaseName());
        QVERIFY(!quiz.explanationCaption.isEmpty());
        for (const QuizRow &row : quiz.rows)
            QVERIFY2(!row.explanation.isEmpty(), qPrintable(row.answers[0]));
    }
}

// Our own table of the code page against the converter Debian's Qt has, byte for byte.
void QuizFileTest::windows1251AsIcuReadsIt() {
    QStringDecoder icu("windows-1251");
    if (!icu.isValid())
        QSKIP("this Qt has no Windows-1251 converter to compare with");
    QByteArray everyByte(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        everyByte[i] = char(i);
    const QString expected = icu.decode(everyByte);
    const QString actual = quizfile::decodeWindows1251(everyByte);
    QCOMPARE(actual.size(), 256);
    for (int i = 0; i < 256; ++i)
        QVERIFY2(actual[i] == expected[i], qPrintable(QString::number(i, 16)));
}

QTEST_GUILESS_MAIN(QuizFileTest)
#include "tst_quizfile.moc"
