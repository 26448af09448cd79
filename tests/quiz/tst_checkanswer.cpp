#include "quizfixture.h"

#include "content/battletable.h"

#include <QTest>

using namespace quiztest;

class TestCheckAnswer : public QObject {
    Q_OBJECT

private slots:
    void eachRowMatchesItsOwnTriple_data();
    void eachRowMatchesItsOwnTriple();
    void mixedTriplesNeverMatch();
    void unselectedListsChangeNothing_data();
    void unselectedListsChangeNothing();
    void sameWrongTripleCountsAgainAndKeepsSelections();
    void verdictsReplaceEachOther();
    void afterSixteenMatchesPressesChangeNothing();
    void wrongCountGoesOnPastSixteenBits();
    void otherClickIndicesDoNothing();
    void aFoundRowIsNotFoundAgain();
    void missedRowsAreSummedUpAndPractised_data();
    void missedRowsAreSummedUpAndPractised();
    void aPracticeTakesOnlyItsOwnRows();
};

void TestCheckAnswer::eachRowMatchesItsOwnTriple_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("repeatedAtTheEnd");
    for (int row = 0; row < tableRows().size(); ++row)
        QTest::addRow("row %d %s", row + 1, qPrintable(tableRows()[row].place.trimmed()))
            << row << false;
    // Every row that matches shows its explanation in turn: the last one's stays.
    QTest::newRow("row 13 repeated at the end of the table") << 12 << true;
}

void TestCheckAnswer::eachRowMatchesItsOwnTriple() {
    QFETCH(int, row);
    QFETCH(bool, repeatedAtTheEnd);
    const auto form = loadedForm();
    const Triple &triple = tableRows()[row];
    QString explanation = content::battleTable[std::size_t(row)].explanation.toString();
    if (repeatedAtTheEnd) {
        explanation = u"Отново"_s;
        for (auto [list, text] :
             {std::pair{0, triple.place}, {1, triple.winner}, {2, triple.defeated}})
            form->List2(qint16(list)).AddItem(text);
        form->List1(3).AddItem(explanation);
        form->Command1_Click(1); // a new round of the longer table
    }
    chooseTriple(*form, triple.place, triple.winner, triple.defeated);

    form->Command1_Click(0);

    QCOMPARE(form->Text1(0).Text(), explanation);
    QCOMPARE(correctShown(*form), u"1"_s);
    QCOMPARE(wrongShown(*form), u"0"_s);
    // The repeated row's entries are in the lists twice: one of each is left.
    const int left = repeatedAtTheEnd ? 1 : 0;
    QCOMPARE(items(form->List1(0)).count(triple.place), left);
    QCOMPARE(items(form->List1(1)).count(triple.winner), left);
    QCOMPARE(items(form->List1(2)).count(triple.defeated), left);
    for (qint16 list = 0; list < 3; ++list) {
        QCOMPARE(form->List1(list).ListCount(), qint16(15 + left));
        QCOMPARE(form->List1(list).ListIndex(), -1);
    }
}

// Every triple that mixes rows, 16 × 16 × 16 less the 16 rows themselves.
void TestCheckAnswer::mixedTriplesNeverMatch() {
    const auto form = loadedForm();
    int checked = 0;
    for (const Triple &p : tableRows())
        for (const Triple &w : tableRows())
            for (const Triple &d : tableRows()) {
                if (&p == &w && &w == &d)
                    continue;
                chooseTriple(*form, p.place, w.winner, d.defeated);
                form->Command1_Click(0);
                ++checked;
                QCOMPARE(form->Text1(0).Text(), u"???"_s);
                QCOMPARE(form->List1(0).ListCount(), qint16(16));
            }
    QCOMPARE(checked, 16 * 16 * 16 - 16);
    QCOMPARE(correctShown(*form), u"0"_s);
    QCOMPARE(wrongShown(*form), QString::number(checked));
}

void TestCheckAnswer::unselectedListsChangeNothing_data() {
    QTest::addColumn<int>("unselectedMask");
    QTest::newRow("place unselected") << 0b001;
    QTest::newRow("winner unselected") << 0b010;
    QTest::newRow("defeated unselected") << 0b100;
    QTest::newRow("place and winner unselected") << 0b011;
    QTest::newRow("winner and defeated unselected") << 0b110;
    QTest::newRow("place and defeated unselected") << 0b101;
    QTest::newRow("nothing selected") << 0b111;
}

void TestCheckAnswer::unselectedListsChangeNothing() {
    QFETCH(int, unselectedMask);
    for (bool rightTriple : {true, false}) {
        const auto form = loadedForm();
        const QString intro = form->Text1(0).Text();
        const Triple &row = tableRows()[3];
        chooseTriple(*form, row.place, row.winner,
                     rightTriple ? row.defeated : tableRows()[4].defeated);
        for (qint16 list = 0; list < 3; ++list)
            if (unselectedMask & (1 << list))
                choose(form->List1(list), QString());

        form->Command1_Click(0);

        QCOMPARE(form->Text1(0).Text(), intro);
        QCOMPARE(correctShown(*form), u"0"_s);
        QCOMPARE(wrongShown(*form), u"0"_s);
        for (qint16 list = 0; list < 3; ++list) {
            QCOMPARE(form->List1(list).ListCount(), qint16(16));
            const bool selected = !(unselectedMask & (1 << list));
            QCOMPARE(form->List1(list).ListIndex() >= 0, selected);
        }
    }
}

void TestCheckAnswer::sameWrongTripleCountsAgainAndKeepsSelections() {
    const auto form = loadedForm();
    chooseTriple(*form, u"Трафалгар"_s, u"Хорацио Нелсън"_s, u"Помпей"_s);
    for (int press = 1; press <= 3; ++press) {
        form->Command1_Click(0);
        QCOMPARE(wrongShown(*form), QString::number(press));
        QCOMPARE(form->Text1(0).Text(), u"???"_s);
        QCOMPARE(form->List1(0).List(form->List1(0).ListIndex()), u"Трафалгар"_s);
        QCOMPARE(form->List1(1).List(form->List1(1).ListIndex()), u"Хорацио Нелсън"_s);
        QCOMPARE(form->List1(2).List(form->List1(2).ListIndex()), u"Помпей"_s);
    }
    // Changing one choice then matches row 13.
    choose(form->List1(2), u"Пиер-Шарл Вилньов "_s);
    form->Command1_Click(0);
    QCOMPARE(correctShown(*form), u"1"_s);
    QCOMPARE(wrongShown(*form), u"3"_s);
}

void TestCheckAnswer::verdictsReplaceEachOther() {
    const auto form = loadedForm();
    chooseTriple(*form, tableRows()[2].place, tableRows()[2].winner, tableRows()[0].defeated);
    form->Command1_Click(0);
    QCOMPARE(form->Text1(0).Text(), u"???"_s);

    choose(form->List1(2), tableRows()[2].defeated);
    form->Command1_Click(0);
    QCOMPARE(form->Text1(0).Text(), content::battleTable[2].explanation.toString());

    chooseTriple(*form, tableRows()[5].place, tableRows()[6].winner, tableRows()[5].defeated);
    form->Command1_Click(0);
    QCOMPARE(form->Text1(0).Text(), u"???"_s);
}

void TestCheckAnswer::afterSixteenMatchesPressesChangeNothing() {
    const auto form = loadedForm();
    // Play the rows in reverse so that removal from the middle and the ends is covered.
    for (int row = int(tableRows().size()) - 1; row >= 0; --row) {
        chooseTriple(*form, tableRows()[row].place, tableRows()[row].winner,
                     tableRows()[row].defeated);
        form->Command1_Click(0);
    }
    for (qint16 list = 0; list < 3; ++list)
        QCOMPARE(form->List1(list).ListCount(), qint16(0));
    QCOMPARE(correctShown(*form), u"16"_s);
    QCOMPARE(form->Text1(0).Text(), content::battleTable[0].explanation.toString());

    for (int press = 0; press < 3; ++press)
        form->Command1_Click(0);
    QCOMPARE(correctShown(*form), u"16"_s);
    QCOMPARE(wrongShown(*form), u"0"_s);
    QCOMPARE(form->Text1(0).Text(), content::battleTable[0].explanation.toString());
}

// A class may leave the program open all day: the wrong-answer counter must never overflow.
void TestCheckAnswer::wrongCountGoesOnPastSixteenBits() {
    const auto form = loadedForm();
    bool ended = false;
    form->setErrorReporter([&](QWidget *, const QString &) { ended = true; });
    chooseTriple(*form, tableRows()[0].place, tableRows()[1].winner, tableRows()[2].defeated);
    for (int press = 1; press <= 32767; ++press)
        form->Command1_Click(0);
    QCOMPARE(wrongShown(*form), u"32767"_s);

    const QList<int> milestones{32768, 32769, 65535, 65536, 65537};
    int press = 32767;
    for (int milestone : milestones) {
        while (press < milestone) {
            QVERIFY(form->raiseEvent([&] { form->Command1_Click(0); }));
            ++press;
        }
        QCOMPARE(wrongShown(*form), QString::number(milestone));
    }
    QVERIFY(!ended);
    QCOMPARE(form->Text1(0).Text(), u"???"_s);
    QCOMPARE(correctShown(*form), u"0"_s);

    form->Command1_Click(1);
    QCOMPARE(wrongShown(*form), u"0"_s);
}

void TestCheckAnswer::otherClickIndicesDoNothing() {
    const auto form = loadedForm();
    chooseTriple(*form, tableRows()[0].place, tableRows()[0].winner, tableRows()[0].defeated);
    const QString intro = form->Text1(0).Text();
    for (qint16 index : {qint16(-32768), qint16(-1), qint16(2), qint16(3), qint16(32767)})
        form->Command1_Click(index);
    QCOMPARE(form->Text1(0).Text(), intro);
    QCOMPARE(correctShown(*form), u"0"_s);
    QCOMPARE(wrongShown(*form), u"0"_s);
    QCOMPARE(form->List1(0).ListIndex(), 0);
}

// Rows that share entries: the first row's triple can be made up again from the other rows'
// entries. Found again, it would leave „Б“, „в“ and „г“, which make up no row.
void TestCheckAnswer::aFoundRowIsNotFoundAgain() {
    const auto form = loadedForm();
    content::Quiz quiz = writersQuiz();
    quiz.rows = {{{u"А"_s, u"а"_s, u"б"_s}, {}},
                 {{u"А"_s, u"а"_s, u"в"_s}, {}},
                 {{u"Б"_s, u"г"_s, u"б"_s}, {}}};
    form->openQuiz(quiz);
    int finished = 0;
    connect(form.get(), &Form::roundFinished, [&finished] { ++finished; });
    for (int row : {0, 0, 1, 2}) {
        const auto &answers = quiz.rows[std::size_t(row)].answers;
        chooseTriple(*form, answers[0], answers[1], answers[2]);
        form->Command1_Click(Form::checkButton);
    }
    QCOMPARE(wrongShown(*form), u"1"_s);
    QCOMPARE(correctShown(*form), u"3"_s);
    QCOMPARE(finished, 1);
}

// A row is missed when a wrong check chose its first-column entry before the row was matched.
// "w3" checks row 3 with another second entry, "r3" matches it; then the rest is matched.
void TestCheckAnswer::missedRowsAreSummedUpAndPractised_data() {
    QTest::addColumn<int>("writers"); // rows of the writers' quiz added, else the battles
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("missed");
    QTest::newRow("in table order, once each")
        << 0 << QStringList{u"w7"_s, u"w3"_s, u"w7"_s}
        << QStringList{u"Кана - битка "_s, u"Поатие - битка "_s};
    QTest::newRow("a shared entry: every row not yet matched")
        << 3 << QStringList{u"w0"_s}
        << QStringList{u"Иван Вазов — Под игото"_s, u"Иван Вазов — Немили-недраги"_s};
    QTest::newRow("a shared entry: a row matched stays matched")
        << 3 << QStringList{u"r0"_s, u"w2"_s} << QStringList{u"Иван Вазов — Немили-недраги"_s};
    QTest::newRow("two rows sharing two entries: told apart by the third")
        << 4 << QStringList{u"w0"_s}
        << QStringList{u"Иван Вазов — Под игото — Бай Марко"_s, u"Иван Вазов — Немили-недраги"_s,
                       u"Иван Вазов — Под игото — Рада"_s};
}

void TestCheckAnswer::missedRowsAreSummedUpAndPractised() {
    QFETCH(int, writers);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, missed);
    const auto form = loadedForm();
    if (writers > 0) {
        content::Quiz quiz = writersQuiz();
        quiz.rows.push_back({{u"Иван Вазов"_s, u"Под игото"_s, u"Рада"_s}, {}});
        quiz.rows.resize(std::size_t(writers));
        form->openQuiz(quiz);
    }
    content::RoundSummary summary;
    connect(form.get(), &Form::roundFinished, [&](const content::RoundSummary &s) { summary = s; });
    const int rows = form->List2(0).ListCount();
    for (int row = 0; row < rows; ++row)
        steps << u"r"_s + QString::number(row);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString step = steps[i];
        if (step[0] == u'r' && steps.indexOf(step) < i)
            continue; // matched already
        for (qint16 list = 0; list < form->answerListsInPlay(); ++list)
            choose(form->List1(list), form->List2(list).List(step.mid(1).toInt()));
        forms::ListBox &second = form->List1(1);
        if (step[0] == u'w')
            second.setCurrentRow(second.ListIndex() == 0 ? 1 : 0,
                                 QItemSelectionModel::ClearAndSelect);
        form->Command1_Click(Form::checkButton);
    }
    QCOMPARE(summary.rightAnswers, rows);
    QCOMPARE(summary.wrongAnswers, steps.join(QString()).count(u'w'));
    QCOMPARE(summary.missedRows, missed);
    form->practiseMissed(); // Ctrl+R
    QCOMPARE(qsizetype(form->List1(0).ListCount()), missed.size());
    QCOMPARE(correctShown(*form), u"0"_s);
}

QTEST_MAIN(TestCheckAnswer)
// Rows X–a, Y–b and X–b: the practice of the first two lists X, Y and a, b, which make up the
// third row too; that row is not the practice's, and choosing it is a wrong answer.
void TestCheckAnswer::aPracticeTakesOnlyItsOwnRows() {
    const auto form = loadedForm();
    form->openQuiz(
        {u"Двойки"_s,
         2,
         {u"Ляво"_s, u"Дясно"_s, {}},
         {},
         {{{u"X"_s, u"a"_s, {}}, {}}, {{u"Y"_s, u"b"_s, {}}, {}}, {{u"X"_s, u"b"_s, {}}, {}}}});
    forms::ListBox &left = form->List1(0);
    forms::ListBox &right = form->List1(1);
    for (const auto &[first, second] : {std::pair{u"X"_s, u"b"_s}, // right: X–b
                                        {u"X"_s, u"b"_s},          // wrong: X–a missed
                                        {u"Y"_s, u"a"_s},          // wrong: Y–b missed
                                        {u"X"_s, u"a"_s},
                                        {u"Y"_s, u"b"_s}}) {
        choose(left, first);
        choose(right, second);
        form->Command1_Click(Form::checkButton);
    }
    QCOMPARE(correctShown(*form), u"3"_s);
    form->practiseMissed();
    QCOMPARE(items(left), (QStringList{u"X"_s, u"Y"_s}));
    choose(left, u"X"_s);
    choose(right, u"b"_s);
    form->Command1_Click(Form::checkButton);
    QCOMPARE(wrongShown(*form), u"1"_s);
    QCOMPARE(form->Text1(0).Text(), u"???"_s);
}

#include "tst_checkanswer.moc"
