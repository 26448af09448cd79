#include "quizfile/spreadsheet/sheetrows.h"

#include "content/quiz.h"
#include "quizfile/spreadsheet/caps.h"
#include "quizfile/spreadsheet/filefault.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace quizfile {

std::vector<QString> &SheetRows::cellsOfRow(qint64 line, qint64 column) {
    if (line < 1 || line > maxSheetRows || column < 1 || column > maxSheetColumns) {
        throw FileFault{u"файлът е повреден: има клетка извън границите на лист (ред "_s +
                        QString::number(line) + u", колона "_s + QString::number(column) + u')'};
    }
    if (m_rows.empty() || m_rows.back().line < line)
        m_rows.push_back({int(line), {}});
    else if (m_rows.back().line > line)
        throw FileFault{u"файлът е повреден: редовете на листа не са подредени"_s};
    std::vector<QString> &cells = m_rows.back().cells;
    if (size_t(column) > cells.size()) {
        m_cells += column - qint64(cells.size());
        if (m_cells > maxSheetCells) {
            throw FileFault{u"листът е твърде голям: има текст и след "_s +
                            QString::number(maxSheetCells) +
                            u" клетки, повече, отколкото една викторина може да има"_s};
        }
        cells.resize(size_t(column));
    }
    return cells;
}

void SheetRows::countText(qint64 characters) {
    m_chars += characters;
    if (m_chars > maxSheetChars) {
        throw FileFault{u"листът е твърде голям: текстът му е над "_s +
                        QString::number(maxSheetChars) +
                        u" знака, повече, отколкото една викторина може да има"_s};
    }
}

void SheetRows::hideColumns(qint64 first, qint64 last) {
    first = std::max<qint64>(first, 1);
    last = std::min<qint64>(last, maxSheetColumns);
    if (first > last)
        return;
    if (m_hiddenColumns.size() < size_t(last))
        m_hiddenColumns.resize(size_t(last));
    std::fill(m_hiddenColumns.begin() + (first - 1), m_hiddenColumns.begin() + last, true);
}

void SheetRows::hideRows(qint64 first, qint64 last) {
    if (first > last)
        return;
    if (!m_hiddenRows.empty() && m_hiddenRows.back().second + 1 >= first)
        m_hiddenRows.back().second = std::max(m_hiddenRows.back().second, last);
    else
        m_hiddenRows.emplace_back(first, last);
}

// Rows come in order, and are hidden just before their cells come: the last range is the one.
bool SheetRows::isHidden(qint64 line, qint64 column) const {
    if (column >= 1 && size_t(column) <= m_hiddenColumns.size() && m_hiddenColumns[column - 1])
        return true;
    return !m_hiddenRows.empty() && m_hiddenRows.back().first <= line &&
           line <= m_hiddenRows.back().second;
}

std::vector<int> SheetRows::visibleColumns(std::size_t upTo) const {
    std::vector<int> columns;
    for (std::size_t column = 1; column <= upTo; ++column)
        if (column > m_hiddenColumns.size() || !m_hiddenColumns[column - 1])
            columns.push_back(int(column));
    return columns;
}

void SheetRows::set(qint64 line, qint64 column, const QString &text) {
    if (isHidden(line, column))
        return;
    std::vector<QString> &cells = cellsOfRow(line, column);
    countText(text.size());
    cells[size_t(column - 1)] = text;
}

void SheetRows::setShared(qint64 line, qint64 column, int index) {
    if (isHidden(line, column))
        return;
    if (index < 0 || index >= maxSharedStrings) {
        throw FileFault{u"файлът е повреден или злонамерен: клетка сочи общ текст номер "_s +
                        QString::number(index) + u", а разрешени са до "_s +
                        QString::number(maxSharedStrings)};
    }
    cellsOfRow(line, column);
    m_shared.push_back({m_rows.size() - 1, int(column), index});
    m_largestShared = std::max(m_largestShared, index);
}

void SheetRows::resolveShared(const std::vector<QString> &texts) {
    for (const SharedCell &shared : m_shared) {
        if (size_t(shared.index) >= texts.size()) {
            throw FileFault{u"файлът е повреден: клетка сочи общ текст номер "_s +
                            QString::number(shared.index) + u", какъвто няма"_s};
        }
        const QString &text = texts[size_t(shared.index)];
        countText(text.size());
        m_rows[shared.row].cells[size_t(shared.column - 1)] = text;
    }
}

void SheetRows::merge(qint64 firstLine, qint64 firstColumn, qint64 lastLine, qint64 lastColumn) {
    auto row = std::lower_bound(m_rows.begin(), m_rows.end(), firstLine,
                                [](const Row &r, qint64 line) { return r.line < line; });
    for (; row != m_rows.end() && row->line <= lastLine; ++row) {
        const qint64 from =
            std::max<qint64>(row->line == firstLine ? firstColumn + 1 : firstColumn, 1);
        const qint64 to = std::min<qint64>(lastColumn, qint64(row->cells.size()));
        // Merged ranges do not overlap, so all of them together cover each cell once.
        m_mergeSteps += 1 + std::max<qint64>(to - from + 1, 0);
        if (m_mergeSteps > 4 * qint64(maxSheetCells))
            throw FileFault{u"файлът е повреден: слетите клетки се застъпват"_s};
        for (qint64 column = from; column <= to; ++column)
            row->cells[size_t(column - 1)].clear();
    }
}

bool SheetRows::full() const {
    return m_rows.size() > size_t(content::maxQuizRows) + 2;
}

std::size_t SheetRows::width() const {
    std::size_t widest = 0;
    for (const Row &row : m_rows)
        widest = std::max(widest, row.cells.size());
    return widest;
}

} // namespace quizfile
