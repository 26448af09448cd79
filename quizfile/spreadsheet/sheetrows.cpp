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

void SheetRows::set(qint64 line, qint64 column, const QString &text) {
    std::vector<QString> &cells = cellsOfRow(line, column);
    countText(text.size());
    cells[size_t(column - 1)] = text;
}

void SheetRows::setShared(qint64 line, qint64 column, int index) {
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
