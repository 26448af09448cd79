// A click carries a 16-bit index. Only 0 (check) and 1 (new round) have a procedure; every other
// one of the 65 536 values must leave everything the window shows exactly as it was.

#include "quizfixture.h"

#include <QScrollBar>
#include <QTest>

#include <array>

using namespace quiztest;

namespace {

// Everything the pupil can see or reach in the window.
struct Shown {
    std::array<QStringList, 3> answers;
    std::array<int, 3> selected{};
    std::array<int, 3> current{};
    std::array<int, 4> tableCounts{};
    QStringList labels;
    QString information;
    QString informationShown;
    int informationScroll = 0;
    QStringList buttons;
    bool ended = false;

    bool operator==(const Shown &) const = default;
};

Shown shown(const quiz::QuizForm &form) {
    Shown s;
    for (qint16 list = 0; list < 3; ++list) {
        s.answers[std::size_t(list)] = items(form.List1(list));
        s.selected[std::size_t(list)] = form.List1(list).ListIndex();
        s.current[std::size_t(list)] = form.List1(list).currentRow();
    }
    for (qint16 column = 0; column < 3; ++column)
        s.tableCounts[std::size_t(column)] = form.List2(column).ListCount();
    s.tableCounts[3] = form.List1(3).ListCount();
    for (qint16 i = 0; i < form.Label1.size(); ++i)
        s.labels << form.Label1(i).Caption();
    for (qint16 i = 0; i < form.Label2.size(); ++i)
        s.labels << form.Label2(i).Caption() << form.Label2(i).accessibleName();
    s.information = form.Text1(0).Text();
    s.informationShown = form.Text1(0).toPlainText();
    s.informationScroll = form.Text1(0).verticalScrollBar()->value();
    for (qint16 i = 0; i < form.Command1.size(); ++i)
        s.buttons << form.Command1(i).text() << QString::number(form.Command1(i).isEnabled());
    s.ended = form.hasEnded();
    return s;
}

} // namespace

class TestClickIndices : public QObject {
    Q_OBJECT

private slots:
    void onlyIndicesZeroAndOneAct_data();
    void onlyIndicesZeroAndOneAct();
};

void TestClickIndices::onlyIndicesZeroAndOneAct_data() {
    QTest::addColumn<int>("matchedBefore");
    QTest::addColumn<int>("wrongBefore");
    QTest::addColumn<bool>("rightTriple");
    QTest::addColumn<int>("chosenLists"); // bit n: List1(n) has a choice
    QTest::newRow("fresh round, right triple chosen") << 0 << 0 << true << 0b111;
    QTest::newRow("two matched, one wrong, right triple chosen") << 2 << 1 << true << 0b111;
    QTest::newRow("after wrong answers, wrong triple chosen") << 1 << 3 << false << 0b111;
    QTest::newRow("defeated list without a choice") << 5 << 2 << true << 0b011;
    QTest::newRow("three matched, nothing chosen") << 3 << 0 << true << 0;
    QTest::newRow("all sixteen matched") << 16 << 0 << true << 0;
}

void TestClickIndices::onlyIndicesZeroAndOneAct() {
    QFETCH(int, matchedBefore);
    QFETCH(int, wrongBefore);
    QFETCH(bool, rightTriple);
    QFETCH(int, chosenLists);

    const auto form = loadedForm();
    QStringList errors;
    form->setErrorReporter([&](QWidget *, const QString &message) { errors << message; });
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));

    // Bring the round into the state this row describes, through the window's own procedures.
    // Matches start at row 10 and wrap, so rows 0 to 4 stay in the lists up to ten matches.
    for (int match = 0; match < matchedBefore; ++match) {
        const Triple &t = tableRows()[(10 + match) % 16];
        chooseTriple(*form, t.place, t.winner, t.defeated);
        QVERIFY(form->raiseEvent([&] { form->Command1_Click(0); }));
    }
    for (int press = 0; press < wrongBefore; ++press) {
        chooseTriple(*form, tableRows()[0].place, tableRows()[1].winner, tableRows()[2].defeated);
        QVERIFY(form->raiseEvent([&] { form->Command1_Click(0); }));
    }
    if (chosenLists != 0) {
        const Triple &row4 = tableRows()[4];
        chooseTriple(*form, row4.place, row4.winner,
                     rightTriple ? row4.defeated : tableRows()[3].defeated);
        for (qint16 list = 0; list < 3; ++list)
            if (!(chosenLists & (1 << list)))
                choose(form->List1(list), QString());
    }
    QCoreApplication::processEvents();

    const Shown before = shown(*form);
    QCOMPARE(form->Label2(2).Caption(), QString::number(matchedBefore));
    QCOMPARE(form->Label2(3).Caption(), QString::number(wrongBefore));
    QCOMPARE(form->List1(0).ListCount(), qint16(16 - matchedBefore));

    int clicked = 0;
    for (int index = -32768; index <= 32767; ++index) {
        if (index == 0 || index == 1)
            continue;
        QVERIFY(form->raiseEvent([&] { form->Command1_Click(qint16(index)); }));
        ++clicked;
        if (shown(*form) != before)
            QFAIL(qPrintable(QStringLiteral("Command1_Click(%1) changed the window").arg(index)));
    }
    QCOMPARE(clicked, 65534);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));

    // The comparison is not blind to change: from each of these states 0 counts an answer
    // whenever all three lists have a choice, and 1 starts a new round.
    QVERIFY(form->raiseEvent([&] { form->Command1_Click(0); }));
    QCOMPARE(shown(*form) != before, chosenLists == 0b111);
    QVERIFY(form->raiseEvent([&] { form->Command1_Click(1); }));
    QVERIFY(shown(*form) != before);
}

QTEST_MAIN(TestClickIndices)

#include "tst_clickindices.moc"
