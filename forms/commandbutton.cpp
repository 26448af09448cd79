#include "forms/commandbutton.h"

#include "forms/zoom.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

namespace forms {

namespace {

// At the designed size.
constexpr int borderWidth = 1;
constexpr int focusBorderWidth = 2;
constexpr int cornerRadius = 3;
// The space between the border and the caption, across and along the button.
constexpr int paddingX = 4;
constexpr int paddingY = 1;
constexpr int focusPaddingX = 3;
constexpr int focusPaddingY = 0;
constexpr QRgb borderColor = 0x5a5a5a;
constexpr QRgb activeBorderColor = 0x202020;
constexpr int pressedDarkness = 130;

} // namespace

CommandButton::CommandButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent) {}

void CommandButton::setFace(const QColor &face) {
    m_face = face;
    update();
}

void CommandButton::setZoom(int percent) {
    if (percent == m_zoom)
        return;
    m_zoom = percent;
    update();
}

void CommandButton::paintEvent(QPaintEvent *event) {
    if (!m_face) {
        QPushButton::paintEvent(event);
        return;
    }
    QStyleOptionButton option;
    initStyleOption(&option);
    const bool focused = option.state.testFlag(QStyle::State_HasFocus);
    const bool hovered = option.state.testFlag(QStyle::State_MouseOver);
    const bool pressed = option.state.testFlag(QStyle::State_Sunken);

    const auto px = [this](int pixels) { return zoomedLength(pixels, m_zoom); };
    const int border = px(focused ? focusBorderWidth : borderWidth);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(facePath(border), pressed ? m_face->darker(pressedDarkness) : *m_face);
    paintBorder(painter, border,
                QColor::fromRgb(focused || hovered ? activeBorderColor : borderColor));

    // Each length is zoomed on its own, so the caption keeps its place to the pixel whether the
    // button has the focus or not.
    const int insetX = border + px(focused ? focusPaddingX : paddingX);
    const int insetY = border + px(focused ? focusPaddingY : paddingY);
    painter.setPen(Qt::black);
    painter.drawText(rect().adjusted(insetX, insetY, -insetX, -insetY),
                     Qt::AlignCenter | Qt::TextSingleLine, text());
}

// The face: inside the rounded border's centre line, where the border is then drawn over its
// edge, so that the corners outside it show what lies behind the button.
QPainterPath CommandButton::facePath(int border) const {
    const qreal r = zoomedLength(cornerRadius, m_zoom);
    const qreal w = width();
    const qreal h = height();
    const qreal half = border / qreal(2);
    const qreal arc = 2 * r - border;
    QPainterPath path;
    path.moveTo(r, half);
    path.lineTo(w - r, half);
    path.arcTo(w - half - 2 * r + border, half, arc, arc, 90, -90);
    path.lineTo(w - half, h - r);
    path.arcTo(w - half - 2 * r + border, h - half - 2 * r + border, arc, arc, 0, -90);
    path.lineTo(r, h - half);
    // Qt rounds the half border down to whole pixels on these two corners.
    const int wholeHalf = border / 2;
    path.arcTo(half, h - 2 * r + wholeHalf, arc, arc, 270, -90);
    path.lineTo(half, r);
    path.arcTo(half, wholeHalf, arc, arc, 180, -90);
    path.closeSubpath();
    return path;
}

// Straight edges as filled bands, corners as quarter arcs on the band's centre line, drawn in the
// order bottom, right, left, top, as Qt draws rounded borders.
void CommandButton::paintBorder(QPainter &painter, int width, const QColor &color) const {
    const qreal w = this->width();
    const qreal h = height();
    const qreal r = zoomedLength(cornerRadius, m_zoom);
    const qreal pw = width;
    const qreal half = pw / 2;
    const qreal arc = 2 * r - pw;

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    QPen pen(color, pw, Qt::SolidLine, Qt::SquareCap);
    const auto arcs = [&](const QRectF &first, int firstStart, int firstSpan, const QRectF &second,
                          int secondStart, int secondSpan) {
        painter.save();
        painter.setBrush(Qt::NoBrush);
        painter.setPen(pen);
        painter.drawArc(first, firstStart * 16, firstSpan * 16);
        painter.drawArc(second, secondStart * 16, secondSpan * 16);
        painter.restore();
    };

    // Bottom.
    painter.drawRect(QRectF(r, h - pw, w - 2 * r, pw));
    arcs(QRectF(half, h - 2 * r + half, arc, arc), -90, -45,
         QRectF(w - 2 * r + half, h - 2 * r + half, arc, arc), -90, 45);
    // Right.
    painter.drawRect(QRectF(w - pw, r, pw, h - 2 * r));
    arcs(QRectF(w - 2 * r + half, half, arc, arc), 45, -45,
         QRectF(w - 2 * r + half, h - 2 * r + half, arc, arc), 315, 45);
    // Left.
    painter.drawRect(QRectF(0, r, pw, h - 2 * r));
    arcs(QRectF(half, half, arc, arc), 135, 45, QRectF(half, h - 2 * r + half, arc, arc), 180, 45);
    // Top.
    painter.drawRect(QRectF(r, 0, w - 2 * r, pw));
    arcs(QRectF(half, half, arc, arc), 135, -45, QRectF(w - 2 * r + half, half, arc, arc), 45, 45);
    painter.restore();
}

} // namespace forms
