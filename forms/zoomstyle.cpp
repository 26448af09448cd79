#include "forms/zoomstyle.h"

#include "forms/zoom.h"

#include <QPainter>
#include <QStyleOption>

namespace forms {

ZoomStyle::ZoomStyle(QStyle *base)
    : QProxyStyle(base) {}

int ZoomStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                           const QWidget *widget) const {
    const int length = QProxyStyle::pixelMetric(metric, option, widget);
    // Zero and negative values mean "none" or "the default", not lengths.
    if (m_zoom == normalZoom || m_designedDrawing > 0 || length <= 0)
        return length;
    // List entries keep this margin and one pixel more around their text; the whole of it
    // scales, as it does on a denser screen.
    if (metric == PM_FocusFrameHMargin)
        return zoomedLength(length + 1, m_zoom) - 1;
    return zoomedLength(length, m_zoom);
}

// Draws with the painter scaled by the zoom into a rectangle of the designed size, which is
// stretched to fill the real one exactly.
template<typename Option, typename Draw>
void ZoomStyle::drawAtDesignedSize(const Option &option, QPainter *painter, Draw draw) const {
    const QRect real = option.rect;
    const QSize designed(qMax(1, qRound(real.width() * qreal(normalZoom) / m_zoom)),
                         qMax(1, qRound(real.height() * qreal(normalZoom) / m_zoom)));
    Option scaled = option;
    scaled.rect = QRect(QPoint(0, 0), designed);
    painter->save();
    painter->translate(real.topLeft());
    painter->scale(qreal(real.width()) / designed.width(),
                   qreal(real.height()) / designed.height());
    ++m_designedDrawing;
    draw(scaled);
    --m_designedDrawing;
    painter->restore();
}

void ZoomStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                              QPainter *painter, const QWidget *widget) const {
    if (m_zoom != normalZoom && m_designedDrawing == 0) {
        const auto draw = [&](const auto &scaled) {
            QProxyStyle::drawPrimitive(element, &scaled, painter, widget);
        };
        if (element == PE_Frame || element == PE_FrameLineEdit) {
            if (const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option))
                return drawAtDesignedSize(*frame, painter, draw);
        }
        if (element == PE_FrameFocusRect) {
            if (const auto *focus = qstyleoption_cast<const QStyleOptionFocusRect *>(option))
                return drawAtDesignedSize(*focus, painter, draw);
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ZoomStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                   QPainter *painter, const QWidget *widget) const {
    if (m_zoom != normalZoom && m_designedDrawing == 0 && control == CC_ScrollBar) {
        if (const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option))
            return drawAtDesignedSize(*bar, painter, [&](const QStyleOptionSlider &scaled) {
                QProxyStyle::drawComplexControl(control, &scaled, painter, widget);
            });
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

} // namespace forms
