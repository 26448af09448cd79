#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>

#include <set>
#include <vector>

namespace content {

// The bookkeeping of a round beside its lists and counters: which rows of the table it plays,
// which of them the pupil has matched and which she has missed, and how long she has played;
// and the rule that decides a check. The window keeps one for its round, and the classroom's
// host one for each pupil's. A row is missed when a wrong check chose its first-column entry
// before the row was matched.
class RoundRecord {
public:
    // A round of these rows of the table, in table order, begins.
    void begin(std::vector<int> rows);
    const std::vector<int> &rows() const { return m_rows; }

    // The pupil has chosen an entry; the round's first choice starts its clock.
    void noteChoice();
    void noteMatch(int row);
    // Whether the round plays the row and the pupil has not matched it yet: each row is found
    // once a round.
    bool isOpen(int row) const {
        return std::size_t(row) < m_open.size() && m_open[std::size_t(row)];
    }
    // A wrong check chose this row's first-column entry. A row already matched, or one the round
    // does not play, is not missed.
    void noteMiss(int row);

    // The row a check finds, or -1: of the candidates, the rows of the table that hold the
    // chosen first-column entry in increasing order, every one the round plays and has not
    // found yet whose other answers (answer(column, row)) are the chosen ones is a match, and
    // each is shown in turn, so the last one's explanation stays: that last one is the row found.
    // Comparisons are exact, trailing blanks included. chosen holds the chosen text of each list
    // in play.
    using Answer = std::function<const QString &(int column, int row)>;
    int decide(std::span<const int> candidates, std::span<const QString *const> chosen,
               const Answer &answer) const;

    // The rows missed so far, in table order.
    std::vector<int> missedRows() const { return {m_missed.begin(), m_missed.end()}; }
    // The same as a summary names them: by as many of its answers (of lists answer lists) as
    // tell each from the round's other rows, after dashes: its first entry; the second too when
    // rows share the first; the third when they share both.
    QStringList missedRowNames(int lists, const Answer &answer) const;
    // The names of the named rows, as missedRowNames names them among rows.
    template<typename Named>
    static QStringList rowNames(std::span<const int> rows, const Named &named, int lists,
                                const Answer &answer);
    // Milliseconds since the round's first choice; 0 before it.
    qint64 playTime() const {
        return m_sinceFirstChoice.isValid() ? m_sinceFirstChoice.elapsed() : 0;
    }

private:
    std::vector<int> m_rows;
    std::vector<bool> m_open; // by the row's place in the table
    std::set<int> m_missed;
    QElapsedTimer m_sinceFirstChoice;
};

template<typename Named>
QStringList RoundRecord::rowNames(std::span<const int> rows, const Named &named, int lists,
                                  const Answer &answer) {
    const auto answersOf = [&answer](int row, int count) {
        QStringList answers;
        for (int column = 0; column < count; ++column)
            answers << answer(column, row);
        return answers;
    };
    QHash<QStringList, int> rowsSharing;
    for (const int row : rows)
        for (int count = 1; count < lists; ++count)
            ++rowsSharing[answersOf(row, count)];
    QStringList names;
    for (const int row : named) {
        int count = 1;
        while (count < lists && rowsSharing.value(answersOf(row, count)) > 1)
            ++count;
        QStringList answers = answersOf(row, count);
        if (count > 1)
            for (QString &text : answers)
                text = text.trimmed();
        names << answers.join(QStringLiteral(" — "));
    }
    return names;
}

} // namespace content
