#include "content/csvreader.h"

#include <array>

namespace content {

namespace {

bool isLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

} // namespace

CsvReader::CsvReader(QStringView text, char16_t separator)
    : m_text(text)
    , m_separator(separator) {}

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

bool CsvReader::readRecord(std::vector<QString> &fields) {
    fields.clear();
    if (m_fault != Fault::None || m_pos >= m_text.size())
        return false;
    m_recordLine = m_line;
    for (;;) {
        const int column = int(fields.size()) + 1;
        if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
            ++m_pos;
            QString value;
            if (!readQuoted(value)) {
                m_fault = Fault::UnclosedQuote;
                m_faultColumn = column;
                return false;
            }
            fields.push_back(std::move(value));
            if (!atLineEnd() && m_text[m_pos] != m_separator) {
                m_fault = Fault::TextAfterQuote;
                m_faultColumn = column;
                return false;
            }
        } else {
            fields.push_back(readUnquoted());
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
    std::array<int, 3> separators = {};
    std::array<int, 3> fieldsWithText = {}; // fields up to the last one that is not empty

    qsizetype pos = 0;
    while (pos < text.size() && isLineBreak(text[pos].unicode()))
        ++pos;
    bool quoted = false;
    for (; pos < text.size(); ++pos) {
        const char16_t c = text[pos].unicode();
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && isLineBreak(c))
            break;
        for (size_t i = 0; i < candidates.size(); ++i) {
            if (!quoted && c == candidates[i])
                ++separators[i];
            else
                fieldsWithText[i] = separators[i] + 1;
        }
    }

    for (size_t i = 0; i < candidates.size(); ++i) {
        if (fieldsWithText[i] == 3 || fieldsWithText[i] == 4)
            return candidates[i];
    }
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (separators[i] > 0)
            return candidates[i];
    }
    return u';';
}

} // namespace content
