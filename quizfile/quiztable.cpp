#include "quizfile/quiztable.h"

#include "content/bulgarian.h"
#include "content/values.h"
#include "quizfile/quizfileerror.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

QString hex(char32_t c) {
    return u"U+"_s + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

// "1 колона", "3 колони": every count in a message says what it counts.
QString columnCount(qsizetype n) {
    return content::counted(n, u"колона"_s, u"колони"_s);
}

// The columns of a row of this width as a spreadsheet heads them: „A–E“, or „A, B, D и E“ when
// the sheet hides one between them.
QString columnsNamed(int width, const std::function<int(int)> &sheetColumn) {
    QStringList letters;
    bool contiguous = true;
    for (int i = 1; i <= width; ++i) {
        letters << columnLetters(sheetColumn(i));
        contiguous = contiguous && sheetColumn(i) == sheetColumn(1) + i - 1;
    }
    if (width < 1)
        return {};
    if (contiguous && width > 2)
        return letters.front() + u'–' + letters.back();
    return content::joinedList(letters);
}

QString rowCount(qsizetype n) {
    return content::counted(n, u"ред"_s, u"реда"_s);
}

bool isBlank(const QString &text) {
    return std::all_of(text.begin(), text.end(), isBlankCharacter);
}

bool isBlankRow(const QStringList &values) {
    return std::all_of(values.begin(), values.end(), isBlank);
}

// The number of cells up to the last one that holds anything: spreadsheets add empty ones.
int usedWidth(const QStringList &values) {
    auto last = std::find_if(values.rbegin(), values.rend(),
                             [](const QString &value) { return !isBlank(value); });
    return int(values.rend() - last);
}

// Whether every character is printable ASCII or lies from U+00A0 up to the surrogates, as
// nearly every cell's do: the first test of badCharacter, made eight characters at a time where
// the processor can, which reads a large table's text several times faster.
bool onlyPlainCharacters(QStringView text) {
    const char16_t *next = text.utf16();
    const char16_t *const end = next + text.size();
#if defined(__SSE2__) || defined(_M_X64)
    // u - low < width, unsigned, is u - low saturated at width - 1 being 0.
    const auto within = [](__m128i chars, short low, short width) {
        const __m128i offset = _mm_sub_epi16(chars, _mm_set1_epi16(low));
        return _mm_cmpeq_epi16(_mm_subs_epu16(offset, _mm_set1_epi16(short(width - 1))),
                               _mm_setzero_si128());
    };
    for (; end - next >= 8; next += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(next));
        const __m128i plain = _mm_or_si128(within(chars, 0x20, 0x7F - 0x20),
                                           within(chars, 0xA0, short(0xD800 - 0xA0)));
        if (_mm_movemask_epi8(plain) != 0xFFFF)
            return false;
    }
#endif
    for (; next != end; ++next) {
        const char16_t u = *next;
        if (!((u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u < 0xD800)))
            return false;
    }
    return true;
}

// Why a value cannot be shown in a list or a label, or nothing when it can. Line breaks and tabs
// are allowed only where the text box shows them.
std::optional<QString> badCharacter(const QString &value, bool inTextBox) {
    if (onlyPlainCharacters(value))
        return std::nullopt;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t u = value[i].unicode();
        if ((u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u < 0xD800) || (u > 0xDFFF && u != 0xFFFD))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(u) || u == 0xFFFD) // half a pair, or what a decoder put for bytes
            return u"знак, който не може да бъде разчетен: файлът не е записан в кодировката си; "
                   u"запишете таблицата отново с кодировка UTF-8"_s;
        if (u == u'\r' || u == u'\n') {
            if (inTextBox)
                continue;
            return u"стойността е на няколко реда, а тук е разрешен само един (нов ред може да има "
                   u"само в обяснение); съберете текста на един ред"_s;
        }
        if (u == u'\t') {
            if (inTextBox)
                continue;
            return u"в стойността има табулация; заменете я с интервал"_s;
        }
        // C0, DEL and C1: invisible, so the teacher can only type the value again.
        return u"в стойността има управляващ знак "_s + hex(u) +
               u", който не се вижда; напишете стойността наново"_s;
    }
    return std::nullopt;
}

bool isCyrillic(char16_t u) {
    return u >= 0x400 && u < 0x530;
}

bool isLatin(char16_t u) {
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
           (u >= 0xC0 && u < 0x250 && u != 0xD7 && u != 0xF7);
}

// A word that mixes Cyrillic and Latin letters, as a slip of the keyboard's layout makes one
// („Дунaв“ with a Latin „a“): why the value cannot be played, naming the letter of the fewer
// kind, or nothing. Words wholly in one alphabet (names, Roman numerals) are right as they are.
std::optional<QString> mixedAlphabets(const QString &value) {
    qsizetype start = 0;
    int cyrillic = 0;
    int latin = 0;
    for (qsizetype i = 0; i <= value.size(); ++i) {
        const char16_t u = i < value.size() ? value[i].unicode() : u' ';
        if (isCyrillic(u) && QChar::isLetter(u)) {
            ++cyrillic;
            continue;
        }
        if (isLatin(u)) {
            ++latin;
            continue;
        }
        if (cyrillic > 0 && latin > 0) {
            const QString word = value.mid(start, i - start);
            const bool latinAmongCyrillic = cyrillic >= latin;
            const QChar letter = *std::find_if(word.begin(), word.end(), [&](QChar c) {
                return latinAmongCyrillic ? isLatin(c.unicode()) : isCyrillic(c.unicode());
            });
            return u"„"_s + letter +
                   (latinAmongCyrillic ? u"“ е латинска буква сред кирилски в думата „"_s
                                       : u"“ е кирилска буква сред латински в думата „"_s) +
                   word + u"“ и думата изглежда като друга; напишете я наново "_s +
                   (latinAmongCyrillic ? u"на кирилица"_s : u"на латиница"_s);
        }
        start = i + 1;
        cyrillic = 0;
        latin = 0;
    }
    return std::nullopt;
}

// What a caption or a value is, for telling a row of answers from a header: Text, or a number,
// date or time as the spreadsheet's cells are.
QString kindName(content::ValueKind kind) {
    switch (kind) {
    case content::ValueKind::Number:
        return u"число"_s;
    case content::ValueKind::Date:
        return u"дата"_s;
    case content::ValueKind::Time:
        return u"час"_s;
    case content::ValueKind::Text:
        break;
    }
    return {};
}

// The texts of a row as the teacher meant them: blanks around a value dropped, unless she wrote
// it in quotes.
QStringList valuesOf(const std::vector<TableCell> &cells) {
    QStringList values;
    values.reserve(qsizetype(cells.size()));
    for (const TableCell &cell : cells)
        values.append(cell.quoted ? cell.text : withoutSurroundingBlanks(cell.text));
    return values;
}

} // namespace

bool isBlankCharacter(QChar c) {
    // No blank lies from U+0100 (after the no-break space) to U+167F (before the Ogham space
    // mark), where Cyrillic is: the common case needs no look-up of the character's category.
    if (c.unicode() >= 0x100 && c.unicode() < 0x1680)
        return false;
    return c.isSpace() || c == u'\u200B' || c == u'\u2060' || c == u'\uFEFF';
}

QString withoutSurroundingBlanks(const QString &text) {
    const auto first = std::find_if_not(text.begin(), text.end(), isBlankCharacter);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlankCharacter).base();
    if (first == text.begin() && last == text.end())
        return text; // shared, not copied: most cells have no blanks to drop
    return first < last ? QString(first, last - first) : QString();
}

bool namesExplanations(const QString &caption) {
    const QString written = withoutSurroundingBlanks(caption);
    for (QStringView word : explanationCaptions)
        if (written.compare(word, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

const QString &ColumnTexts::add(const QString &text, int &number) {
    if (m_texts.size() * 2 >= m_slots.size())
        grow();
    // Seeded as QHash seeds its own, so that a file cannot be made to put its texts in one chain.
    const auto hash = quint32(qHash(text, QHashSeed::globalSeed()));
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot &slot = m_slots[i];
        if (slot.number < 0) {
            slot = {hash, int(m_texts.size())};
            m_texts.push_back(text);
        } else if (slot.hash != hash || m_texts[std::size_t(slot.number)] != text) {
            continue;
        }
        number = slot.number;
        return m_texts[std::size_t(slot.number)];
    }
}

void ColumnTexts::grow() {
    std::vector<Slot> grown(std::max<std::size_t>(64, m_slots.size() * 2));
    const std::size_t mask = grown.size() - 1;
    for (const Slot &slot : m_slots) {
        if (slot.number < 0)
            continue;
        std::size_t i = slot.hash & mask;
        while (grown[i].number >= 0)
            i = (i + 1) & mask;
        grown[i] = slot;
    }
    m_slots = std::move(grown);
}

QuizTable::QuizTable(TableSource source)
    : m_source(std::move(source)) {
    m_quiz.title = m_source.title;
}

void QuizTable::fail(int line, int column, const QString &message) const {
    // A heading the reader made itself (a vocabulary's, from its languages) is on no line of the
    // file, and so in no column of it either.
    throw FileFault{message, line, line == 0 ? 0 : sheetColumn(column), m_source.sheet};
}

int QuizTable::sheetColumn(int column) const {
    const std::vector<int> &columns = m_source.columns;
    if (column < 1 || columns.empty())
        return column;
    // A cell past the last visible column stands that far past it.
    return size_t(column) <= columns.size() ? columns[size_t(column) - 1]
                                            : columns.back() + column - int(columns.size());
}

// What a text file's teacher does when a value holds the separator: spreadsheets write such a
// value in quotes, a text editor does not.
QString QuizTable::quotesHint() const {
    if (m_source.separator != u';' && m_source.separator != u',')
        return {};
    return u" или, ако „"_s + QChar(m_source.separator) +
           u"“ е част от стойността, оградете цялата стойност в кавички"_s;
}

void QuizTable::addRow(int line, const std::vector<TableCell> &cells) {
    const QStringList values = valuesOf(cells);
    if (isBlankRow(values))
        return;
    if (m_headerLine) {
        readRow(values, line);
        return;
    }
    std::vector<int> filled;
    for (int i = 0; i < int(values.size()); ++i)
        if (!isBlank(values[i]))
            filled.push_back(i + 1);
    if (!m_titleLine && filled.size() == 1) {
        readTitle(values, line);
        return;
    }
    // Two cells apart: a title with the class or a date beside it, or captions with one left
    // out between them; either way the second cell is what keeps it from being a title.
    if (!m_titleLine && filled.size() == 2 && filled[1] > filled[0] + 1) {
        fail(line, filled[1],
             u"ако на този ред е заглавието на викторината, на реда не може да има друго: "
             u"преместете „"_s +
                 values[filled[1] - 1] +
                 u"“ в клетката на заглавието или го изтрийте; ако това е редът с надписите на "
                 u"колоните, попълнете празните клетки между надписите"_s);
    }
    m_headerLine = line;
    readHeader(values, line);
}

void QuizTable::readTitle(const QStringList &values, int line) {
    m_titleLine = line;
    const int column = usedWidth(values);
    const QString &title = values[column - 1];
    if (const auto fault = badCharacter(title, false))
        fail(line, column, *fault);
    m_quiz.title = title;
}

// cellsGiven: how many cells the row has; the ones after them are missing, and so empty.
void QuizTable::checkValues(const QStringList &values, int line, bool isHeader,
                            int cellsGiven) const {
    for (int i = 0; i < m_width; ++i) {
        const bool isAnswer = i < m_quiz.answerCount;
        const QString &value = values[i];
        if (const auto fault = badCharacter(value, !isHeader && !isAnswer))
            fail(line, i + 1, *fault);
        if (isAnswer)
            if (const auto fault = mixedAlphabets(value))
                fail(line, i + 1, *fault);
        if (!isAnswer || !isBlank(value))
            continue;
        if (isHeader)
            fail(line, i + 1, u"липсва надпис на колоната; напишете в клетката името на списъка"_s);
        if (i >= cellsGiven)
            fail(line, i + 1,
                 u"липсва стойност: редът има "_s + columnCount(cellsGiven) +
                     u", а заглавният ред – "_s + columnCount(m_width) + u"; попълнете клетката"_s);
        fail(line, i + 1, u"липсва стойност; попълнете клетката или изтрийте реда"_s);
    }
}

void QuizTable::readHeader(const QStringList &values, int line) {
    const int width = usedWidth(values);
    switch (width) {
    case 2:
        m_quiz.answerCount = 2;
        break;
    case 3:
        m_quiz.answerCount = namesExplanations(values[2]) ? 2 : 3;
        break;
    case 4:
        m_quiz.answerCount = 3;
        break;
    default: {
        QString message =
            u"заглавният ред трябва да има 2, 3 или 4 колони: два отговора, три отговора или три "
            u"отговора и обяснение (два отговора и обяснение, когато третата колона е "
            u"„Обяснение“, „Пояснение“, „Бележка“, „Коментар“ или „Описание“), а има "_s +
            columnCount(width) + u" ("_s + columnsNamed(width, byPlace()) + u')';
        if (width > 4)
            message += u"; изтрийте излишните колони"_s;
        else
            message +=
                u"; всяко име на колона трябва да е в своя клетка"_s +
                (m_source.separator != 0 ? u" (във файла – разделено с „;“, „,“ или табулация)"_s
                                         : QString()) +
                u", а над заглавния ред може да има само един ред със заглавието на "
                u"викторината"_s;
        fail(line, 0, message);
    }
    }
    m_width = width;
    checkValues(values, line, true, int(values.size()));
    for (int i = 0; i < m_quiz.answerCount; ++i) {
        m_quiz.captions[size_t(i)] = values[i];
        m_captionKinds[size_t(i)] = content::valueKind(values[i]);
    }
    if (m_width > m_quiz.answerCount)
        m_quiz.explanationCaption = values[m_quiz.answerCount];
}

void QuizTable::readRow(QStringList values, int line) {
    if (m_quiz.rows.size() == size_t(content::maxQuizRows)) {
        fail(line, 0,
             u"твърде много редове: списъците побират най-много "_s +
                 rowCount(content::maxQuizRows) + u"; разделете таблицата на няколко викторини"_s);
    }
    const int cellsGiven = int(values.size());
    const auto extra = std::find_if(values.begin() + std::min(cellsGiven, m_width), values.end(),
                                    [](const QString &value) { return !isBlank(value); });
    if (extra != values.end()) {
        fail(line, int(extra - values.begin()) + 1,
             u"излишна клетка: заглавният ред има само "_s + columnCount(m_width) + u" ("_s +
                 columnsNamed(m_width, byPlace()) + u')' + u"; изтрийте клетката"_s + quotesHint());
    }
    // Only a short row grows: resizing the list it shares with the caller would copy it.
    if (cellsGiven < m_width)
        values.resize(m_width);
    checkValues(values, line, false, cellsGiven);

    content::QuizRow row;
    // A list holds at most 32 767 entries, so each column's number fits in 16 bits.
    quint64 answers = 0;
    for (int i = 0; i < m_quiz.answerCount; ++i) {
        const QString &answer = values[i];
        // A caption that is also one of its column's values was the first answer, not a name.
        if (answer == m_quiz.captions[size_t(i)]) {
            fail(*m_headerLine, 0,
                 u"прилича на ред с отговори, а не на заглавия: „"_s + answer +
                     u"“ е и отговор на ред "_s + QString::number(line) +
                     u" в същата колона. Ако таблицата няма заглавен ред, добавете ред с "
                     u"надписи над нея (имената на колоните, например „Писател“, „Творба“, "
                     u"„Герой“)"_s);
        }
        // A caption that is a number or a date counts the values under it of its kind.
        if (m_captionKinds[size_t(i)] != content::ValueKind::Text &&
            content::valueKind(answer) == m_captionKinds[size_t(i)])
            ++m_valuesOfCaptionKind[size_t(i)];
        int number = 0;
        row.answers[size_t(i)] = m_answerTexts[size_t(i)].add(answer, number);
        answers |= quint64(number) << (16 * i);
    }
    if (m_width > m_quiz.answerCount)
        row.explanation = values[m_quiz.answerCount];
    if (const auto seen = m_lineOfAnswers.constFind(answers); seen != m_lineOfAnswers.constEnd()) {
        fail(line, 0,
             u"същите отговори като на ред "_s + QString::number(*seen) +
                 u" – двата реда не могат да се различат; изтрийте единия ред или "
                 u"променете отговорите му"_s);
    }
    m_lineOfAnswers.insert(answers, line);
    m_quiz.rows.push_back(std::move(row));
}

content::Quiz QuizTable::finish() {
    if (!m_headerLine && m_titleLine)
        fail(*m_titleLine, 0,
             u"под заглавието на викторината няма заглавен ред; напишете под него "
             u"имената на колоните, а под тях – отговорите"_s);
    if (!m_headerLine)
        fail(0, 0,
             u"няма заглавен ред: таблицата е празна; на първия ред напишете имената на "
             u"колоните, а под тях – отговорите"_s);
    // A header whose caption is a number or a date, as every value under it is, is the table's
    // first row of answers.
    for (int i = 0; i < m_quiz.answerCount; ++i) {
        if (m_captionKinds[size_t(i)] == content::ValueKind::Text || m_quiz.rows.empty() ||
            m_valuesOfCaptionKind[size_t(i)] != qint64(m_quiz.rows.size()))
            continue;
        const QString kind = kindName(m_captionKinds[size_t(i)]);
        fail(*m_headerLine, 0,
             u"прилича на ред с отговори, а не на надписи: „"_s + m_quiz.captions[size_t(i)] +
                 u"“ е "_s + kind +
                 u", както всички стойности под него. Ако таблицата няма ред с "
                 u"надписи, добавете ред с надписи над нея (имената на колоните, например "
                 u"„Година“, „Събитие“)"_s);
    }
    if (m_quiz.rows.size() < size_t(content::minQuizRows))
        fail(0, 0,
             u"под заглавния ред трябва да има поне "_s + rowCount(content::minQuizRows) +
                 u" с отговори, а има "_s + rowCount(qsizetype(m_quiz.rows.size())) +
                 u"; добавете още редове"_s);
    return std::move(m_quiz);
}

} // namespace quizfile
