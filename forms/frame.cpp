#include "forms/frame.h"

#include "forms/zoom.h"

#include <QPainter>

namespace forms {

namespace {

// At the designed size: the line's width and colour, how far below the frame's top it runs, and
// where the caption starts, with the blank kept on either side of it over the line.
constexpr int lineWidth = 1;
constexpr QRgb lineColor = 0x8a8a8a;
constexpr int lineTop = 8;
constexpr int captionLeft = 6;
constexpr int captionTop = -9;
constexpr int captionBlank = 2;

} // namespace

Frame::Frame(const QString &caption, QWidget *parent)
    : QGroupBox(caption, parent) {}

void Frame::setZoom(int percent) {
    if (percent == m_zoom)
        return;
    m_zoom = percent;
    update();
}

void Frame::paintEvent(QPaintEvent *) {
    const auto px = [this](int pixels) { return zoomedLength(pixels, m_zoom); };
    QPainter painter(this);

    const int line = px(lineWidth);
    const QRect border(0, px(lineTop), width(), height() - px(lineTop));
    const QColor color = QColor::fromRgb(lineColor);
    painter.fillRect(border.left(), border.top(), border.width(), line, color);
    painter.fillRect(border.left(), border.bottom() - line + 1, border.width(), line, color);
    painter.fillRect(border.left(), border.top(), line, border.height(), color);
    painter.fillRect(border.right() - line + 1, border.top(), line, border.height(), color);

    // The gap in the line is as wide as the caption would be in bold, as Qt's frames measure
    // it, and the caption is centred in it.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const QRect caption(border.left() + px(captionLeft), px(lineTop) + px(captionTop),
                        metrics.horizontalAdvance(title()) + 2 * px(captionBlank),
                        metrics.height());
    painter.fillRect(caption, palette().window());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption.adjusted(px(captionBlank), 0, -px(captionBlank), 0),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, title());
}

} // namespace forms
