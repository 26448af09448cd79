#include "quiz/roundrecord.h"

namespace quiz {

void RoundRecord::begin(std::vector<int> rows) {
    m_rows = std::move(rows);
    m_matched.clear();
    m_missed.clear();
    m_sinceFirstChoice.invalidate();
}

void RoundRecord::noteChoice() {
    if (!m_sinceFirstChoice.isValid())
        m_sinceFirstChoice.start();
}

void RoundRecord::noteMatch(int row) {
    m_matched.insert(row);
}

void RoundRecord::noteMiss(int row) {
    if (!m_matched.contains(row))
        m_missed.insert(row);
}

} // namespace quiz
