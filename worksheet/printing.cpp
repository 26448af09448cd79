#include "worksheet/printing.h"

#include "worksheet/pagelayout.h"
#include "worksheet/sheet.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <array>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace worksheet {

namespace {

// The fonts of the sheet: the window's, "Times New Roman" (Liberation Serif on the free
// desktops), with Cyrillic.
QFont styleFont(TextStyle style) {
    QFont font(u"Times New Roman"_s);
    font.setPointSizeF(style == TextStyle::Title ? 16 : style == TextStyle::Small ? 10 : 12);
    font.setBold(style == TextStyle::Title || style == TextStyle::Heading);
    // Glyphs where the outlines put them, the same on every printer.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Line breaks of a text (an explanation may have some) as the text layout breaks lines.
QString printable(const QString &text) {
    QString result = text;
    result.replace(u"\r\n"_s, QString(QChar::LineSeparator));
    result.replace(u'\n', QChar::LineSeparator);
    result.replace(u'\r', QChar::LineSeparator);
    return result;
}

// Sets text in the sheet's fonts for one paint device, and paints what the layout placed.
class FontTypesetter final : public Typesetter {
public:
    explicit FontTypesetter(const QPaintDevice &device)
        : m_device(device) {
        for (int style = 0; style < textStyleCount; ++style) {
            m_fonts[std::size_t(style)] = QFont(styleFont(TextStyle(style)), &device);
            m_metrics.emplace_back(m_fonts[std::size_t(style)], &device);
        }
    }

    int lineCount(const QString &text, TextStyle style, qreal width) const override {
        // Most entries are one line, which measuring tells faster than breaking.
        const QFontMetricsF &metrics = m_metrics[std::size_t(style)];
        if (!text.contains(u'\n') && !text.contains(u'\r') &&
            metrics.horizontalAdvance(text) <= width)
            return 1;
        QTextLayout layout(printable(text), m_fonts[std::size_t(style)], &m_device);
        layout.setTextOption(wrapping(Qt::AlignLeft));
        int lines = 0;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            ++lines;
        }
        layout.endLayout();
        return std::max(lines, 1);
    }

    qreal lineSpacing(TextStyle style) const override {
        return m_metrics[std::size_t(style)].lineSpacing();
    }

    qreal textWidth(const QString &text, TextStyle style) const override {
        return m_metrics[std::size_t(style)].horizontalAdvance(text);
    }

    qreal point() const override { return m_device.logicalDpiY() / 72.0; }

    void draw(QPainter &painter, const PlacedText &placed) const {
        QTextLayout layout(printable(placed.text), m_fonts[std::size_t(placed.style)], &m_device);
        layout.setTextOption(wrapping(placed.alignment));
        const qreal spacing = lineSpacing(placed.style);
        const int end = placed.firstLine + placed.lineCount;
        layout.beginLayout();
        for (int index = 0; index < end; ++index) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(placed.box.width());
            line.setPosition(QPointF(0, (index - placed.firstLine) * spacing));
        }
        layout.endLayout();
        for (int index = placed.firstLine; index < std::min(end, layout.lineCount()); ++index)
            layout.lineAt(index).draw(&painter, placed.box.topLeft());
    }

private:
    static QTextOption wrapping(Qt::Alignment alignment) {
        QTextOption option(alignment);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        return option;
    }

    const QPaintDevice &m_device;
    std::array<QFont, textStyleCount> m_fonts;
    std::vector<QFontMetricsF> m_metrics; // one for each style
};

} // namespace

QPageLayout worksheetPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 15, 20, 15),
                       QPageLayout::Millimeter);
}

bool printWorksheet(const content::Quiz &quiz, QPagedPaintDevice &device,
                    const QPageRanges &pages) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const FontTypesetter typesetter(device);
    QPen rule(Qt::black);
    rule.setWidthF(0.6 * typesetter.point());
    bool painted = false;
    bool turned = true;
    layOutPages(Sheet(quiz), typesetter, QSizeF(device.width(), device.height()),
                [&](const Page &page) {
                    if (!pages.isEmpty() && !pages.contains(page.number))
                        return;
                    if (painted)
                        turned = device.newPage() && turned;
                    painted = true;
                    for (const PlacedText &text : page.texts)
                        typesetter.draw(painter, text);
                    painter.setPen(rule);
                    painter.drawLines(page.rules.data(), int(page.rules.size()));
                });
    return painter.end() && turned;
}

bool writeWorksheetPdf(const content::Quiz &quiz, QIODevice &out) {
    QPdfWriter writer(&out);
    writer.setPageLayout(worksheetPageLayout());
    writer.setTitle(quiz.title);
    writer.setCreator(u"Valtessa"_s);
    return printWorksheet(quiz, writer);
}

} // namespace worksheet
