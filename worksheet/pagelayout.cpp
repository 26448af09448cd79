#include "worksheet/pagelayout.h"

#include "worksheet/sheet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace worksheet {

namespace {

// The layout's spaces, in points.
constexpr qreal titleGap = 10;
constexpr qreal sectionGap = 14;
constexpr qreal captionGap = 4;
constexpr qreal writingRoom = 6; // under each numbered entry's line to write on
constexpr qreal entryGap = 2;
constexpr qreal keyGap = 6;
constexpr qreal labelGap = 5; // between a number or letter and its entry
constexpr qreal gutter = 18;  // between columns
constexpr qreal answerWidth = 62;
constexpr qreal answerInset = 8;
constexpr qreal footerGap = 8;

struct Cell {
    qreal x = 0;
    qreal width = 0;
    TextStyle style = TextStyle::Body;
    Qt::Alignment alignment = Qt::AlignLeft;
    QString text;
};

// Texts side by side that start at the same height; the tallest gives the row its height.
struct Row {
    std::vector<Cell> cells;
    std::vector<std::pair<qreal, qreal>> rules; // from x to x, under the row's text
    qreal spaceAfter = 0;
};

// Puts rows on pages from the top down and hands over each page when the next begins.
class Flow {
public:
    Flow(const Typesetter &typesetter, QSizeF pageSize,
         const std::function<void(const Page &)> &takePage)
        : m_typesetter(typesetter)
        , m_pageSize(pageSize)
        , m_takePage(takePage)
        , m_bottom(pageSize.height() - typesetter.lineSpacing(TextStyle::Small) -
                   footerGap * typesetter.point()) {}

    // Puts the rows on the page together, or all on the next page if they do not fit here but
    // fit there; only rows too tall for any one page go one by one.
    void placeTogether(const std::vector<Row> &rows) {
        const std::vector<std::vector<int>> lines = makeRoomFor(rows);
        for (std::size_t i = 0; i < rows.size(); ++i)
            place(rows[i], lines[i]);
    }

    // Starts a part with a caption that comes again at the top of every page it goes on to,
    // together with its first rows.
    void startPart(const std::vector<Row> &header, const std::vector<Row> &firstRows) {
        setRunningHeader({});
        std::vector<Row> opening = header;
        opening.insert(opening.end(), firstRows.begin(), firstRows.end());
        const std::vector<std::vector<int>> lines = makeRoomFor(opening);
        for (std::size_t i = 0; i < opening.size(); ++i) {
            if (i == header.size())
                setRunningHeader(header);
            place(opening[i], lines[i]);
        }
    }

    // Puts the row on this page if it fits, else on the next; a row taller than a whole page
    // fills pages line by line.
    void place(const Row &row) { place(row, lineCounts(row)); }

    void place(const Row &row, const std::vector<int> &lines) {
        if (textHeight(row, lines) > room() && hasContent() &&
            textHeight(row, lines) <= m_bottom - m_headerHeight)
            startPage();
        std::vector<int> done(lines.size(), 0);
        for (;;) {
            std::vector<int> now(lines.size(), 0);
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const qreal spacing = m_typesetter.lineSpacing(row.cells[i].style);
                const int fit = int(std::floor(std::max(room(), 0.0) / spacing + 1e-6));
                now[i] = std::min(lines[i] - done[i], fit);
            }
            if (std::all_of(now.begin(), now.end(), [](int n) { return n == 0; })) {
                if (hasContent()) {
                    startPage();
                    continue;
                }
                // Not even one line fits on an empty page: one line each, so the flow ends.
                for (std::size_t i = 0; i < lines.size(); ++i)
                    now[i] = std::min(lines[i] - done[i], 1);
            }
            m_y += put(row, done, now);
            for (std::size_t i = 0; i < lines.size(); ++i)
                done[i] += now[i];
            if (done == lines)
                break;
            startPage();
        }
        for (const auto &[from, to] : row.rules)
            m_page.rules.emplace_back(from, m_y, to, m_y);
        m_y += row.spaceAfter;
    }

    void addSpace(qreal height) {
        if (hasContent())
            m_y += height;
    }

    // While set, these rows start every new page: the caption of a list that goes on. Rows
    // taller than a third of a page are not repeated.
    void setRunningHeader(std::vector<Row> rows) {
        m_headerHeight = 0;
        for (const Row &row : rows)
            m_headerHeight += textHeight(row, lineCounts(row)) + row.spaceAfter;
        if (m_headerHeight > m_pageSize.height() / 3) {
            rows.clear();
            m_headerHeight = 0;
        }
        m_header = std::move(rows);
    }

    void startPage() {
        finishPage();
        m_page = Page{m_page.number + 1, {}, {}};
        m_y = 0;
        m_contentTop = m_pageSize.height(); // the header itself never starts another page
        for (const Row &row : m_header)
            place(row);
        m_contentTop = m_y;
    }

    void finish() { finishPage(); }

private:
    // Starts the next page unless the rows fit on this one or would not fit on any. Returns
    // the rows' line counts.
    std::vector<std::vector<int>> makeRoomFor(const std::vector<Row> &rows) {
        std::vector<std::vector<int>> lines;
        qreal height = 0;
        for (const Row &row : rows) {
            lines.push_back(lineCounts(row));
            height += textHeight(row, lines.back()) + row.spaceAfter;
        }
        height -= rows.back().spaceAfter;
        if (height > room() && hasContent() && height <= m_bottom - m_headerHeight)
            startPage();
        return lines;
    }

    bool hasContent() const { return m_y > m_contentTop; }
    qreal room() const { return m_bottom - m_y; }

    std::vector<int> lineCounts(const Row &row) const {
        std::vector<int> lines;
        lines.reserve(row.cells.size());
        for (const Cell &cell : row.cells)
            lines.push_back(m_typesetter.lineCount(cell.text, cell.style, cell.width));
        return lines;
    }

    qreal textHeight(const Row &row, const std::vector<int> &lines) const {
        qreal height = 0;
        for (std::size_t i = 0; i < lines.size(); ++i)
            height = std::max(height, lines[i] * m_typesetter.lineSpacing(row.cells[i].style));
        return height;
    }

    // Puts `now` lines of each cell from line `from` at the current height; returns the height
    // they take.
    qreal put(const Row &row, const std::vector<int> &from, const std::vector<int> &now) {
        qreal height = 0;
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (now[i] == 0)
                continue;
            const Cell &cell = row.cells[i];
            const qreal cellHeight = now[i] * m_typesetter.lineSpacing(cell.style);
            m_page.texts.push_back({QRectF(cell.x, m_y, cell.width, cellHeight), cell.style,
                                    cell.alignment, cell.text, from[i], now[i]});
            height = std::max(height, cellHeight);
        }
        return height;
    }

    void finishPage() {
        const qreal spacing = m_typesetter.lineSpacing(TextStyle::Small);
        m_page.texts.push_back(
            {QRectF(0, m_pageSize.height() - spacing, m_pageSize.width(), spacing),
             TextStyle::Small, Qt::AlignHCenter, QString::number(m_page.number)});
        m_takePage(m_page);
    }

    const Typesetter &m_typesetter;
    QSizeF m_pageSize;
    const std::function<void(const Page &)> &m_takePage;
    qreal m_bottom;
    Page m_page;
    qreal m_y = 0;
    qreal m_contentTop = 0;
    std::vector<Row> m_header;
    qreal m_headerHeight = 0;
};

Row wholeWidthRow(const QString &text, TextStyle style, Qt::Alignment alignment, qreal width,
                  qreal spaceAfter) {
    return {{{0, width, style, alignment, text}}, {}, spaceAfter};
}

// „Име“, „Клас“ and „Дата“, each with a line to write on.
Row nameRow(const Typesetter &typesetter, qreal width) {
    const qreal pt = typesetter.point();
    const std::array<std::pair<QString, qreal>, 3> fields{
        {{u"Име:"_s, 0.52}, {u"Клас:"_s, 0.74}, {u"Дата:"_s, 1.0}}};
    Row row{{}, {}, sectionGap * pt};
    qreal x = 0;
    for (const auto &[label, end] : fields) {
        // A point more than the text, so that rounding never wraps it.
        const qreal labelWidth = typesetter.textWidth(label, TextStyle::Body) + pt;
        row.cells.push_back({x, labelWidth, TextStyle::Body, Qt::AlignLeft, label});
        const qreal fieldEnd = end * width;
        row.rules.emplace_back(x + labelWidth + pt, end < 1 ? fieldEnd - gutter * pt : fieldEnd);
        x = fieldEnd;
    }
    return row;
}

// The widest label of the numbered list, with its gap: where the entries start.
qreal numberedTextStart(const Sheet &sheet, const Typesetter &typesetter) {
    return typesetter.textWidth(numberLabel(sheet.rowCount() - 1), TextStyle::Body) +
           (1 + labelGap) * typesetter.point();
}

void layOutNumberedList(Flow &flow, const Sheet &sheet, const Typesetter &typesetter, qreal width) {
    const qreal pt = typesetter.point();
    const auto &lettered = sheet.letteredLists();
    const qreal textX = numberedTextStart(sheet, typesetter);
    const qreal answersX = width - qreal(lettered.size()) * answerWidth * pt;
    const qreal textWidth = std::max(answersX - gutter * pt - textX, 10 * pt);

    Row header{
        {{0, answersX - gutter * pt, TextStyle::Heading, Qt::AlignLeft, sheet.numberedCaption()}},
        {},
        captionGap * pt};
    std::vector<std::pair<qreal, qreal>> rules;
    for (std::size_t list = 0; list < lettered.size(); ++list) {
        const qreal x = answersX + qreal(list) * answerWidth * pt;
        header.cells.push_back(
            {x, answerWidth * pt, TextStyle::Small, Qt::AlignHCenter, lettered[list].caption});
        rules.emplace_back(x + answerInset * pt, x + (answerWidth - answerInset) * pt);
    }
    for (int position = 0; position < sheet.rowCount(); ++position) {
        const Row row{
            {{0, textX - labelGap * pt, TextStyle::Body, Qt::AlignRight, numberLabel(position)},
             {textX, textWidth, TextStyle::Body, Qt::AlignLeft, sheet.numberedEntry(position)}},
            rules,
            writingRoom * pt};
        if (position == 0)
            flow.startPart({header}, {row});
        else
            flow.place(row);
    }
    flow.setRunningHeader({});
}

void layOutLetteredLists(Flow &flow, const Sheet &sheet, const Typesetter &typesetter,
                         qreal width) {
    const qreal pt = typesetter.point();
    const auto &lettered = sheet.letteredLists();
    const qreal columns = qreal(lettered.size());
    const qreal columnWidth = (width - (columns - 1) * gutter * pt) / columns;
    qreal widestLetter = 0;
    for (int letter = 0; letter < 27; ++letter)
        widestLetter =
            std::max(widestLetter, typesetter.textWidth(letters(letter), TextStyle::Body));

    Row header{{}, {}, captionGap * pt};
    std::vector<qreal> labelWidths;
    qsizetype longest = 0;
    for (std::size_t list = 0; list < lettered.size(); ++list) {
        const qsizetype entries = lettered[list].entries.size();
        labelWidths.push_back(widestLetter * qreal(letters(int(entries) - 1).size()) +
                              typesetter.textWidth(u")"_s, TextStyle::Body) + pt);
        header.cells.push_back({qreal(list) * (columnWidth + gutter * pt), columnWidth,
                                TextStyle::Heading, Qt::AlignLeft, lettered[list].caption});
        longest = std::max(longest, entries);
    }
    for (int entry = 0; entry < longest; ++entry) {
        Row row{{}, {}, entryGap * pt};
        for (std::size_t list = 0; list < lettered.size(); ++list) {
            if (entry >= lettered[list].entries.size())
                continue;
            const qreal x = qreal(list) * (columnWidth + gutter * pt);
            const qreal textX = labelWidths[list] + labelGap * pt;
            row.cells.push_back(
                {x, labelWidths[list], TextStyle::Body, Qt::AlignLeft, letterLabel(entry)});
            row.cells.push_back({x + textX, std::max(columnWidth - textX, 10 * pt), TextStyle::Body,
                                 Qt::AlignLeft, lettered[list].entries[entry]});
        }
        if (entry == 0)
            flow.startPart({header}, {row});
        else
            flow.place(row);
    }
    flow.setRunningHeader({});
}

void layOutKey(Flow &flow, const Sheet &sheet, const Typesetter &typesetter, qreal width) {
    const qreal pt = typesetter.point();
    const qreal textX = numberedTextStart(sheet, typesetter);
    const Row title = wholeWidthRow(u"Отговори — "_s + sheet.title(), TextStyle::Title,
                                    Qt::AlignHCenter, width, titleGap * pt);
    for (int position = 0; position < sheet.rowCount(); ++position) {
        const QString &explanation = sheet.explanation(position);
        std::vector<Row> rows;
        rows.push_back(
            {{{0, textX - labelGap * pt, TextStyle::Body, Qt::AlignRight, numberLabel(position)},
              {textX, width - textX, TextStyle::Body, Qt::AlignLeft, sheet.keyLine(position)}},
             {},
             (explanation.isEmpty() ? keyGap : 1) * pt});
        if (!explanation.isEmpty())
            rows.push_back({{{textX, width - textX, TextStyle::Small, Qt::AlignLeft, explanation}},
                            {},
                            keyGap * pt});
        if (position == 0)
            flow.startPart({title}, rows);
        else
            flow.placeTogether(rows);
    }
}

} // namespace

void layOutPages(const Sheet &sheet, const Typesetter &typesetter, QSizeF pageSize,
                 const std::function<void(const Page &)> &takePage) {
    const qreal pt = typesetter.point();
    const qreal width = pageSize.width();
    Flow flow(typesetter, pageSize, takePage);
    flow.place(
        wholeWidthRow(sheet.title(), TextStyle::Title, Qt::AlignHCenter, width, titleGap * pt));
    flow.place(nameRow(typesetter, width));
    flow.place(wholeWidthRow(sheet.instructions(), TextStyle::Body, Qt::AlignLeft, width,
                             sectionGap * pt));
    layOutNumberedList(flow, sheet, typesetter, width);
    flow.addSpace(sectionGap * pt);
    layOutLetteredLists(flow, sheet, typesetter, width);
    // The key on pages of its own, so that the pupil's pages can be printed alone.
    flow.startPage();
    layOutKey(flow, sheet, typesetter, width);
    flow.finish();
}

} // namespace worksheet
