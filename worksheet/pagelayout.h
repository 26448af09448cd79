#pragma once

#include <QLineF>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

namespace worksheet {

class Sheet;

enum class TextStyle { Title, Heading, Body, Small };
inline constexpr int textStyleCount = 4;

// Text put on a page: its lines go into box, wrapped at the box's width. An entry too long for
// a whole page goes on over the next ones: each page then holds some of its lines.
struct PlacedText {
    QRectF box;
    TextStyle style = TextStyle::Body;
    Qt::Alignment alignment = Qt::AlignLeft;
    QString text;
    int firstLine = 0;
    int lineCount = 1;
};

// One page as data, in the units of the device it is for, from the top left of the area inside
// the margins.
struct Page {
    int number = 1; // counted from 1
    std::vector<PlacedText> texts;
    std::vector<QLineF> rules; // lines to write on
};

// What the layout needs to know of the fonts it sets text in.
class Typesetter {
public:
    virtual ~Typesetter() = default;
    // How many lines text takes in style when wrapped at width.
    virtual int lineCount(const QString &text, TextStyle style, qreal width) const = 0;
    // From one line of style to the next.
    virtual qreal lineSpacing(TextStyle style) const = 0;
    // The width of text set in style on one line.
    virtual qreal textWidth(const QString &text, TextStyle style) const = 0;
    // Device units in a typographic point (1/72 inch), for the layout's own spaces.
    virtual qreal point() const = 0;
};

// Lays the sheet out on pages of the given size and hands each page to takePage as soon as it
// is full, so that a quiz of any length needs the memory of one page. First the pupil's pages:
// title, lines for name, class and date, the instructions, the numbered list with a line to
// write on for each lettered list, then the lettered lists side by side. Then, from a new page,
// the key. No entry is split across pages unless it is longer than a whole page, and a list
// that goes on over a page break has its caption again at the top.
void layOutPages(const Sheet &sheet, const Typesetter &typesetter, QSizeF pageSize,
                 const std::function<void(const Page &)> &takePage);

} // namespace worksheet
