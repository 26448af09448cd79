#pragma once

#include <QString>

#include <vector>

namespace quizfile {

// The cells of a spreadsheet's sheet as a reader finds them, kept until the whole sheet is read
// (a workbook lists its merged cells after them). Only cells that hold text are set; the empty
// ones between them are made, the empty rows and columns around them never are. Hidden rows and
// columns (filtered-out rows among them) hold nothing: a teacher does not see them. Throws
// FileFault past the caps of caps.h.
class SheetRows {
public:
    struct Row {
        int line; // the row's number in the sheet, from 1
        std::vector<QString> cells;
    };

    // Leaves these columns out of the sheet; told before any of their cells is set.
    void hideColumns(qint64 first, qint64 last);
    // Leaves these rows out; told before any of their cells is set, and in increasing order.
    void hideRows(qint64 first, qint64 last);
    // The columns up to this one, from 1, that are not hidden.
    std::vector<int> visibleColumns(std::size_t upTo) const;

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
    // Whether a quiz can use no further row: more rows hold text than the largest quiz has
    // rows, with its header and a title above it.
    bool full() const;

    // The rows that hold text, in order, each as long as it was written.
    const std::vector<Row> &rows() const { return m_rows; }
    // The cells of the widest row: a CSV of the sheet writes every row as wide.
    std::size_t width() const;

private:
    struct SharedCell {
        size_t row; // in m_rows
        int column;
        int index;
    };
    std::vector<QString> &cellsOfRow(qint64 line, qint64 column);
    void countText(qint64 characters);
    bool isHidden(qint64 line, qint64 column) const;

    std::vector<Row> m_rows;
    std::vector<SharedCell> m_shared;
    std::vector<bool> m_hiddenColumns;                   // by column - 1, up to the last hidden
    std::vector<std::pair<qint64, qint64>> m_hiddenRows; // ranges, in increasing order
    int m_largestShared = -1;
    qint64 m_cells = 0;
    qint64 m_chars = 0;
    qint64 m_mergeSteps = 0;
};

// The first sheet of a workbook: its name, as its tab shows it, and its rows.
struct FirstSheet {
    QString name;
    SheetRows rows;
};

} // namespace quizfile
