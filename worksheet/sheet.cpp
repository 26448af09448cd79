#include "worksheet/sheet.h"

#include "content/bulgarian.h"

#include <QHash>

#include <algorithm>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace worksheet {

namespace {

// List letters: the Bulgarian alphabet without Й, Ъ and Ь.
constexpr QStringView alphabet = u"АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЮЯ";

// The rows in the order of their entries in column `column`, as a sorted list of the window
// shows them: by the Bulgarian collation, equal entries in the order of the rows.
std::vector<int> sortedRows(const content::Quiz &quiz, int column) {
    const content::EntryOrder order;
    std::vector<int> rows(quiz.rows.size());
    std::iota(rows.begin(), rows.end(), 0);
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        return order.compare(quiz.rows[std::size_t(a)].answers[std::size_t(column)],
                             quiz.rows[std::size_t(b)].answers[std::size_t(column)]) < 0;
    });
    return rows;
}

LetteredList letteredList(const content::Quiz &quiz, int column) {
    LetteredList list;
    list.caption = quiz.captions[std::size_t(column)];
    list.entryOfRow.resize(quiz.rows.size());
    QHash<QString, int> entryOfText;
    for (int row : sortedRows(quiz, column)) {
        const QString &text = quiz.rows[std::size_t(row)].answers[std::size_t(column)];
        auto found = entryOfText.constFind(text);
        if (found == entryOfText.constEnd()) {
            found = entryOfText.insert(text, int(list.entries.size()));
            list.entries.append(text);
        }
        list.entryOfRow[std::size_t(row)] = *found;
    }
    return list;
}

} // namespace

Sheet::Sheet(const content::Quiz &quiz)
    : m_quiz(quiz)
    , m_rowOfNumber(sortedRows(quiz, 0)) {
    for (int column = 1; column < quiz.answerCount; ++column)
        m_lettered.push_back(letteredList(quiz, column));
}

QString Sheet::instructions() const {
    QString sentence = u"На линията срещу всеки номер от списъка „"_s + numberedCaption() + u"“ "_s;
    if (m_lettered.size() == 1) {
        sentence += u"напишете буквата на отговора от списъка „"_s + m_lettered[0].caption +
                    u"“, който му съответства"_s;
    } else {
        QStringList captions;
        for (const LetteredList &list : m_lettered)
            captions.append(u"„"_s + list.caption + u"“"_s);
        const QString last = captions.takeLast();
        sentence += u"напишете буквите на отговорите от списъците "_s + captions.join(u", "_s) +
                    u" и "_s + last + u", които му съответстват"_s;
    }
    const bool shared = std::any_of(m_lettered.begin(), m_lettered.end(), [this](const auto &list) {
        return list.entries.size() < rowCount();
    });
    return sentence + (shared ? u"; една буква може да е отговор на няколко номера."_s : u"."_s);
}

const content::QuizRow &Sheet::rowOf(int position) const {
    return m_quiz.rows[std::size_t(m_rowOfNumber[std::size_t(position)])];
}

const QString &Sheet::numberedEntry(int position) const {
    return rowOf(position).answers[0];
}

const QString &Sheet::explanation(int position) const {
    return rowOf(position).explanation;
}

// Blanks at the ends of an entry, which the quiz keeps, would stand out before the separators.
QString Sheet::keyLine(int position) const {
    const int row = m_rowOfNumber[std::size_t(position)];
    QStringList matches;
    for (const LetteredList &list : m_lettered) {
        const int entry = list.entryOfRow[std::size_t(row)];
        matches.append(letterLabel(entry) + u' ' + list.entries[entry].trimmed());
    }
    return numberedEntry(position).trimmed() + u" — "_s + matches.join(u"; "_s);
}

QString numberLabel(int position) {
    return QString::number(position + 1) + u'.';
}

QString letters(int index) {
    const auto base = int(alphabet.size());
    QString result;
    for (int rest = index + 1; rest > 0; rest = (rest - 1) / base)
        result.prepend(alphabet[(rest - 1) % base]);
    return result;
}

QString letterLabel(int index) {
    return letters(index) + u')';
}

} // namespace worksheet
