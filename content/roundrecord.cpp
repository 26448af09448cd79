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
    return rowNames(m_rows, m_missed, lists, answer);
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
