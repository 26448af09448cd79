#pragma once

#include "content/quiz.h"

#include <QStringList>

#include <vector>

namespace worksheet {

// A list the pupil picks answers from on paper: its caption and its entries in the lists' sorted
// order, each with a letter. A text that stands in several rows is one entry, so that its
// letter is the answer to each of them.
struct LetteredList {
    QString caption;
    QStringList entries;
    std::vector<int> entryOfRow; // for each row of the quiz, the index of its entry
};

// What a paper worksheet of a quiz says, before it is put on pages: the first list numbered in
// the order the window shows it, one number for each row; the other lists lettered; and for the
// key, each number's matches. Holds a reference to the quiz, which must outlive it.
class Sheet {
public:
    explicit Sheet(const content::Quiz &quiz);

    const QString &title() const { return m_quiz.title; }
    // The one sentence that tells the pupil what to write where.
    QString instructions() const;

    int rowCount() const { return int(m_rowOfNumber.size()); }
    const QString &numberedCaption() const { return m_quiz.captions[0]; }
    // The entry with number position + 1.
    const QString &numberedEntry(int position) const;
    const std::vector<LetteredList> &letteredLists() const { return m_lettered; }

    // The key's line for number position + 1: its entry, then the letter and text of each of its
    // matches, e.g. "Ажинкур - битка — Г) Хенри V; Ф) Шарл VI".
    QString keyLine(int position) const;
    // The explanation of that row, empty when it has none.
    const QString &explanation(int position) const;

private:
    const content::QuizRow &rowOf(int position) const;

    const content::Quiz &m_quiz;
    std::vector<int> m_rowOfNumber; // the quiz row each number stands for
    std::vector<LetteredList> m_lettered;
};

// "1.", "2.", … for the numbered list, position counted from 0.
QString numberLabel(int position);

// The letter of entry `index` of a lettered list: the Bulgarian alphabet without Й, Ъ and Ь (Й
// is read as И in handwriting, and Ъ and Ь are never list letters), so А … Я are 27 letters;
// after Я come two letters, as spreadsheet columns go on: АА, АБ, … АЯ, БА, … and then three.
QString letters(int index);
// The same with the closing bracket the sheet writes after it: "А)".
QString letterLabel(int index);

} // namespace worksheet
