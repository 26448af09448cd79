#include "quiz/roundrecord.h"

namespace quiz {

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

} // namespace quiz
