// Drives the real quiz window and the reference model of a round through the same seeded random
// actions, and compares them after every action.

#include "roundmodel.h"

#include <QTest>

#include <random>

using namespace quiztest;

namespace {

// One step: choose an entry or clear a list, pick a whole triple, check, practise the rows missed
// (Ctrl+R) or start a new round.
// Triples of a remaining row are favoured so that whole rounds get played to their end.
void randomAction(std::mt19937 &random, ReferenceRound &model, quiz::QuizForm &form) {
    auto roll = [&](int below) {
        return int(std::uniform_int_distribution<int>(0, below - 1)(random));
    };
    const int kind = roll(100);
    if (kind < 30) {
        const std::size_t list = std::size_t(roll(3));
        const int size = int(model.lists[list].size());
        const int row = roll(size + 1) - 1; // -1 leaves the list unselected
        model.choose(qint16(list), row);
        if (row < 0)
            form.List1(qint16(list)).clearSelection();
        else
            form.List1(qint16(list)).setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    } else if (kind < 55) {
        if (model.lists[0].empty())
            return;
        const QString place = model.lists[0][std::size_t(roll(int(model.lists[0].size())))];
        for (const Triple &t : tableRows())
            if (t.place == place) {
                for (qint16 list = 0; list < 3; ++list)
                    model.chooseEntry(list, t.entry(list));
                chooseTriple(form, t.place, t.winner, t.defeated);
            }
    } else if (kind < 96) {
        model.check();
        form.Command1_Click(0);
    } else if (kind < 98) {
        model.practise();
        form.practiseMissed();
    } else {
        model.newRound();
        form.Command1_Click(1);
    }
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT

private slots:
    void formAgreesWithReferenceModel();
};

void TestModel::formAgreesWithReferenceModel() {
    constexpr int seeds = 25;
    constexpr int stepsPerSeed = 4000;
    long long roundsFinished = 0;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        std::mt19937 random(seed);
        const auto form = loadedForm();
        ReferenceRound model;
        QString difference = describeDifference(model, *form);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(u"seed %1 at start: %2"_s.arg(seed).arg(difference)));
        for (int step = 1; step <= stepsPerSeed; ++step) {
            const bool wasFinished = model.lists[0].empty();
            randomAction(random, model, *form);
            if (!wasFinished && model.lists[0].empty())
                ++roundsFinished;
            difference = describeDifference(model, *form);
            QVERIFY2(difference.isEmpty(),
                     qPrintable(u"seed %1 step %2: %3"_s.arg(seed).arg(step).arg(difference)));
        }
    }
    // The bias towards right triples must actually carry rounds to their end.
    QVERIFY2(roundsFinished >= seeds, qPrintable(QString::number(roundsFinished)));
    qInfo("%d actions, %lld rounds played to the end", seeds * stepsPerSeed, roundsFinished);
}

QTEST_MAIN(TestModel)
#include "tst_model.moc"
