#include "content/battletable.h"
#include "content/quiz.h"
#include "quizfixture.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

using namespace quiztest;

namespace {

QString accessibleName(QWidget &widget) {
    return QAccessible::queryAccessibleInterface(&widget)->text(QAccessible::Name);
}

} // namespace

class TestOpenQuiz : public QObject {
    Q_OBJECT

private slots:
    void quizReplacesTableCaptionsAndHeading();
    void rightAnswersShowTheExplanationOrTheMatchedRow();
    void textFromTheFileIsNeverMarkupNorFormat();
    void builtInQuizOpenedAgainPlaysAsAtStart();
    void textsTooLongToShowAreWholeOnDemand();
};

void TestOpenQuiz::quizReplacesTableCaptionsAndHeading() {
    const auto form = loadedForm();
    chooseTriple(*form, expectedPlaces[0], expectedWinners[0], expectedDefeated[0]);
    form->Command1_Click(0);
    QCOMPARE(wrongShown(*form), u"1"_s);

    form->openQuiz(writersQuiz());

    QCOMPARE(form->Label1(0).Caption(), u"Писатели"_s);
    const QStringList captions{u"Писател"_s, u"Творба"_s, u"Герой"_s};
    for (qint16 list = 0; list < 3; ++list) {
        QCOMPARE(form->Label1(qint16(list + 1)).Caption(), captions[list]);
        // A screen reader names each list by its caption.
        QCOMPARE(accessibleName(form->List1(list)), captions[list]);
        QCOMPARE(form->List1(list).ListIndex(), -1);
    }
    // The table in the file's order; each row keeps its own entry, the shared writer too.
    QCOMPARE(items(form->List2(0)),
             (QStringList{u"Иван Вазов"_s, u"Алеко Константинов"_s, u"Иван Вазов"_s}));
    QCOMPARE(items(form->List2(2)), (QStringList{u"Бай Марко"_s, u"Бай Ганьо"_s, u"Бръчков"_s}));
    QCOMPARE(form->List1(3).ListCount(), qint16(3));
    // A new round of the new quiz, in alphabetical order.
    QCOMPARE(items(form->List1(0)),
             (QStringList{u"Алеко Константинов"_s, u"Иван Вазов"_s, u"Иван Вазов"_s}));
    QCOMPARE(items(form->List1(1)),
             (QStringList{u"Бай Ганьо"_s, u"Немили-недраги"_s, u"Под игото"_s}));
    QCOMPARE(correctShown(*form), u"0"_s);
    QCOMPARE(wrongShown(*form), u"0"_s);

    const QString intro = form->Text1(0).Text();
    QVERIFY2(intro.startsWith(u"Викторина „Писатели“: 3 реда.\r\n"_s), qPrintable(intro));
    for (const QString &caption : captions)
        QVERIFY2(intro.contains(u"„"_s + caption + u"“"_s), qPrintable(intro));
    QVERIFY(intro.contains(u"„Провери“"_s) && intro.contains(u"„Изчисти“"_s));

    // „Изчисти“ gives the new quiz's lists back, not the battles.
    form->Command1_Click(1);
    QCOMPARE(form->List1(2).ListCount(), qint16(3));
    QCOMPARE(form->Label1(1).Caption(), u"Писател"_s);
}

void TestOpenQuiz::rightAnswersShowTheExplanationOrTheMatchedRow() {
    const auto form = loadedForm();
    form->openQuiz(writersQuiz());

    chooseTriple(*form, u"Иван Вазов"_s, u"Под игото"_s, u"Бръчков"_s);
    form->Command1_Click(0);
    QCOMPARE(form->Text1(0).Text(), u"???"_s);

    chooseTriple(*form, u"Иван Вазов"_s, u"Под игото"_s, u"Бай Марко"_s);
    form->Command1_Click(0);
    QCOMPARE(form->Text1(0).Text(), u"Романът е писан в Одеса."_s);

    // The row without an explanation tells the pupil it was right, and what matched.
    chooseTriple(*form, u"Иван Вазов"_s, u"Немили-недраги"_s, u"Бръчков"_s);
    form->Command1_Click(0);
    QCOMPARE(form->Text1(0).Text(), u"Вярно!\r\nПисател: Иван Вазов\r\nТворба: Немили-недраги\r\n"
                                    u"Герой: Бръчков\r\n"_s);
    QCOMPARE(correctShown(*form), u"2"_s);
    QCOMPARE(wrongShown(*form), u"1"_s);
    QCOMPARE(items(form->List1(0)), QStringList{u"Алеко Константинов"_s});

    // Another quiz of as many rows, its writers in another order: its own rows are found.
    content::Quiz poets = writersQuiz();
    poets.rows[0].answers = {u"Христо Ботев"_s, u"Хаджи Димитър"_s, u"Караджата"_s};
    form->openQuiz(poets);
    chooseTriple(*form, u"Иван Вазов"_s, u"Немили-недраги"_s, u"Бръчков"_s);
    form->Command1_Click(0);
    QCOMPARE(correctShown(*form), u"1"_s);
}

void TestOpenQuiz::textFromTheFileIsNeverMarkupNorFormat() {
    const auto form = loadedForm();
    content::Quiz quiz = writersQuiz();
    quiz.title = u"<b>%1 %2</b>"_s;
    quiz.captions[0] = u"<i>%1</i>"_s;
    quiz.rows[2].answers[0] = u"%1 &amp; %2"_s;
    form->openQuiz(quiz);

    QCOMPARE(form->Label1(0).Caption(), quiz.title);
    QCOMPARE(form->Label1(0).textFormat(), Qt::PlainText);
    QCOMPARE(form->Label1(1).textFormat(), Qt::PlainText);
    QCOMPARE(form->Label1(1).Caption(), quiz.captions[0]);
    QVERIFY2(form->Text1(0).Text().startsWith(u"Викторина „<b>%1 %2</b>“: 3 реда."_s),
             qPrintable(form->Text1(0).Text()));
    QVERIFY(form->Text1(0).Text().contains(u"„<i>%1</i>“, „Творба“"_s));

    chooseTriple(*form, u"%1 &amp; %2"_s, u"Немили-недраги"_s, u"Бръчков"_s);
    form->Command1_Click(0);
    QVERIFY2(form->Text1(0).Text().contains(u"<i>%1</i>: %1 &amp; %2\r\n"_s),
             qPrintable(form->Text1(0).Text()));
}

// The built-in battles, opened as any quiz is, play exactly as the program starts with them.
void TestOpenQuiz::builtInQuizOpenedAgainPlaysAsAtStart() {
    const auto form = loadedForm();
    form->openQuiz(yearsQuiz());
    form->openQuiz(content::builtInQuiz());
    QCOMPARE(items(form->List1(0)), expectedPlaces);
    QCOMPARE(items(form->List1(1)), expectedWinners);
    QCOMPARE(items(form->List1(2)), expectedDefeated);
    QCOMPARE(form->Label1(0).Caption(), u"Valtessa"_s);
    for (std::size_t row = 0; row < content::battleTable.size(); ++row) {
        const content::BattleRow &battle = content::battleTable[row];
        chooseTriple(*form, battle.place.toString(), battle.winner.toString(),
                     battle.defeated.toString());
        form->Command1_Click(0);
        QCOMPARE(form->Text1(0).Text(), battle.explanation.toString());
    }
    QCOMPARE(correctShown(*form), u"16"_s);
    QCOMPARE(wrongShown(*form), u"0"_s);
}

// A heading or an entry cut short shows whole as a tooltip and to a screen reader; the heading
// keeps its start and its end in sight.
void TestOpenQuiz::textsTooLongToShowAreWholeOnDemand() {
    const auto form = shownForm();
    content::Quiz quiz = writersQuiz();
    quiz.title = u"Български писатели от Освобождението до Втората световна война"_s;
    const QString work = u"Бай Ганьо. Невероятни разкази за един съвременен българин"_s;
    quiz.rows[1].answers[1] = work;
    form->openQuiz(quiz);
    forms::Label &heading = form->Label1(0);
    QVERIFY2(heading.shownText().startsWith(u"Български"_s) &&
                 heading.shownText().endsWith(u"война"_s) && heading.shownText().contains(u'…'),
             qPrintable(heading.shownText()));
    QCOMPARE(accessibleName(heading), quiz.title);

    forms::ListBox &works = form->List1(1);
    const QStringList entries = items(works);
    QCOMPARE(QAccessible::queryAccessibleInterface(&works)
                 ->child(int(entries.indexOf(work)))
                 ->text(QAccessible::Name),
             work);
    const auto toolTipAt = [](QWidget &widget, QPoint place) {
        QHelpEvent help(QEvent::ToolTip, place, widget.mapToGlobal(place));
        QApplication::sendEvent(&widget, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    const auto entryCentre = [&](const QString &entry) {
        return works.visualRect(works.model()->index(int(entries.indexOf(entry)), 0)).center();
    };
    QCOMPARE(toolTipAt(*works.viewport(), entryCentre(u"Под игото"_s)), QString());
    QCOMPARE(toolTipAt(*works.viewport(), entryCentre(work)), work);
    QCOMPARE(toolTipAt(heading, {2, 2}), quiz.title);
}

QTEST_MAIN(TestOpenQuiz)
#include "tst_openquiz.moc"
