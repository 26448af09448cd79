#include "content/battletable.h"
#include "content/bulgarian.h"
#include "content/values.h"

#include <QCryptographicHash>

#include <QSet>
#include <QStringList>
#include <QTest>

#include <iconv.h>

#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// What the document fixes for each row, written out independently of the table under test.
struct ExpectedRow {
    const char *tag;
    QString place;
    QString winner;
    QString defeated;
    bool trailingBlank;
    // Facts the explanation has to name; the wording around them is free.
    QStringList facts;
};

const std::vector<ExpectedRow> &expectedRows() {
    static const std::vector<ExpectedRow> rows = {
        {"row 1 Ажинкур",
         u"Ажинкур - битка"_s,
         u"Хенри V"_s,
         u"Шарл VI"_s,
         false,
         {u"25 октомври 1415"_s, u"Троа (1420)"_s, u"регент и наследник"_s, u"Катерина Валоа"_s,
          u"Шарл VI"_s}},
        {"row 2 Ватерло",
         u"Ватерло - битка"_s,
         u"Артър Уелсли, херцог на Уелингтън"_s,
         u"Наполеон I "_s,
         false,
         {u"18 юни 1815"_s, u"март 1815"_s, u"Елба"_s, u"„100 дни“"_s, u"херцог на Уелингтън"_s,
          u"Гебхард фон Блюхер"_s}},
        {"row 3 Гавгамела",
         u"Гавгамела - битка "_s,
         u"Александър Македонски"_s,
         u"Дарий III "_s,
         false,
         {u"1 октомври 331 г. пр.н.е."_s, u"Арбела"_s, u"Ирак"_s}},
        {"row 4 Кана",
         u"Кана - битка "_s,
         u"Ханибал"_s,
         u"Теренций Варон"_s,
         false,
         {u"2 август 216 г. пр.н.е."_s, u"Апулия"_s, u"Втората пуническа война"_s, u"25 000"_s,
          u"60 000 римляни"_s, u"6 000 картагенци и келти"_s}},
        {"row 5 Кандия",
         u"Кандия - обсада"_s,
         u"Фезил Ахмед Кьопрюлю паша"_s,
         u"Франческо Моросини"_s,
         false,
         {u"Кандийското херцогство"_s, u"Венецианската република"_s, u"Ираклион"_s, u"1571"_s,
          u"Критската война (1645-1669)"_s, u"от 1648 до 1669"_s}},
        {"row 6 Константинопол",
         u"Константинопол - обсада"_s,
         u"Мехмед II"_s,
         u"Константин XI Палеолог "_s,
         true,
         {u"5 април 1453"_s, u"160 000"_s, u"Константин XI Палеолог"_s, u"Драгаш"_s, u"7 500"_s,
          u"По някои оценки"_s, u"чужденци"_s}},
        {"row 7 Орлеан",
         u"Орлеан - обсада"_s,
         // U+2019, not the ASCII apostrophe: the value must stay in Windows-1251 as byte 0x92.
         u"Жан дьо Ноа, Жана Д\u2019Арк"_s,
         u"Томас Монтакю граф Солзбъри"_s,
         false,
         {u"Гиен и Аквитания"_s, u"29 април 1429"_s, u"4 май"_s, u"Сен-Лу"_s, u"8 май"_s}},
        {"row 8 Поатие",
         u"Поатие - битка "_s,
         u"Карл Мартел"_s,
         u"Абд ал Рахман"_s,
         false,
         {u"Омаядския халифат"_s, u"на север от Пиренеите"_s, u"Каролингите"_s,
          u"Западна Европа"_s}},
        {"row 9 Рим",
         u"Рим - вандалско разграбване"_s,
         u"Гейзерик"_s,
         u"Петроний Максим"_s,
         false,
         {u"май 455"_s, u"Петроний Максим"_s, u"папа Лъв I"_s}},
        {"row 10 Севастопол",
         u"Севастопол - обсада"_s,
         u"Жан Жак Пелисие"_s,
         u"Павел Нахимов"_s,
         false,
         {u"1854-1855"_s, u"Кримската война"_s, u"Парижкия мир"_s}},
        {"row 11 Сталинград",
         u"Сталинград - обсада"_s,
         u"Георги Жуков"_s,
         u"Фридрих Паулус"_s,
         false,
         {u"Волгоград"_s, u"юли 1942"_s, u"февруари 1943"_s, u"СССР"_s}},
        {"row 12 Термопили",
         u"Термопили - битка "_s,
         u"Леонид"_s,
         u"Ксеркс"_s,
         true,
         {u"август или септември 480 г. пр.н.е."_s, u"първата голяма сухопътна битка"_s,
          u"Ксеркс превзема прохода"_s, u"Леонид"_s, u"морална победа"_s}},
        {"row 13 Трафалгар",
         u"Трафалгар"_s,
         u"Хорацио Нелсън"_s,
         u"Пиер-Шарл Вилньов "_s,
         true,
         {u"21 октомври 1805"_s, u"нос Трафалгар"_s, u"Кадис"_s}},
        {"row 14 Фарсала",
         u"Фарсала - битка "_s,
         u"Юлий Цезар"_s,
         u"Помпей"_s,
         false,
         {u"60 г. пр.н.е."_s, u"Първи триумвират"_s, u"53 г. пр.н.е."_s}},
        {"row 15 Хейстингс",
         u"Хейстингс - битка "_s,
         u"херцог Уилям Завоевателя"_s,
         u"Харолд II Годуинсън"_s,
         false,
         {u"1066"_s, u"норманските"_s, u"англосаксонския"_s}},
        {"row 16 Чудското езеро",
         u"Чудското езеро - битка "_s,
         u"Александър Невски"_s,
         u"Херман фон Дорпат"_s,
         false,
         {u"5 април 1242"_s, u"новгородците"_s, u"Александър Невски"_s, u"Ливонския"_s, u"Одрин"_s,
          u"Четвъртия кръстоносен поход"_s, u"Балдуин Фландърски"_s, u"Калоян"_s}},
    };
    return rows;
}

// glibc's iconv without //TRANSLIT refuses a character the target code page lacks, which is
// exactly the question: would this text survive being stored one byte per character?
class Windows1251Encoder {
public:
    Windows1251Encoder()
        : m_cd(iconv_open("WINDOWS-1251", "UTF-8")) {}
    ~Windows1251Encoder() {
        if (isValid())
            iconv_close(m_cd);
    }
    Windows1251Encoder(const Windows1251Encoder &) = delete;
    Windows1251Encoder &operator=(const Windows1251Encoder &) = delete;

    // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open's documented failure value
    bool isValid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    std::optional<QByteArray> encode(QStringView text) const {
        QByteArray in = text.toUtf8();
        // A single-byte code page never needs more room than UTF-8.
        QByteArray out(in.size() + 1, '\0');
        char *inPtr = in.data();
        size_t inLeft = size_t(in.size());
        char *outPtr = out.data();
        size_t outLeft = size_t(out.size());
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        const size_t result = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
        // A non-zero count means an inexact substitution, which is as bad as a refusal.
        if (result != 0 || inLeft != 0)
            return std::nullopt;
        out.truncate(out.size() - qsizetype(outLeft));
        return out;
    }

private:
    iconv_t m_cd;
};

const char *columnName(int column) {
    static const char *const names[] = {"place", "winner", "defeated", "explanation"};
    return names[column];
}

QStringView columnValue(const content::BattleRow &row, int column) {
    switch (column) {
    case 0:
        return row.place;
    case 1:
        return row.winner;
    case 2:
        return row.defeated;
    default:
        return row.explanation;
    }
}

QStringList introLines() {
    return content::introText.toString().split(u"\r\n"_s);
}

} // namespace

class TestContent : public QObject {
    Q_OBJECT
    Windows1251Encoder m_encoder;

private slots:
    void initTestCase();

    void answers_data();
    void answers();
    void answerColumnsAreDistinct();

    void explanation_data();
    void explanation();
    void introLineEnds();
    void textsAsReviewed();

    void encoderRejectsWhatWindows1251Lacks();
    void windows1251_data();
    void windows1251();
    void blanks_data();
    void blanks();

    void counted_data();
    void counted();
    void joinedList_data();
    void joinedList();
    void entryOrder_data();
    void entryOrder();
};

void TestContent::initTestCase() {
    QCOMPARE(content::battleTable.size(), expectedRows().size());
    QVERIFY2(m_encoder.isValid(), "iconv cannot convert from UTF-8 to WINDOWS-1251");
}

void TestContent::answers_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("winner");
    QTest::addColumn<QString>("defeated");
    const auto &rows = expectedRows();
    for (int i = 0; i < int(rows.size()); ++i)
        QTest::newRow(rows[i].tag) << i << rows[i].place << rows[i].winner << rows[i].defeated;
}

// Exact values, trailing blanks included: the stored order and every answer the pupil can pick.
void TestContent::answers() {
    QFETCH(int, row);
    QFETCH(QString, place);
    QFETCH(QString, winner);
    QFETCH(QString, defeated);
    const content::BattleRow &actual = content::battleTable[size_t(row)];
    QCOMPARE(actual.place.toString(), place);
    QCOMPARE(actual.winner.toString(), winner);
    QCOMPARE(actual.defeated.toString(), defeated);
}

// A triple of answers may match one row only, so no column may repeat a value.
void TestContent::answerColumnsAreDistinct() {
    for (int column = 0; column < 3; ++column) {
        QSet<QString> values;
        for (const content::BattleRow &row : content::battleTable)
            values.insert(columnValue(row, column).toString());
        QVERIFY2(values.size() == content::battleCount, columnName(column));
    }
}

void TestContent::explanation_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("trailingBlank");
    QTest::addColumn<QStringList>("facts");
    const auto &rows = expectedRows();
    for (int i = 0; i < int(rows.size()); ++i)
        QTest::newRow(rows[i].tag) << i << rows[i].trailingBlank << rows[i].facts;
}

void TestContent::explanation() {
    QFETCH(int, row);
    QFETCH(bool, trailingBlank);
    QFETCH(QStringList, facts);
    const QStringView text = content::battleTable[size_t(row)].explanation;

    // One paragraph: the information box would otherwise break it into lines.
    QVERIFY(!text.contains(u'\n'));
    QVERIFY(!text.contains(u'\r'));
    QCOMPARE(text.endsWith(u' '), trailingBlank);
    // Ends on a whole sentence, so a cut-off text shows.
    QVERIFY(text.trimmed().endsWith(u'.'));
    // A dash between words is the typographic one, which Windows-1251 also has.
    QVERIFY2(!text.contains(u" - "), "a hyphen stands for a dash");
    for (const QString &fact : facts)
        QVERIFY2(text.contains(fact), qPrintable(fact));
}

void TestContent::introLineEnds() {
    const QStringView text = content::introText;
    QVERIFY(text.endsWith(u"\r\n"));
    QCOMPARE(text.count(u"\r\n"), 6);
    // No bare CR or LF besides the six pairs.
    QCOMPARE(text.count(u'\r'), 6);
    QCOMPARE(text.count(u'\n'), 6);
    const QStringList lines = introLines();
    QCOMPARE(lines.size(), 7);
    QVERIFY(lines.last().isEmpty());
}

// The one guard of the texts as reviewed (content/SOURCES.md) against an accidental edit: a
// deliberate one updates the digest with the review.
void TestContent::textsAsReviewed() {
    QCryptographicHash digest(QCryptographicHash::Sha256);
    for (const content::BattleRow &row : content::battleTable)
        for (int column = 0; column < 4; ++column)
            digest.addData((columnValue(row, column).toString() + u'\0').toUtf8());
    digest.addData(content::introText.toUtf8());
    QCOMPARE(digest.result().toHex(),
             QByteArray("c5bce0de8a01816856df0c09246efc0766f36770659d4585d1688093afa52887"));
}

// The check below is only worth something if the converter really refuses.
void TestContent::encoderRejectsWhatWindows1251Lacks() {
    QCOMPARE(m_encoder.encode(u"Жана Д\u2019Арк").value_or(QByteArray()),
             QByteArray("\xc6\xe0\xed\xe0 \xc4\x92\xc0\xf0\xea"));
    // U+045D, Bulgarian и with grave accent, is missing from the code page, as are Latin letters
    // with diacritics.
    QVERIFY(!m_encoder.encode(u"в\u045D").has_value());
    QVERIFY(!m_encoder.encode(u"Bl\u00fccher").has_value());
}

void TestContent::windows1251_data() {
    QTest::addColumn<QString>("text");
    for (size_t i = 0; i < content::battleTable.size(); ++i) {
        for (int column = 0; column < 4; ++column) {
            QTest::addRow("row %d %s", int(i + 1), columnName(column))
                << columnValue(content::battleTable[i], column).toString();
        }
    }
    QTest::newRow("intro") << content::introText.toString();
}

void TestContent::windows1251() {
    QFETCH(QString, text);
    const std::optional<QByteArray> bytes = m_encoder.encode(text);
    QVERIFY2(bytes.has_value(), "has a character that Windows-1251 lacks");
    // One byte per character, so the lengths in characters are the stored lengths.
    QCOMPARE(bytes->size(), text.size());
}

void TestContent::blanks_data() {
    windows1251_data();
}

// Catches slips where the text is joined from pieces: doubled or leading blanks, stray tabs.
void TestContent::blanks() {
    QFETCH(QString, text);
    QVERIFY(!text.startsWith(u' '));
    QVERIFY(!text.contains(u"  "));
    QVERIFY(!text.contains(u'\t'));
}

void TestContent::counted_data() {
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << qint64(1) << u"1 ред"_s;
    QTest::newRow("2") << qint64(2) << u"2 реда"_s;
    QTest::newRow("11") << qint64(11) << u"11 реда"_s;
    QTest::newRow("21: двадесет и един") << qint64(21) << u"21 ред"_s;
    QTest::newRow("101") << qint64(101) << u"101 ред"_s;
    QTest::newRow("111") << qint64(111) << u"111 реда"_s;
    QTest::newRow("0") << qint64(0) << u"0 реда"_s;
}

void TestContent::counted() {
    QFETCH(qint64, count);
    QFETCH(QString, text);
    QCOMPARE(content::counted(count, u"ред"_s, u"реда"_s), text);
}

void TestContent::joinedList_data() {
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QStringList{} << QString();
    QTest::newRow("one") << QStringList{u"А"_s} << u"А"_s;
    QTest::newRow("two") << QStringList{u"А"_s, u"Б"_s} << u"А и Б"_s;
    QTest::newRow("three, one holding „и“")
        << QStringList{u"А"_s, u"Б и В"_s, u"Г"_s} << u"А, Б и В и Г"_s;
}

void TestContent::joinedList() {
    QFETCH(QStringList, items);
    QFETCH(QString, text);
    QCOMPARE(content::joinedList(items), text);
}

// The order of the answer lists: words by the alphabet, dates, times and numbers by their value.
void TestContent::entryOrder_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("sorted");
    QTest::addColumn<content::ValueKind>("kind"); // of the first sorted entry
    using content::ValueKind;
    QTest::newRow("dates, not by their day")
        << QStringList{u"16.04.1879"_s, u"02.06.1876"_s, u"06.09.1885"_s, u"03.03.1878"_s}
        << QStringList{u"02.06.1876"_s, u"03.03.1878"_s, u"16.04.1879"_s, u"06.09.1885"_s}
        << ValueKind::Date;
    QTest::newRow("years among dates, a year before its dates")
        << QStringList{u"1878"_s, u"20.04.1876 г."_s, u"1876"_s, u"1.3.1877"_s}
        << QStringList{u"1876"_s, u"20.04.1876 г."_s, u"1.3.1877"_s, u"1878"_s}
        << ValueKind::Number;
    QTest::newRow("month names and ISO dates")
        << QStringList{u"6 септември 1885"_s, u"1876-04-20"_s, u"20 април 1876 г."_s}
        << QStringList{u"1876-04-20"_s, u"20 април 1876 г."_s, u"6 септември 1885"_s}
        << ValueKind::Date;
    QTest::newRow("decimals and thousands")
        << QStringList{u"3,5"_s, u"10"_s, u"3,25"_s, u"1\u00A0234"_s, u"2"_s}
        << QStringList{u"2"_s, u"3,25"_s, u"3,5"_s, u"10"_s, u"1\u00A0234"_s} << ValueKind::Number;
    QTest::newRow("times") << QStringList{u"13:30"_s, u"9:05"_s, u"36:00:00"_s}
                           << QStringList{u"9:05"_s, u"13:30"_s, u"36:00:00"_s} << ValueKind::Time;
    QTest::newRow("words, whatever their case")
        << QStringList{u"Ватерло"_s, u"ажинкур"_s, u"681 г."_s}
        << QStringList{u"681 г."_s, u"ажинкур"_s, u"Ватерло"_s} << ValueKind::Text;
}

void TestContent::entryOrder() {
    QFETCH(QStringList, entries);
    QFETCH(QStringList, sorted);
    QFETCH(content::ValueKind, kind);
    const content::EntryOrder order;
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const QString &a, const QString &b) { return order.compare(a, b) < 0; });
    QCOMPARE(entries, sorted);
    QCOMPARE(content::valueKind(sorted.front()), kind);
}

QTEST_GUILESS_MAIN(TestContent)
#include "tst_content.moc"
