#pragma once

#include "roundmodel.h"

#include <QCoreApplication>

#include <algorithm>
#include <random>
#include <vector>

// A long day in a classroom: seeded random clicks on the real form, as pupils make them, with the
// round's model beside it to say what the window must show. Shared by the endurance test, which
// checks the window and its memory, and by the benchmark that times the clicks.
namespace quiztest {

class LongDay {
public:
    explicit LongDay(Form &form)
        : m_form(form) {
        m_model.information = form.Text1(Form::informationBox).Text();
    }

    // 5 % right checks, 30 % wrong checks, 10 % checks with a list unchosen, 1 % new rounds and
    // 54 % clicks with an index the window has no button for; after each, the lists' lengths and
    // the counters are compared with the model's.
    void event() {
        const unsigned kind = m_random() % 200;
        if (kind < 10)
            rightCheck();
        else if (kind < 70)
            wrongCheck();
        else if (kind < 90)
            incompleteCheck();
        else if (kind < 92)
            click(Form::newRoundButton);
        else
            otherIndex();
        verifyBriefly();
    }

    // Plays `count` clicks; the real program returns to the event loop between clicks: layouts
    // and repaints.
    void play(int count) {
        for (int i = 0; i < count; ++i) {
            event();
            if (i % 64 == 63)
                QCoreApplication::processEvents();
        }
    }

    // Everything the window shows, against the model; empty when they agree.
    QString difference() const {
        QString found = describeDifference(m_model, m_form);
        for (qint16 column = 0; column < 3 && found.isEmpty(); ++column)
            if (m_form.List2(column).ListCount() != content::battleCount)
                found =
                    u"List2(%1) holds %2 rows"_s.arg(column).arg(m_form.List2(column).ListCount());
        if (found.isEmpty() &&
            m_form.List1(Form::explanationsList).ListCount() != content::battleCount)
            found = u"the explanations column holds %1 rows"_s.arg(
                m_form.List1(Form::explanationsList).ListCount());
        return found;
    }

    long long rightChecks = 0;
    long long wrongChecks = 0;
    long long incompleteChecks = 0;
    long long newRounds = 0;
    long long otherIndices = 0;

private:
    static int rowOf(qint16 list, const QString &text) {
        for (int row = 0; row < content::battleCount; ++row)
            if (tableRows()[row].entry(list) == text)
                return row;
        qFatal("\"%s\" is in no row", qPrintable(text));
    }

    // The rows whose entries are still in the lists.
    std::vector<int> remainingRows() const {
        std::vector<int> rows;
        for (const QString &place : m_model.lists[0])
            rows.push_back(rowOf(Form::placesList, place));
        return rows;
    }

    int pick(const std::vector<int> &rows) { return rows[m_random() % rows.size()]; }

    // The row whose entry `list` has chosen, or -1.
    int chosenRow(qint16 list) const {
        const QString text = m_model.chosen(list);
        return text.isEmpty() ? -1 : rowOf(list, text);
    }

    // Chooses the entry of `row` in `list`, as a pupil's click does.
    void chooseRow(qint16 list, int row) {
        const QString &text = tableRows()[row].entry(list);
        choose(m_form.List1(list), text);
        m_model.chooseEntry(list, text);
    }

    void unchoose(qint16 list) {
        choose(m_form.List1(list), QString());
        m_model.choose(list, -1);
    }

    void click(qint16 index) {
        m_form.Command1_Click(index);
        m_model.click(index);
        if (index == Form::newRoundButton)
            ++newRounds;
    }

    void rightCheck() {
        const std::vector<int> rows = remainingRows();
        if (rows.empty())
            return click(Form::newRoundButton);
        const int row = pick(rows);
        for (qint16 list = 0; list < 3; ++list)
            chooseRow(list, row);
        click(Form::checkButton);
        ++rightChecks;
    }

    // Like a pupil after a wrong answer: one choice changed, the others kept, pressed again.
    void wrongCheck() {
        const std::vector<int> rows = remainingRows();
        if (rows.size() < 2)
            return click(Form::newRoundButton);
        for (qint16 list = 0; list < 3; ++list)
            if (chosenRow(list) < 0)
                chooseRow(list, pick(rows));
        const auto changed = qint16(m_random() % 3);
        int row = pick(rows);
        auto wouldMatch = [&](int candidate) {
            for (qint16 list = 0; list < 3; ++list)
                if (list != changed && chosenRow(list) != candidate)
                    return false;
            return true;
        };
        while (wouldMatch(row))
            row = pick(rows);
        chooseRow(changed, row);
        click(Form::checkButton);
        ++wrongChecks;
    }

    void incompleteCheck() {
        const std::vector<int> rows = remainingRows();
        if (rows.empty())
            return click(Form::newRoundButton);
        const int row = pick(rows);
        const unsigned unchosen = 1 + m_random() % 7; // at least one list left without a choice
        for (qint16 list = 0; list < 3; ++list) {
            if (unchosen & (1u << list))
                unchoose(list);
            else
                chooseRow(list, row);
        }
        click(Form::checkButton);
        ++incompleteChecks;
    }

    void otherIndex() {
        // Any 16-bit index but 0 and 1, all equally likely.
        const int index = int(m_random() % 65534) - 32768;
        click(qint16(index >= 0 ? index + 2 : index));
        ++otherIndices;
    }

    void verifyBriefly() const {
        for (qint16 list = 0; list < 3; ++list)
            if (m_form.List1(list).ListCount() != qint16(m_model.lists[std::size_t(list)].size()))
                qFatal("List1(%d) holds %d entries, expected %d", list,
                       m_form.List1(list).ListCount(),
                       int(m_model.lists[std::size_t(list)].size()));
        if (correctShown(m_form) != QString::number(m_model.correct) ||
            wrongShown(m_form) != QString::number(m_model.wrong))
            qFatal("the counters show %s and %s, expected %lld and %lld",
                   qPrintable(correctShown(m_form)), qPrintable(wrongShown(m_form)),
                   m_model.correct, m_model.wrong);
    }

    Form &m_form;
    ReferenceRound m_model;
    std::mt19937 m_random{1415};
};

} // namespace quiztest
