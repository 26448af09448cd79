#include "quizfixture.h"

#include <QSet>
#include <QTest>

using namespace quiztest;

class TestRound : public QObject {
    Q_OBJECT

private slots:
    void tableListsHoldSixteenRowsInStoredOrder();
    void newRoundFillsSortedAnswerLists();
    void eachAnswerColumnHoldsDistinctValues();
    void newRoundStartsWithNoSelectionAndZeroScore();
    void newRoundInMidRoundRestoresEverything();
    void newRoundFollowsThePlaceColumnsCount();
    void newRoundShowsEveryListFromItsFirstEntry();
};

void TestRound::tableListsHoldSixteenRowsInStoredOrder() {
    const auto form = loadedForm();
    for (qint16 column = 0; column < 3; ++column)
        QCOMPARE(form->List2(column).ListCount(), qint16(16));
    QCOMPARE(form->List1(3).ListCount(), qint16(16));
    for (int row = 0; row < tableRows().size(); ++row) {
        QCOMPARE(form->List2(0).List(row), tableRows()[row].place);
        QCOMPARE(form->List2(1).List(row), tableRows()[row].winner);
        QCOMPARE(form->List2(2).List(row), tableRows()[row].defeated);
    }
}

// Run under several LC_ALL settings by CTest: the order must not depend on them.
void TestRound::newRoundFillsSortedAnswerLists() {
    const auto form = loadedForm();
    QCOMPARE(items(form->List1(0)), expectedPlaces);
    QCOMPARE(items(form->List1(1)), expectedWinners);
    QCOMPARE(items(form->List1(2)), expectedDefeated);
}

void TestRound::eachAnswerColumnHoldsDistinctValues() {
    const auto form = loadedForm();
    for (qint16 list = 0; list < 3; ++list) {
        const QStringList entries = items(form->List1(list));
        QCOMPARE(QSet<QString>(entries.begin(), entries.end()).size(), 16);
    }
}

void TestRound::newRoundStartsWithNoSelectionAndZeroScore() {
    const auto form = loadedForm();
    for (qint16 list = 0; list < 3; ++list)
        QCOMPARE(form->List1(list).ListIndex(), -1);
    QCOMPARE(correctShown(*form), u"0"_s);
    QCOMPARE(wrongShown(*form), u"0"_s);
}

void TestRound::newRoundInMidRoundRestoresEverything() {
    const auto form = loadedForm();
    // Two matches, one wrong answer, then a fresh selection left standing.
    for (int row : {12, 0}) {
        chooseTriple(*form, tableRows()[row].place, tableRows()[row].winner,
                     tableRows()[row].defeated);
        form->Command1_Click(0);
    }
    chooseTriple(*form, tableRows()[1].place, tableRows()[2].winner, tableRows()[3].defeated);
    form->Command1_Click(0);
    QCOMPARE(correctShown(*form), u"2"_s);
    QCOMPARE(wrongShown(*form), u"1"_s);
    QCOMPARE(form->List1(0).ListCount(), qint16(14));
    const QString boxText = form->Text1(0).Text();

    form->Command1_Click(1);

    QCOMPARE(items(form->List1(0)), expectedPlaces);
    QCOMPARE(items(form->List1(1)), expectedWinners);
    QCOMPARE(items(form->List1(2)), expectedDefeated);
    for (qint16 list = 0; list < 3; ++list)
        QCOMPARE(form->List1(list).ListIndex(), -1);
    QCOMPARE(correctShown(*form), u"0"_s);
    QCOMPARE(wrongShown(*form), u"0"_s);
    QCOMPARE(form->Text1(0).Text(), boxText);
}

// n is read from the place column once; the other columns are read at the same rows.
void TestRound::newRoundFollowsThePlaceColumnsCount() {
    const auto form = loadedForm();
    form->List2(0).RemoveItem(15);
    form->List2(0).RemoveItem(14);
    form->Command1_Click(1);
    QCOMPARE(form->List1(0).ListCount(), qint16(14));
    QCOMPARE(form->List1(1).ListCount(), qint16(14));
    QCOMPARE(form->List1(2).ListCount(), qint16(14));
    QVERIFY(!items(form->List1(1)).contains(tableRows()[15].winner));
    QVERIFY(!items(form->List1(2)).contains(tableRows()[14].defeated));
}

// Scrolled to their ends in the last round, the lists of a new one show their first entries, as a
// list cleared and filled again does.
void TestRound::newRoundShowsEveryListFromItsFirstEntry() {
    const auto form = shownForm();
    const auto firstShown = [](forms::ListBox &list) { return list.indexAt({1, 1}).row(); };
    for (qint16 list = 0; list < 3; ++list) {
        form->List1(list).scrollToBottom();
        QTRY_VERIFY(firstShown(form->List1(list)) > 0);
    }
    form->Command1_Click(1);
    for (qint16 list = 0; list < 3; ++list)
        QTRY_COMPARE(firstShown(form->List1(list)), 0);
}

QTEST_MAIN(TestRound)
#include "tst_round.moc"
