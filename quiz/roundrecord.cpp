#include "quiz/roundrecord.h"

namespace quiz {

void RoundRecord::begin(std::vector<int> rows) {
    m_rows = std::move(rows);
    m_matched.assign(m_rows.empty() ? 0 : std::size_t(m_rows.back()) + 1, false);
    m_missed.clear();
    m_sinceFirstChoice.invalidate();
}

void RoundRecord::noteChoice() {
    if (!m_sinceFirstChoice.isValid())
        m_sinceFirstChoice.start();
}

void RoundRecord::noteMatch(int row) {
    m_matched[std::size_t(row)] = true;
}

void RoundRecord::noteMiss(int row) {
    if (!isMatched(row))
        m_missed.insert(row);
}

} // namespace quiz
