#include "content/quiztable.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace content {

namespace {

QString hex(char32_t c) {
    return u"U+"_s + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

bool isBlank(const TableCell &cell) {
    return std::all_of(cell.text.begin(), cell.text.end(), [](QChar c) { return c.isSpace(); });
}

bool isBlankRow(const std::vector<TableCell> &cells) {
    return std::all_of(cells.begin(), cells.end(), isBlank);
}

// The number of cells up to the last one that holds anything: spreadsheets add empty ones.
int usedWidth(const std::vector<TableCell> &cells) {
    auto last = std::find_if(cells.rbegin(), cells.rend(),
                             [](const TableCell &cell) { return !isBlank(cell); });
    return int(cells.rend() - last);
}

// Why a value cannot be shown in a list or a label, or nothing when it can. Line breaks and tabs
// are allowed only where the text box shows them.
std::optional<QString> badCharacter(const QString &value, bool inTextBox) {
    const auto unreadable = [] {
        return u"знак, който не може да бъде разчетен: файлът не е записан в кодировката си"_s;
    };
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t u = value[i].unicode();
        if ((u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u < 0xD800) || (u > 0xDFFF && u != 0xFFFD))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(u) || u == 0xFFFD) // half a pair, or what a decoder put for bytes
            return unreadable();
        if (u == u'\r' || u == u'\n') {
            if (inTextBox)
                continue;
            return u"стойността е на няколко реда, а тук е разрешен само един"_s;
        }
        if (u == u'\t') {
            if (inTextBox)
                continue;
            return u"в стойността има табулация"_s;
        }
        return u"в стойността има управляващ знак "_s + hex(u); // C0, DEL and C1
    }
    return std::nullopt;
}

} // namespace

bool namesExplanations(const QString &caption) {
    return caption.trimmed().compare(u"Обяснение"_s, Qt::CaseInsensitive) == 0;
}

QuizTable::QuizTable(TableSource source)
    : m_source(std::move(source)) {
    m_quiz.title = m_source.title;
}

QuizFileError QuizTable::error(int line, int column, const QString &message) const {
    return {m_source.name, line, column, message, m_source.sheet};
}

std::optional<QuizFileError> QuizTable::addRow(int line, const std::vector<TableCell> &cells) {
    if (isBlankRow(cells))
        return std::nullopt;
    if (m_haveHeader)
        return readRow(cells, line);
    m_haveHeader = true;
    return readHeader(cells, line);
}

std::optional<QuizFileError> QuizTable::checkValues(const std::vector<TableCell> &cells, int line,
                                                    bool isHeader) const {
    for (int i = 0; i < m_width && i < int(cells.size()); ++i) {
        const bool isAnswer = i < m_quiz.answerCount;
        const TableCell &cell = cells[size_t(i)];
        if (const auto fault = badCharacter(cell.text, !isHeader && !isAnswer))
            return error(line, i + 1, *fault);
        if (isAnswer && isBlank(cell))
            return error(line, i + 1,
                         isHeader ? u"липсва надпис на колоната"_s : u"липсва стойност"_s);
    }
    return std::nullopt;
}

std::optional<QuizFileError> QuizTable::readHeader(const std::vector<TableCell> &cells, int line) {
    const int width = usedWidth(cells);
    switch (width) {
    case 2:
        m_quiz.answerCount = 2;
        break;
    case 3:
        m_quiz.answerCount = namesExplanations(cells[2].text) ? 2 : 3;
        break;
    case 4:
        m_quiz.answerCount = 3;
        break;
    default:
        return error(line, 0,
                     u"заглавният ред трябва да има 2, 3 или 4 колони: два отговора, три "
                     u"отговора или три отговора и обяснение (два отговора и обяснение, когато "
                     u"третата колона е „Обяснение“), разделени с „;“, „,“ или табулация, "
                     u"а има "_s +
                         QString::number(width));
    }
    m_width = width;
    if (auto fault = checkValues(cells, line, true))
        return fault;
    for (int i = 0; i < m_quiz.answerCount; ++i)
        m_quiz.captions[size_t(i)] = cells[size_t(i)].text;
    if (m_width > m_quiz.answerCount)
        m_quiz.explanationCaption = cells[size_t(m_quiz.answerCount)].text;
    return std::nullopt;
}

std::optional<QuizFileError> QuizTable::readRow(const std::vector<TableCell> &cells, int line) {
    if (m_quiz.rows.size() == size_t(maxQuizRows)) {
        return error(line, 0,
                     u"твърде много редове: списъците побират най-много "_s +
                         QString::number(maxQuizRows));
    }
    const int cellCount = int(cells.size());
    if (cellCount < m_width) {
        return error(line, cellCount + 1,
                     u"липсва поле: редът има "_s + QString::number(cellCount) +
                         u", а заглавният ред "_s + QString::number(m_width));
    }
    if (usedWidth(cells) > m_width) {
        return error(line, usedWidth(cells),
                     u"излишно поле: заглавният ред има само "_s + QString::number(m_width));
    }
    if (auto fault = checkValues(cells, line, false))
        return fault;

    QuizRow row;
    // Control characters are refused above, so a unit separator cannot occur in the values.
    QString answers;
    for (int i = 0; i < m_quiz.answerCount; ++i) {
        row.answers[size_t(i)] = cells[size_t(i)].text;
        answers += cells[size_t(i)].text + u'\x1f';
    }
    if (m_width > m_quiz.answerCount)
        row.explanation = cells[size_t(m_quiz.answerCount)].text;
    const auto seen = m_answersSeen.constFind(answers);
    if (seen != m_answersSeen.constEnd()) {
        return error(line, 0,
                     u"същите отговори като на ред "_s + QString::number(*seen) +
                         u" – двата реда не могат да се различат"_s);
    }
    m_answersSeen.insert(answers, line);
    m_quiz.rows.push_back(std::move(row));
    return std::nullopt;
}

QuizFileResult QuizTable::finish() {
    if (!m_haveHeader)
        return error(0, 0, u"няма заглавен ред: файлът е празен"_s);
    if (m_quiz.rows.size() < size_t(minQuizRows))
        return error(0, 0, u"под заглавния ред трябва да има поне 2 реда"_s);
    return std::move(m_quiz);
}

} // namespace content
