#pragma once

#include "quizfixture.h"

#include "content/battletable.h"
#include "content/bulgarian.h"
#include "content/quiz.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <vector>

// A model of a round, written from the rules with plain containers: what the window must show
// after each click. The model test and the endurance run drive it beside the real window.
namespace quiztest {

struct ReferenceRound {
    struct Row {
        std::array<QString, 3> answers;
        QString shown; // what the information box says when the row is matched
    };
    int answerCount = 3;
    std::vector<Row> table;
    std::array<std::vector<int>, 3> sortedRows; // the table's rows in each list's order
    std::array<std::vector<QString>, 3> lists;  // a list not in play stays empty
    std::array<int, 3> selected{-1, -1, -1};
    long long correct = 0;
    long long wrong = 0;
    QString information;
    std::set<int> open;   // rows of the round not matched yet
    std::set<int> missed; // rows of the round whose first entry a wrong check chose while open

    // The built-in battles, as the window starts.
    ReferenceRound()
        : information(content::introText.toString()) {
        for (int row = 0; row < tableRows().size(); ++row) {
            const Triple &t = tableRows()[row];
            table.push_back({{t.place, t.winner, t.defeated}, explanation(row)});
        }
        sortTable();
    }

    // A teacher's quiz just opened, its introduction in the box. A row without an explanation
    // shows the answers matched, each under its list's caption.
    ReferenceRound(const content::Quiz &quiz, QString introduction)
        : answerCount(quiz.answerCount)
        , information(std::move(introduction)) {
        for (const content::QuizRow &row : quiz.rows) {
            QString shown = row.explanation;
            if (shown.isEmpty()) {
                shown = u"Вярно!\r\n"_s;
                for (std::size_t list = 0; list < std::size_t(answerCount); ++list)
                    shown += quiz.captions[list] + u": "_s + row.answers[list] + u"\r\n"_s;
            }
            table.push_back({row.answers, shown});
        }
        sortTable();
    }

    // A list's order: alphabetical, texts the collation cannot tell apart in table order. Then
    // the first round begins.
    void sortTable() {
        const QCollator collator = content::bulgarianCollator();
        for (std::size_t list = 0; list < std::size_t(answerCount); ++list) {
            for (int row = 0; row < int(table.size()); ++row)
                sortedRows[list].push_back(row);
            std::stable_sort(sortedRows[list].begin(), sortedRows[list].end(), [&](int a, int b) {
                return collator.compare(table[std::size_t(a)].answers[list],
                                        table[std::size_t(b)].answers[list]) < 0;
            });
        }
        newRound();
    }

    void newRound() {
        std::set<int> all;
        for (int row = 0; row < int(table.size()); ++row)
            all.insert(row);
        play(all);
    }
    void practise() { // Ctrl+R
        if (!missed.empty())
            play(missed);
    }

    // Each list in play holds these rows' entries, in its order; the box keeps its text.
    void play(std::set<int> rows) {
        for (std::size_t list = 0; list < 3; ++list) {
            lists[list].clear();
            for (const int row : sortedRows[list])
                if (rows.contains(row))
                    lists[list].push_back(table[std::size_t(row)].answers[list]);
        }
        open = std::move(rows);
        selected = {-1, -1, -1};
        correct = 0;
        wrong = 0;
        missed.clear();
    }

    // Chooses the entry at `row` of an answer list; -1 leaves the list without a choice.
    void choose(qint16 list, int row) { selected[std::size_t(list)] = row; }

    // Chooses the first entry with this text, which the list must hold.
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

    // With every list in play chosen: the open rows holding exactly the texts chosen match, the
    // last of them is found and shown. Without one, every open row with the first text chosen
    // is missed.
    void check() {
        for (qint16 list = 0; list < answerCount; ++list)
            if (selected[std::size_t(list)] < 0)
                return;
        std::optional<int> found;
        for (const int row : open) {
            bool holds = true;
            for (qint16 list = 0; list < answerCount; ++list)
                holds = holds && table[std::size_t(row)].answers[std::size_t(list)] == chosen(list);
            if (holds)
                found = row;
        }
        if (!found) {
            ++wrong;
            information = u"???"_s;
            for (const int row : open)
                if (table[std::size_t(row)].answers[0] == chosen(0))
                    missed.insert(row);
            return;
        }
        information = table[std::size_t(*found)].shown;
        open.erase(*found);
        for (std::size_t list = 0; list < std::size_t(answerCount); ++list) {
            lists[list].erase(lists[list].begin() + selected[list]);
            selected[list] = -1;
        }
        ++correct;
    }
};

// Where the window differs from the model, or an empty text where it shows what it must.
inline QString describeDifference(const ReferenceRound &model, const Form &form) {
    for (qint16 list = 0; list < 3; ++list) {
        const bool inPlay = list < model.answerCount;
        if (form.List1(list).isVisibleTo(&form) != inPlay ||
            form.Label1(qint16(list + 1)).isVisibleTo(&form) != inPlay)
            return u"List1(%1) or its caption is %2"_s.arg(list).arg(inPlay ? u"hidden"_s
                                                                            : u"shown"_s);
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
