#include "quizfile/csvreader.h"

#include <QChar>
#include <QtAlgorithms>

#include <algorithm>
#include <array>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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

// Up to the next separator or line break. A table's text is nearly all inside fields: where the
// processor can, they are looked for eight characters at a time.
QString CsvReader::readUnquoted() {
    const qsizetype start = m_pos;
    const char16_t *const text = m_text.utf16();
    const char16_t *next = text + m_pos;
    const char16_t *const end = text + m_text.size();
    const char16_t separator = m_separator;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i separators = _mm_set1_epi16(short(separator));
    const __m128i returns = _mm_set1_epi16(u'\r');
    const __m128i newlines = _mm_set1_epi16(u'\n');
    for (; end - next >= 8; next += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(next));
        const __m128i ends = _mm_or_si128(
            _mm_cmpeq_epi16(chars, separators),
            _mm_or_si128(_mm_cmpeq_epi16(chars, returns), _mm_cmpeq_epi16(chars, newlines)));
        if (const int found = _mm_movemask_epi8(ends); found != 0) {
            next += qCountTrailingZeroBits(uint(found)) / 2;
            break;
        }
    }
#endif
    while (next != end && *next != separator && !isLineBreak(*next))
        ++next;
    m_pos = next - text;
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
