#pragma once

#include "content/quiztable.h"

#include <QString>

#include <vector>

namespace content {

// The cells of a spreadsheet's sheet as a reader finds them, kept until the whole sheet is read
// (a workbook lists its merged cells after them), then given row by row to the quiz table. Only
// cells that hold text are set; the empty ones between them are made, the empty rows and
// columns around them never are. Throws FileFault past the caps of quizfile.h.
class SheetRows {
public:
    // Sets the cell at row line, column column (both from 1). Rows come in increasing order.
    void set(qint64 line, qint64 column, const QString &text);
    // Sets the cell to the workbook's shared text of this index, which resolveShared() gives.
    void setShared(qint64 line, qint64 column, int index);
    // The largest index of shared text a cell uses, or -1.
    int largestShared() const { return m_largestShared; }
    // Puts the shared texts into their cells: texts holds at least every index a cell uses.
    void resolveShared(const std::vector<QString> &texts);
    // Empties every cell of the range but its first, as a merged cell reads. Ranges that
    // overlap over and over are refused.
    void merge(qint64 firstLine, qint64 firstColumn, qint64 lastLine, qint64 lastColumn);
    // Whether a quiz table can use no further row: more rows hold text than the largest quiz
    // has rows, with its header and a title above it.
    bool full() const;
    // Gives the rows to the table, in order: the quiz, or the first error.
    QuizFileResult finish(QuizTable &table) const;

private:
    struct Row {
        int line;
        std::vector<TableCell> cells;
    };
    struct SharedCell {
        size_t row; // in m_rows
        int column;
        int index;
    };
    std::vector<TableCell> &cellsOfRow(qint64 line, qint64 column);
    void countText(qint64 characters);

    std::vector<Row> m_rows;
    std::vector<SharedCell> m_shared;
    int m_largestShared = -1;
    qint64 m_cells = 0;
    qint64 m_chars = 0;
    qint64 m_mergeSteps = 0;
};

} // namespace content
