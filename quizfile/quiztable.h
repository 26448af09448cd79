#pragma once

#include "content/quiz.h"
#include "content/values.h"
#include "quizfile/spreadsheet/filefault.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace quizfile {

// Where the cells of a table come from, as messages name it and as the quiz is titled.
struct TableSource {
    QString name;  // a file's name without its folder, or „поставения текст“
    QString sheet; // the spreadsheet's sheet the cells are on; empty for text
    QString title; // the quiz's title, unless the table has a title row
    // What separates the cells of a text source (';', ',' or a tab), for the hints of its
    // messages; 0 for a spreadsheet's sheet.
    char16_t separator = 0;
    // The column of each cell of a row as the sheet names it, when the sheet hides some; empty
    // when a cell's column is its place in the row.
    std::vector<int> columns{};
};

// One cell as its reader found it.
struct TableCell {
    QString text;
    // Written in quotes in a text file: every character in it, blanks too, is the teacher's.
    bool quoted = false;
};

// The blanks a table drops around the text of a cell not written in quotes: spaces, tabs, line
// breaks, no-break and other Unicode spaces, and the invisible zero-width ones. A spreadsheet
// shows none of them, so a teacher never meant them as part of a value.
bool isBlankCharacter(QChar c);
QString withoutSurroundingBlanks(const QString &text);

// Whether a header's third caption names explanations (one of explanationCaptions, in any case,
// blanks around it aside), which makes a header of three two answers and an explanation; any
// other caption keeps it three answers, as such files have always been read.
bool namesExplanations(const QString &caption);
// The captions that name explanations, as teachers write them.
inline constexpr std::array<QStringView, 5> explanationCaptions = {
    u"Обяснение", u"Пояснение", u"Бележка", u"Коментар", u"Описание"};

// The distinct texts of a table's column, each numbered in the order first seen: a text that
// comes again is given back as it came first, sharing its characters, as answer columns repeat
// their values (a winner, a country, a year). Open addressing over the texts' hashes, kept with
// them, so that growing reads no text again.
class ColumnTexts {
public:
    // The text as it came first, and its number.
    const QString &add(const QString &text, int &number);

private:
    void grow();

    struct Slot {
        quint32 hash = 0;
        int number = -1; // -1: empty
    };
    std::vector<QString> m_texts;
    std::vector<Slot> m_slots;
};

// Turns the rows of a table into a quiz, whatever the table was read from: a CSV file, pasted
// cells or a spreadsheet's sheet give the same quiz and the same messages for the same cells.
// Blanks around a cell's text are dropped unless it was written in quotes. Blank rows are
// skipped. A first row with a single cell filled is the quiz's title; the next row is the
// header: its captions name the answer lists, and its width decides the shape (two answers;
// three; or either with an explanation column). Every further row is one right answer, checked
// for empty values, characters a list cannot show, width, repeated answers and a caption among
// its column's values (the table has no header: its first row is an answer). Cells missing at
// the end of a row are empty ones.
class QuizTable {
public:
    explicit QuizTable(TableSource source);

    // Takes the next row of the table; line is its number as the teacher sees it (a spreadsheet's
    // row number), and a cell's column is its place in cells, from 1. Blank rows are skipped. A
    // row that cannot be played throws FileFault, which ends the table.
    void addRow(int line, const std::vector<TableCell> &cells);

    // The quiz; throws FileFault when the table as a whole cannot be played.
    content::Quiz finish();

    // Refuses the table for a fault at this place: a column of 0 means the whole row, a line of
    // 0 the whole table.
    [[noreturn]] void fail(int line, int column, const QString &message) const;
    // The column a cell of this place in a row is in, as the sheet names it.
    int sheetColumn(int column) const;
    std::function<int(int)> byPlace() const {
        return [this](int column) { return sheetColumn(column); };
    }

private:
    void readTitle(const QStringList &values, int line);
    void readHeader(const QStringList &values, int line);
    void readRow(QStringList values, int line);
    void checkValues(const QStringList &values, int line, bool isHeader, int cellsGiven) const;
    QString quotesHint() const;

    TableSource m_source;
    content::Quiz m_quiz;
    // The rows of the title, when the table has one, and of the header, once it is read; any
    // number a reader gives its rows, 0 too.
    std::optional<int> m_titleLine;
    std::optional<int> m_headerLine;
    int m_width = 0; // columns of the header: the answers and, if there is one, the explanation
    // Each answer column's texts so far.
    std::array<ColumnTexts, content::maxAnswerColumns> m_answerTexts;
    // What each caption is (a number, a date…), and how many values under it are of its kind.
    std::array<content::ValueKind, content::maxAnswerColumns> m_captionKinds{};
    std::array<qint64, content::maxAnswerColumns> m_valuesOfCaptionKind{};
    // The line of each row read so far, by its answers' numbers in their columns: rows with the
    // same answers have the same numbers, and only they.
    QHash<quint64, int> m_lineOfAnswers;
};

} // namespace quizfile
