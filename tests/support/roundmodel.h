#pragma once

#include "quizfixture.h"

#include "content/battletable.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <vector>

// A model of a round, written from the rules with plain containers: what the window must show
// after each click. The model test and the endurance run drive it beside the real window.
namespace quiztest {

struct ReferenceRound {
    std::array<std::vector<QString>, 3> lists;
    std::array<int, 3> selected{-1, -1, -1};
    long long correct = 0;
    long long wrong = 0;
    QString information = content::introText.toString();
    std::set<int> missed; // rows whose place a wrong check of this round chose

    ReferenceRound() { newRound(); }

    void newRound() { play({}); }
    void practise() { // Ctrl+R
        if (!missed.empty())
            play(missed);
    }

    // The entries of these rows (or of all) come back in the sorted order the table gives; the box
    // keeps its text.
    void play(const std::set<int> &rows) {
        lists[0].assign(expectedPlaces.begin(), expectedPlaces.end());
        lists[1].assign(expectedWinners.begin(), expectedWinners.end());
        lists[2].assign(expectedDefeated.begin(), expectedDefeated.end());
        for (int row = 0; row < tableRows().size(); ++row)
            for (qint16 list = 0; list < 3 && !rows.empty() && !rows.contains(row); ++list)
                std::erase(lists[std::size_t(list)], tableRows()[row].entry(list));
        selected = {-1, -1, -1};
        correct = 0;
        wrong = 0;
        missed.clear();
    }

    // Chooses the entry at `row` of an answer list; -1 leaves the list without a choice.
    void choose(qint16 list, int row) { selected[std::size_t(list)] = row; }

    // Chooses the entry with this text, which the list must hold.
    void chooseEntry(qint16 list, const QString &text) {
        const auto &entries = lists[std::size_t(list)];
        const auto found = std::find(entries.begin(), entries.end(), text);
        if (found == entries.end())
            qFatal("the model has no entry \"%s\"", qPrintable(text));
        choose(list, int(found - entries.begin()));
    }

    // The chosen entry of a list, or an empty text.
    QString chosen(qint16 list) const {
        const int row = selected[std::size_t(list)];
        return row < 0 ? QString() : lists[std::size_t(list)][std::size_t(row)];
    }

    void click(qint16 index) {
        if (index == Form::checkButton)
            check();
        else if (index == Form::newRoundButton)
            newRound();
    }

    void check() {
        for (int s : selected)
            if (s < 0)
                return;
        std::optional<int> match;
        for (int row = 0; row < tableRows().size(); ++row) {
            const Triple &t = tableRows()[row];
            if (chosen(0) == t.place && chosen(1) == t.winner && chosen(2) == t.defeated)
                match = row;
        }
        if (!match) {
            ++wrong;
            information = u"???"_s;
            for (int row = 0; row < tableRows().size(); ++row)
                if (tableRows()[row].place == chosen(0))
                    missed.insert(row);
            return;
        }
        information = explanation(*match);
        for (std::size_t list = 0; list < 3; ++list) {
            lists[list].erase(lists[list].begin() + selected[list]);
            selected[list] = -1;
        }
        ++correct;
    }
};

// Where the window differs from the model, or an empty text where it shows what it must.
inline QString describeDifference(const ReferenceRound &model, const Form &form) {
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
    if (form.Text1(Form::informationBox).Text() != model.information)
        return u"information box shows \"%1\", expected \"%2\""_s.arg(
            form.Text1(Form::informationBox).Text(), model.information);
    return {};
}

} // namespace quiztest
