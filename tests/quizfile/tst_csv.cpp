#include "readercases.h"

#include "quizfile/decoding.h"
#include "quizfile/quizwriter.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

using namespace readercases;

namespace {

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

} // namespace

// Delimited text: CSV and TSV files as spreadsheets and text editors write them, and the writer.
class TestCsv : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parseBytes_data();
    void parseBytes();
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

void TestCsv::parse_data() {
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

void TestCsv::parse() {
    QFETCH(QByteArray, bytes);
    QFETCH(Expected, expected);
    checkResult(quizfile::parseQuiz(bytes, u"/някъде/Тест.csv"_s), expected);
}

void TestCsv::parseBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Expected>("expected");
    for (const auto &[name, data] : rawCases())
        QTest::newRow(name) << data.first << data.second;
}

void TestCsv::parseBytes() {
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

void TestCsv::errorText_data() {
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

void TestCsv::errorText() {
    QFETCH(QuizFileError, error);
    QFETCH(QString, text);
    QCOMPARE(error.text(), text);
}

void TestCsv::roundTrip_data() {
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

void TestCsv::roundTrip() {
    QFETCH(Quiz, quiz);
    const QuizFileResult result = quizfile::parseQuiz(quizfile::writeQuiz(quiz), u"x.csv"_s);
    if (const auto *error = std::get_if<QuizFileError>(&result))
        QFAIL(qPrintable(error->text()));
    Quiz read = std::get<Quiz>(result);
    if (quiz.title.isEmpty()) // an untitled quiz takes the file's name
        read.title = quiz.title;
    QVERIFY(read == quiz);
}

void TestCsv::writtenAsSpreadsheetsExpect_data() {
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
void TestCsv::writtenAsSpreadsheetsExpect() {
    QFETCH(QString, value);
    QFETCH(QByteArray, field);
    const Quiz quiz{{}, 3, {u"А"_s, u"Б"_s, u"В"_s}, u"Г"_s, {{{u"x"_s, value, u"z"_s}, u"e"_s}}};
    QCOMPARE(quizfile::writeQuiz(quiz), "\xEF\xBB\xBF"
                                        "А;Б;В;Г\r\nx;"_ba +
                                            field + ";z;e\r\n");
}

// Files that cannot be read give an error that names them; a huge one is refused by its size.
void TestCsv::unreadableFiles() {
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
void TestCsv::examplesOpen() {
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
void TestCsv::windows1251AsIcuReadsIt() {
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

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
