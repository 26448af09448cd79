#include "content/quiz.h"
#include "expectedorder.h"
#include "worksheet/pagelayout.h"
#include "worksheet/printing.h"
#include "worksheet/sheet.h"

#include <QTest>

#include <cmath>

using namespace Qt::Literals::StringLiterals;
using worksheet::Page;
using worksheet::PlacedText;
using worksheet::TextStyle;

namespace {

// Metrics easy to reckon with: every character a unit wide, every line ten units high (titles
// twenty), a point one unit.
class FixedTypesetter final : public worksheet::Typesetter {
public:
    int lineCount(const QString &text, TextStyle, qreal width) const override {
        return std::max(1, int(std::ceil(qreal(text.size()) / std::max(1.0, std::floor(width)))));
    }
    qreal lineSpacing(TextStyle style) const override {
        return style == TextStyle::Title ? 20 : 10;
    }
    qreal textWidth(const QString &text, TextStyle) const override { return qreal(text.size()); }
    qreal point() const override { return 1; }
};

// Rows of entries `length` characters long, each entry and explanation different.
content::Quiz quizOf(int rows, int answerCount, int length) {
    content::Quiz quiz{u"Проба"_s, answerCount, {u"Първи"_s, u"Втори"_s, u"Трети"_s}, {}, {}};
    for (int row = 0; row < rows; ++row) {
        content::QuizRow quizRow;
        for (int column = 0; column < answerCount; ++column)
            quizRow.answers[std::size_t(column)] =
                QString::number(column * 100000 + row).rightJustified(length, u'я');
        quizRow.explanation = u"Обяснение "_s + QString::number(row);
        quiz.rows.push_back(quizRow);
    }
    return quiz;
}

} // namespace

class TestWorksheet : public QObject {
    Q_OBJECT

private slots:
    void letters_data();
    void letters();
    void sheet_data();
    void sheet();
    void pages_data();
    void pages();
};

void TestWorksheet::letters_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("letters");
    QTest::newRow("Й left out") << 9 << u"К"_s;
    QTest::newRow("Ъ and Ь left out") << 25 << u"Ю"_s;
    QTest::newRow("Я, the 27th") << 26 << u"Я"_s;
    QTest::newRow("after Я") << 27 << u"АА"_s;
    QTest::newRow("last of two") << 27 + 27 * 27 - 1 << u"ЯЯ"_s;
    QTest::newRow("first of three") << 27 + 27 * 27 << u"ААА"_s;
}

void TestWorksheet::letters() {
    QFETCH(int, index);
    QFETCH(QString, letters);
    QCOMPARE(worksheet::letters(index), letters);
}

void TestWorksheet::sheet_data() {
    QTest::addColumn<content::Quiz>("quiz");
    QTest::addColumn<QStringList>("numbered");
    QTest::addColumn<QList<QStringList>>("lettered");
    QTest::addColumn<QStringList>("key");
    QTest::addColumn<bool>("sharedLetters");
    QTest::newRow("the battles, in the window's order")
        << content::builtInQuiz() << quiztest::expectedPlaces
        << QList<QStringList>{quiztest::expectedWinners, quiztest::expectedDefeated}
        << QStringList{u"Ажинкур - битка — Н) Хенри V; Р) Шарл VI"_s,
                       u"Ватерло - битка — В) Артър Уелсли, херцог на Уелингтън; Д) Наполеон I"_s}
        << false;
    content::Quiz pairs{u"Думи"_s, 2, {u"Дума"_s, u"Значение"_s}, {}, {}};
    for (const auto &[word, meaning] :
         {std::pair{u"мирен"_s, u"тих"_s}, {u"вежлив"_s, u"учтив"_s}, {u"кротък"_s, u"тих"_s}})
        pairs.rows.push_back({{word, meaning}, {}});
    QTest::newRow("pairs: a meaning in two rows is one entry")
        << pairs << QStringList{u"вежлив"_s, u"кротък"_s, u"мирен"_s}
        << QList<QStringList>{{u"тих"_s, u"учтив"_s}}
        << QStringList{u"вежлив — Б) учтив"_s, u"кротък — А) тих"_s, u"мирен — А) тих"_s} << true;
}

void TestWorksheet::sheet() {
    QFETCH(content::Quiz, quiz);
    QFETCH(QStringList, numbered);
    QFETCH(QList<QStringList>, lettered);
    QFETCH(QStringList, key);
    QFETCH(bool, sharedLetters);
    const worksheet::Sheet sheet(quiz);
    QCOMPARE(sheet.rowCount(), numbered.size());
    for (int position = 0; position < sheet.rowCount(); ++position)
        QCOMPARE(sheet.numberedEntry(position), numbered[position]);
    QCOMPARE(qsizetype(sheet.letteredLists().size()), lettered.size());
    for (std::size_t list = 0; list < sheet.letteredLists().size(); ++list)
        QCOMPARE(sheet.letteredLists()[list].entries, lettered[qsizetype(list)]);
    for (int position = 0; position < key.size(); ++position)
        QCOMPARE(sheet.keyLine(position), key[position]);
    QCOMPARE(sheet.instructions().contains(u"една буква може"_s), sharedLetters);
}

void TestWorksheet::pages_data() {
    QTest::addColumn<content::Quiz>("quiz");
    QTest::addColumn<int>("pupilPages");
    QTest::newRow("the battles on one page") << content::builtInQuiz() << 1;
    QTest::newRow("16 pairs on one page") << quizOf(16, 2, 30) << 1;
    QTest::newRow("120 rows of long entries go on over pages") << quizOf(120, 3, 400) << 9;
    content::Quiz longEntry = quizOf(40, 3, 30);
    longEntry.rows[7].answers[0] = QString(100000, u'ж');
    QTest::newRow("an entry longer than a page") << longEntry << 6;
}

void TestWorksheet::pages() {
    QFETCH(content::Quiz, quiz);
    const qreal pageHeight = 760;
    QFETCH(int, pupilPages);
    const worksheet::Sheet sheet(quiz);
    const FixedTypesetter typesetter;
    std::vector<Page> pages;
    worksheet::layOutPages(sheet, typesetter, QSizeF(480, pageHeight),
                           [&pages](const Page &page) { pages.push_back(page); });

    QVERIFY(int(pages.size()) > pupilPages);
    for (std::size_t index = 0; index < pages.size(); ++index) {
        const Page &page = pages[index];
        QCOMPARE(page.number, int(index) + 1);
        QCOMPARE(page.texts.back().text, QString::number(page.number));
        for (const PlacedText &text : page.texts)
            QVERIFY(text.box.bottom() <= pageHeight + 1e-9);
        // A list that goes on over a page break has its caption again at the top.
        if (index > 0 && int(index) < pupilPages)
            QCOMPARE(page.texts.front().style, TextStyle::Heading);
    }
    QCOMPARE(pages[std::size_t(pupilPages)].texts.front().text, u"Отговори — "_s + quiz.title);

    // Where each text is on the pupil's pages and on the key's.
    QMultiHash<QString, std::pair<int, const PlacedText *>> placed;
    for (const Page &page : pages)
        for (const PlacedText &text : page.texts)
            placed.insert(text.text, {page.number, &text});
    // Every entry whole on one of the pupil's pages, unless it is taller than a page: then its
    // lines go on from page to page in order.
    const auto checkEntry = [&](const QString &entry) {
        auto found = placed.values(entry);
        QVERIFY2(!found.isEmpty(), qPrintable(entry));
        std::sort(found.begin(), found.end());
        const int lines =
            typesetter.lineCount(entry, TextStyle::Body, found[0].second->box.width());
        QVERIFY(found.size() == 1 || lines * 10 > pageHeight);
        int nextLine = 0;
        for (qsizetype fragment = 0; fragment < found.size(); ++fragment) {
            QCOMPARE(found[fragment].first, found[0].first + int(fragment));
            QCOMPARE(found[fragment].second->firstLine, nextLine);
            nextLine += found[fragment].second->lineCount;
        }
        QCOMPARE(nextLine, lines);
        QVERIFY(found[0].first <= pupilPages);
    };
    for (int position = 0; position < sheet.rowCount(); ++position) {
        checkEntry(sheet.numberedEntry(position));
        const auto inKey = placed.values(sheet.keyLine(position));
        QVERIFY(!inKey.isEmpty() && inKey.constFirst().first > pupilPages);
    }
    for (const worksheet::LetteredList &list : sheet.letteredLists())
        for (const QString &entry : list.entries)
            checkEntry(entry);
}

QTEST_MAIN(TestWorksheet)
#include "tst_worksheet.moc"
