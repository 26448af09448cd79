// Drives the real quiz window and a reference model of a round, written from the rules with plain
// containers, through the same seeded random actions, and compares them after every action.

#include "quizfixture.h"

#include "content/battletable.h"

#include <QTest>

#include <array>
#include <optional>
#include <random>
#include <vector>

using namespace quiztest;

namespace {

struct ReferenceRound {
    std::array<std::vector<QString>, 3> lists;
    std::array<int, 3> selected{-1, -1, -1};
    long long correct = 0;
    long long wrong = 0;
    QString information = content::introText.toString();

    void newRound() {
        // The three lists come back in the sorted order the table gives; the box keeps its text.
        lists[0].assign(expectedPlaces.begin(), expectedPlaces.end());
        lists[1].assign(expectedWinners.begin(), expectedWinners.end());
        lists[2].assign(expectedDefeated.begin(), expectedDefeated.end());
        selected = {-1, -1, -1};
        correct = 0;
        wrong = 0;
    }

    void check() {
        for (int s : selected)
            if (s < 0)
                return;
        std::optional<int> match;
        for (int row = 0; row < tableRows.size(); ++row) {
            const Triple &t = tableRows[row];
            if (lists[0][std::size_t(selected[0])] == t.place &&
                lists[1][std::size_t(selected[1])] == t.winner &&
                lists[2][std::size_t(selected[2])] == t.defeated)
                match = row;
        }
        if (!match) {
            ++wrong;
            information = u"???"_s;
            return;
        }
        information = content::battleTable[std::size_t(*match)].explanation.toString();
        for (std::size_t list = 0; list < 3; ++list) {
            lists[list].erase(lists[list].begin() + selected[list]);
            selected[list] = -1;
        }
        ++correct;
    }
};

QString describeDifference(const ReferenceRound &model, const quiz::QuizForm &form) {
    for (qint16 list = 0; list < 3; ++list) {
        const QStringList shown = items(form.List1(list));
        const QStringList expected(model.lists[std::size_t(list)].begin(),
                                   model.lists[std::size_t(list)].end());
        if (shown != expected)
            return u"List1(%1) holds [%2], expected [%3]"_s.arg(list).arg(shown.join(u'|'),
                                                                          expected.join(u'|'));
        if (form.List1(list).ListIndex() != model.selected[std::size_t(list)])
            return u"List1(%1) selection %2, expected %3"_s.arg(list)
                .arg(form.List1(list).ListIndex())
                .arg(model.selected[std::size_t(list)]);
    }
    if (correctShown(form) != QString::number(model.correct))
        return u"correct counter shows %1, expected %2"_s.arg(correctShown(form))
            .arg(model.correct);
    if (wrongShown(form) != QString::number(model.wrong))
        return u"wrong counter shows %1, expected %2"_s.arg(wrongShown(form)).arg(model.wrong);
    if (form.Text1(0).Text() != model.information)
        return u"information box shows \"%1\", expected \"%2\""_s.arg(form.Text1(0).Text(),
                                                                      model.information);
    return {};
}

// One step: choose an entry or clear a list, pick a whole triple, check, or start a new round.
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
        model.selected[list] = row;
        if (row < 0)
            form.List1(qint16(list)).clearSelection();
        else
            form.List1(qint16(list)).setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    } else if (kind < 55) {
        if (model.lists[0].empty())
            return;
        const QString place = model.lists[0][std::size_t(roll(int(model.lists[0].size())))];
        for (const Triple &t : tableRows)
            if (t.place == place) {
                const Triple *triple = &t;
                for (std::size_t list = 0; list < 3; ++list) {
                    const QString &text = list == 0   ? triple->place
                                          : list == 1 ? triple->winner
                                                      : triple->defeated;
                    const auto &entries = model.lists[list];
                    model.selected[list] =
                        int(std::find(entries.begin(), entries.end(), text) - entries.begin());
                }
                chooseTriple(form, triple->place, triple->winner, triple->defeated);
            }
    } else if (kind < 97) {
        model.check();
        form.Command1_Click(0);
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
        model.newRound();
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
