#include "content/roundrecord.h"

#include <QHash>

namespace content {

void RoundRecord::begin(std::vector<int> rows) {
    m_rows = std::move(rows);
    m_open.assign(m_rows.empty() ? 0 : std::size_t(m_rows.back()) + 1, false);
    for (const int row : m_rows)
        m_open[std::size_t(row)] = true;
    m_missed.clear();
    m_sinceFirstChoice.invalidate();
}

void RoundRecord::noteChoice() {
    if (!m_sinceFirstChoice.isValid())
        m_sinceFirstChoice.start();
}

void RoundRecord::noteMatch(int row) {
    m_open[std::size_t(row)] = false;
}

void RoundRecord::noteMiss(int row) {
    if (isOpen(row))
        m_missed.insert(row);
}

QStringList RoundRecord::missedRowNames(int lists, const Answer &answer) const {
    const auto answersOf = [&answer](int row, int count) {
        QStringList answers;
        for (int column = 0; column < count; ++column)
            answers << answer(column, row);
        return answers;
    };
    QHash<QStringList, int> rowsSharing;
    for (const int row : m_rows)
        for (int count = 1; count < lists; ++count)
            ++rowsSharing[answersOf(row, count)];
    QStringList names;
    for (const int row : m_missed) {
        int named = 1;
        while (named < lists && rowsSharing.value(answersOf(row, named)) > 1)
            ++named;
        QStringList answers = answersOf(row, named);
        if (named > 1)
            for (QString &text : answers)
                text = text.trimmed();
        names << answers.join(QStringLiteral(" — "));
    }
    return names;
}

int RoundRecord::decide(std::span<const int> candidates, std::span<const QString *const> chosen,
                        const Answer &answer) const {
    int found = -1;
    for (const int row : candidates) {
        bool match = isOpen(row);
        for (std::size_t column = 1; match && column < chosen.size(); ++column)
            match = answer(int(column), row) == *chosen[column];
        if (match)
            found = row;
    }
    return found;
}

} // namespace content
