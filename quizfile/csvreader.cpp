#include "quizfile/csvreader.h"

#include <QChar>

#include <algorithm>
#include <array>

namespace quizfile {

namespace {

bool isLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

} // namespace

CsvReader::CsvReader(QStringView text, char16_t separator, Quoting quoting)
    : m_text(text)
    , m_separator(separator)
    , m_quoting(quoting) {}

bool CsvReader::atLineEnd() const {
    return m_pos >= m_text.size() || isLineBreak(m_text[m_pos].unicode());
}

void CsvReader::skipLineEnd() {
    if (m_pos >= m_text.size())
        return;
    if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')
        ++m_pos;
    ++m_pos;
    ++m_line;
}

// From just after the opening quote to just after the closing one; "" stands for one quote.
bool CsvReader::readQuoted(QString &value) {
    qsizetype start = m_pos;
    for (;;) {
        const qsizetype quote = m_text.indexOf(u'"', m_pos);
        if (quote < 0)
            return false;
        value += m_text.sliced(start, quote - start);
        if (quote + 1 < m_text.size() && m_text[quote + 1] == u'"') {
            value += u'"';
            m_pos = start = quote + 2;
            continue;
        }
        m_pos = quote + 1;
        return true;
    }
}

QString CsvReader::readUnquoted() {
    const qsizetype start = m_pos;
    while (m_pos < m_text.size()) {
        const char16_t c = m_text[m_pos].unicode();
        if (c == m_separator || isLineBreak(c))
            break;
        ++m_pos;
    }
    return m_text.sliced(start, m_pos - start).toString();
}

bool CsvReader::readRecord(std::vector<TableCell> &fields) {
    fields.clear();
    if (m_fault != Fault::None || m_pos >= m_text.size())
        return false;
    m_recordLine = m_line;
    for (;;) {
        const int column = int(fields.size()) + 1;
        if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
            const qsizetype start = m_pos++;
            QString value;
            const bool closed = readQuoted(value);
            const bool whole = closed && (atLineEnd() || m_text[m_pos] == m_separator);
            if (m_quoting == Quoting::Strict && !whole) {
                m_fault = closed ? Fault::TextAfterQuote : Fault::UnclosedQuote;
                m_faultColumn = column;
                return false;
            }
            const bool quoted = whole && (m_quoting != Quoting::OnlyAroundBreaks ||
                                          std::any_of(value.begin(), value.end(), [](QChar c) {
                                              return c == u'\t' || isLineBreak(c.unicode());
                                          }));
            if (quoted) {
                fields.push_back({std::move(value), true});
            } else {
                m_pos = start;
                fields.push_back({readUnquoted(), false});
            }
        } else {
            fields.push_back({readUnquoted(), false});
        }
        if (atLineEnd()) {
            skipLineEnd();
            return true;
        }
        ++m_pos; // the separator
    }
}

char16_t detectSeparator(QStringView text) {
    constexpr std::array<char16_t, 3> candidates = {u';', u'\t', u','};
    // Enough rows to see the table's shape past a title row, few enough to cost nothing.
    constexpr int sampleRows = 50;
    constexpr int maxCounted = 64;

    // For each candidate, how many of the sample rows have each number of fields.
    std::array<std::array<int, maxCounted + 1>, 3> rowsWithWidth = {};
    std::array<int, 3> separators = {};
    bool quoted = false;
    int rows = 0;
    bool blankRow = true;
    for (qsizetype pos = 0; pos <= text.size() && rows < sampleRows; ++pos) {
        const char16_t c = pos < text.size() ? text[pos].unicode() : u'\n';
        if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && isLineBreak(c)) {
            if (!blankRow) {
                for (size_t i = 0; i < candidates.size(); ++i)
                    ++rowsWithWidth[i][size_t(std::min(separators[i] + 1, maxCounted))];
                ++rows;
            }
            separators = {};
            blankRow = true;
            continue;
        }
        if (quoted)
            continue;
        for (size_t i = 0; i < candidates.size(); ++i)
            if (c == candidates[i])
                ++separators[i];
        if (!QChar::isSpace(c))
            blankRow = false;
    }

    // The separator that gives the most rows one and the same width of two fields or more; on a
    // tie, the first of ';', tab and ','.
    char16_t best = u';';
    int bestRows = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const auto &widths = rowsWithWidth[i];
        const int agreeing = *std::max_element(widths.begin() + 2, widths.end());
        if (agreeing > bestRows) {
            best = candidates[i];
            bestRows = agreeing;
        }
    }
    return best;
}

} // namespace quizfile
