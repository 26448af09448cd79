#include "quizfixture.h"

#include "content/battletable.h"
#include "forms/announcer.h"

#include <QSignalSpy>
#include <QTest>

using namespace quiztest;

// What a pupil who cannot see the window is told after each press; the window itself shows
// the same through its information box and counters.
class TestAnnouncements : public QObject {
    Q_OBJECT

private slots:
    void rightTripleSaysCountThenExplanation();
    void wrongTripleSaysTheNewWrongCount();
    void hintNamesTheListsStillToChoose_data();
    void hintNamesTheListsStillToChoose();
    void afterTheLastAnswerTheHintPointsToANewRound();
    void newRoundSaysHowManyEntriesEachListHas();
    void loadingSaysNothing();
    void roundTexts_data();
    void roundTexts();
};

namespace {

QStringList said(const QSignalSpy &spy) {
    QStringList result;
    for (const QList<QVariant> &arguments : spy)
        result << arguments.at(0).toString();
    return result;
}

} // namespace

void TestAnnouncements::rightTripleSaysCountThenExplanation() {
    const auto form = loadedForm();
    QSignalSpy spy(forms::Announcer::of(form.get()), &forms::Announcer::announced);
    for (int count = 1; count <= 2; ++count) {
        const Triple &row = tableRows()[count * 5];
        chooseTriple(*form, row.place, row.winner, row.defeated);
        form->Command1_Click(0);
        QCOMPARE(said(spy).size(), count);
        QCOMPARE(said(spy).last(),
                 u"Вярно! Верни отговори: "_s + QString::number(count) + u". "_s +
                     content::battleTable[std::size_t(count * 5)].explanation.toString());
    }
}

void TestAnnouncements::wrongTripleSaysTheNewWrongCount() {
    const auto form = loadedForm();
    QSignalSpy spy(forms::Announcer::of(form.get()), &forms::Announcer::announced);
    chooseTriple(*form, tableRows()[0].place, tableRows()[1].winner, tableRows()[2].defeated);
    form->Command1_Click(0);
    form->Command1_Click(0);
    QCOMPARE(said(spy),
             QStringList({u"Грешно. Грешни отговори: 1"_s, u"Грешно. Грешни отговори: 2"_s}));
}

void TestAnnouncements::hintNamesTheListsStillToChoose_data() {
    QTest::addColumn<int>("unselectedMask");
    QTest::addColumn<QString>("hint");
    // The lists' captions, when not the battles'; two open a quiz of years and events.
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("place") << 0b001 << u"Изберете място."_s << QStringList();
    QTest::newRow("winner") << 0b010 << u"Изберете победител."_s << QStringList();
    QTest::newRow("defeated") << 0b100 << u"Изберете победен."_s << QStringList();
    QTest::newRow("place and winner") << 0b011 << u"Изберете място и победител."_s << QStringList();
    QTest::newRow("winner and defeated")
        << 0b110 << u"Изберете победител и победен."_s << QStringList();
    QTest::newRow("place and defeated") << 0b101 << u"Изберете място и победен."_s << QStringList();
    QTest::newRow("nothing") << 0b111 << u"Изберете място, победител и победен."_s << QStringList();
    QTest::newRow("abbreviations keep their capitals")
        << 0b111 << u"Изберете държава, ДДС и ЕС."_s
        << QStringList{u"Държава"_s, u"ДДС"_s, u"ЕС"_s};
    QTest::newRow("pairs: nothing")
        << 0b011 << u"Изберете година и събитие."_s << QStringList{u"Година"_s, u"Събитие"_s};
}

void TestAnnouncements::hintNamesTheListsStillToChoose() {
    QFETCH(int, unselectedMask);
    QFETCH(QString, hint);
    QFETCH(QStringList, captions);
    const auto form = loadedForm();
    if (captions.size() == 2)
        form->openQuiz(yearsQuiz());
    else
        for (qint16 list = 0; list < captions.size(); ++list)
            form->Label1(qint16(list + 1)).SetCaption(captions[list]);
    QSignalSpy spy(forms::Announcer::of(form.get()), &forms::Announcer::announced);
    for (qint16 list = 0; list < form->answerListsInPlay(); ++list)
        choose(form->List1(list), form->List1(list).List(1));
    for (qint16 list = 0; list < 3; ++list)
        if (unselectedMask & (1 << list))
            choose(form->List1(list), QString());
    form->Command1_Click(0);
    QCOMPARE(said(spy), QStringList{hint});
    QCOMPARE(correctShown(*form), u"0"_s);
}

void TestAnnouncements::afterTheLastAnswerTheHintPointsToANewRound() {
    const auto form = loadedForm();
    for (const Triple &row : tableRows()) {
        chooseTriple(*form, row.place, row.winner, row.defeated);
        form->Command1_Click(0);
    }
    QSignalSpy spy(forms::Announcer::of(form.get()), &forms::Announcer::announced);
    form->Command1_Click(0);
    QCOMPARE(said(spy), QStringList{u"Всички отговори са намерени. „Изчисти“ започва нов кръг."_s});
}

void TestAnnouncements::newRoundSaysHowManyEntriesEachListHas() {
    const auto form = loadedForm();
    QSignalSpy spy(forms::Announcer::of(form.get()), &forms::Announcer::announced);
    chooseTriple(*form, tableRows()[0].place, tableRows()[0].winner, tableRows()[0].defeated);
    form->Command1_Click(0);
    form->Command1_Click(1);
    QCOMPARE(said(spy).last(), u"Нов кръг. Във всеки списък има по 16 отговора."_s);

    // The count is the lists' own: with one row left in the table, one entry.
    for (int row = form->List2(0).ListCount() - 1; row > 0; --row) {
        for (qint16 column = 0; column < 3; ++column)
            form->List2(column).RemoveItem(row);
        form->List1(3).RemoveItem(row);
    }
    form->Command1_Click(1);
    QCOMPARE(said(spy).last(), u"Нов кръг. Във всеки списък има по 1 отговор."_s);
}

void TestAnnouncements::loadingSaysNothing() {
    auto form = std::make_unique<quiz::QuizForm>(quiz::quizWindowDescription());
    QSignalSpy spy(forms::Announcer::of(form.get()), &forms::Announcer::announced);
    form->Form_Load();
    QCOMPARE(spy.size(), 0);
}

// Times as the summary shows and says them, and what practice and the summary say.
void TestAnnouncements::roundTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("under a minute") << content::shortDuration(59'999) << u"59 с"_s;
    QTest::newRow("whole minutes") << content::shortDuration(180'000) << u"3 мин"_s;
    QTest::newRow("hours") << content::shortDuration(3'723'000) << u"1 ч 2 мин 3 с"_s;
    QTest::newRow("said: 21 is one")
        << content::spokenDuration(1'271'000) << u"21 минута и 11 секунди"_s;
    QTest::newRow("said: all three")
        << content::spokenDuration(7'261'000) << u"2 часа, 1 минута и 1 секунда"_s;
    QTest::newRow("practice: 21") << content::practiceAnnouncement(21) << u"Упражнение: 21 ред"_s;
    QTest::newRow("summary: none missed")
        << content::summaryAnnouncement({16, 0, 0, {}})
        << u"Верни отговори: 16. Грешни отговори: 0. Време: 0 секунди. Няма сбъркани редове."_s;
    QStringList missed{u"Кана - битка "_s, u"Ватерло."_s};
    for (int row = 3; row <= 12; ++row)
        missed << QString::number(row);
    QTest::newRow("summary: a sentence each, ten said")
        << content::summaryAnnouncement({12, 3, 0, missed})
        << u"Верни отговори: 12. Грешни отговори: 3. Време: 0 секунди. Сбъркани редове: 12. "
           u"Кана - битка. Ватерло. 3. 4. 5. 6. 7. 8. 9. 10. И още 2."_s;
}

void TestAnnouncements::roundTexts() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

QTEST_MAIN(TestAnnouncements)
#include "tst_announcements.moc"
