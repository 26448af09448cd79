// Drives the real quiz window and the reference model of a round through the same seeded random
// actions, and compares them after every action: the built-in battles, a teacher's pairs, and a
// quiz whose rows share entries.

#include "roundmodel.h"

#include <QTest>

#include <random>

using namespace quiztest;

Q_DECLARE_METATYPE(content::Quiz)

namespace {

content::QuizRow pair(const QString &year, const QString &event) {
    return {{year, event, {}}, {}};
}

// Years and events, without explanations; two events share a year.
content::Quiz pairsQuiz() {
    return {u"Години"_s,
            2,
            {u"Година"_s, u"Събитие"_s, {}},
            {},
            {pair(u"681"_s, u"Основаване на държавата"_s), pair(u"864"_s, u"Покръстването"_s),
             pair(u"917"_s, u"Битката при Ахелой"_s),
             pair(u"1185"_s, u"Въстанието на Асен и Петър"_s),
             pair(u"1396"_s, u"Падането на Видин"_s), pair(u"1876"_s, u"Априлското въстание"_s),
             pair(u"1878"_s, u"Санстефанският мир"_s), pair(u"1878"_s, u"Берлинският конгрес"_s),
             pair(u"1885"_s, u"Съединението"_s)}};
}

// Writers, genres and years, with the work as the explanation. Writers, genres and years recur;
// the first row can be made up again from other rows' entries; two rows are the same (the second
// without an explanation); "повест " keeps the blank a table gave it, and "Разкази" sorts as
// "разкази" does.
content::Quiz sharedEntriesQuiz() {
    content::Quiz quiz{u"Писатели"_s, 3, {u"Писател"_s, u"Жанр"_s, u"Година"_s}, u"Творба"_s, {}};
    quiz.rows = {
        {{u"Иван Вазов"_s, u"роман"_s, u"1894"_s}, u"„Под игото“"_s},
        {{u"Иван Вазов"_s, u"повест"_s, u"1883"_s}, u"„Немили-недраги“"_s},
        {{u"Алеко Константинов"_s, u"пътепис"_s, u"1894"_s}, u"„До Чикаго и назад“"_s},
        {{u"Алеко Константинов"_s, u"разкази"_s, u"1895"_s}, u"„Бай Ганьо“"_s},
        {{u"Елин Пелин"_s, u"повест "_s, u"1911"_s}, u"„Гераците“"_s},
        {{u"Елин Пелин"_s, u"Разкази"_s, u"1904"_s}, u"„Разкази“, том първи"_s},
        {{u"Йордан Йовков"_s, u"разкази"_s, u"1927"_s}, u"„Старопланински легенди“"_s},
        {{u"Йордан Йовков"_s, u"роман"_s, u"1934"_s}, u"„Чифликът край границата“"_s},
        {{u"Димитър Димов"_s, u"роман"_s, u"1951"_s}, u"„Тютюн“"_s},
        {{u"Христо Ботев"_s, u"стихотворение"_s, u"1873"_s}, u"„Хаджи Димитър“"_s},
        {{u"Алеко Константинов"_s, u"разкази"_s, u"1895"_s}, {}},
    };
    return quiz;
}

// One step: choose an entry or clear a list, pick a row's entries, check, practise the rows
// missed (Ctrl+R) or start a new round. Open rows are favoured so that whole rounds get played
// to their end; the others' entries, where the lists still hold them all, make wrong checks that
// look right. Says whether a practice began.
bool randomAction(std::mt19937 &random, ReferenceRound &model, quiz::QuizForm &form) {
    auto roll = [&](int below) {
        return int(std::uniform_int_distribution<int>(0, below - 1)(random));
    };
    const auto lists = qint16(model.answerCount);
    const int kind = roll(100);
    if (kind < 30) {
        const auto list = qint16(roll(lists));
        const int row = roll(int(model.lists[std::size_t(list)].size()) + 1) - 1; // -1: none
        model.choose(list, row);
        if (row < 0)
            form.List1(list).clearSelection();
        else
            form.List1(list).setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    } else if (kind < 55) {
        int row = roll(int(model.table.size()));
        if (roll(4) > 0 && !model.open.empty())
            row = *std::next(model.open.begin(), roll(int(model.open.size())));
        const auto &answers = model.table[std::size_t(row)].answers;
        for (qint16 list = 0; list < lists; ++list) {
            const auto &entries = model.lists[std::size_t(list)];
            if (std::find(entries.begin(), entries.end(), answers[std::size_t(list)]) ==
                entries.end())
                return false;
        }
        for (qint16 list = 0; list < lists; ++list) {
            model.chooseEntry(list, answers[std::size_t(list)]);
            choose(form.List1(list), answers[std::size_t(list)]);
        }
    } else if (kind < 96) {
        model.check();
        form.Command1_Click(Form::checkButton);
    } else if (kind < 98) {
        const bool practice = !model.missed.empty();
        model.practise();
        form.practiseMissed();
        return practice;
    } else {
        model.newRound();
        form.Command1_Click(Form::newRoundButton);
    }
    return false;
}

// Where a finished round's summary differs from the model: the counts, and the rows missed in
// table order, each named first by its first entry.
QString summaryDifference(const ReferenceRound &model, const content::RoundSummary &summary) {
    QStringList missed;
    for (const int row : model.missed)
        missed << model.table[std::size_t(row)].answers[0].trimmed();
    bool same = summary.rightAnswers == model.correct && summary.wrongAnswers == model.wrong &&
                summary.missedRows.size() == missed.size();
    for (qsizetype i = 0; same && i < missed.size(); ++i)
        same = summary.missedRows[i].startsWith(missed[i]);
    if (same)
        return {};
    return u"the summary says %1 right, %2 wrong, missed [%3]; expected %4, %5, [%6]"_s
        .arg(summary.rightAnswers)
        .arg(summary.wrongAnswers)
        .arg(summary.missedRows.join(u'|'))
        .arg(model.correct)
        .arg(model.wrong)
        .arg(missed.join(u'|'));
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT

private slots:
    void formAgreesWithReferenceModel_data();
    void formAgreesWithReferenceModel();
};

void TestModel::formAgreesWithReferenceModel_data() {
    QTest::addColumn<content::Quiz>("quiz"); // none: the battles, as the window starts
    QTest::newRow("battles") << content::Quiz{};
    QTest::newRow("pairs") << pairsQuiz();
    QTest::newRow("shared entries") << sharedEntriesQuiz();
}

void TestModel::formAgreesWithReferenceModel() {
    QFETCH(content::Quiz, quiz);
    constexpr int seeds = 25;
    constexpr int stepsPerSeed = 4000;
    long long roundsFinished = 0;
    long long practices = 0;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        std::mt19937 random(seed);
        const auto form = loadedForm();
        if (!quiz.rows.empty())
            form->openQuiz(quiz);
        ReferenceRound model = quiz.rows.empty()
                                   ? ReferenceRound()
                                   : ReferenceRound(quiz, form->Text1(Form::informationBox).Text());
        const std::array byHand{&expectedPlaces, &expectedWinners, &expectedDefeated};
        for (std::size_t list = 0; list < 3 && quiz.rows.empty(); ++list) // the model's own order
            QCOMPARE(QStringList(model.lists[list].begin(), model.lists[list].end()),
                     *byHand[list]);
        std::vector<content::RoundSummary> summaries;
        connect(form.get(), &Form::roundFinished,
                [&summaries](const content::RoundSummary &s) { summaries.push_back(s); });
        QString difference = describeDifference(model, *form);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(u"seed %1 at start: %2"_s.arg(seed).arg(difference)));
        for (int step = 1; step <= stepsPerSeed; ++step) {
            const bool wasOpen = !model.open.empty();
            practices += randomAction(random, model, *form);
            const bool finished = wasOpen && model.open.empty();
            roundsFinished += finished;
            difference = describeDifference(model, *form);
            if (difference.isEmpty() && summaries.size() != std::size_t(finished))
                difference = u"%1 round summaries"_s.arg(summaries.size());
            if (difference.isEmpty() && finished)
                difference = summaryDifference(model, summaries.front());
            summaries.clear();
            QVERIFY2(difference.isEmpty(),
                     qPrintable(u"seed %1 step %2: %3"_s.arg(seed).arg(step).arg(difference)));
        }
    }
    // The bias towards open rows must carry rounds to their end, and practices must be played.
    QVERIFY2(roundsFinished >= seeds && practices >= seeds,
             qPrintable(u"%1 rounds, %2 practices"_s.arg(roundsFinished).arg(practices)));
    qInfo("%d actions, %lld rounds played to the end, %lld practices", seeds * stepsPerSeed,
          roundsFinished, practices);
}

QTEST_MAIN(TestModel)
#include "tst_model.moc"
