#pragma once

#include "forms/zoom.h"

#include <QProxyStyle>

namespace forms {

// The style of a zoomed window: the application's style with every length it gives scaled by the
// zoom, and the thin lines it draws (control frames, focus frames, scroll bars) drawn as on a
// screen of that many times the density, so that the window looks like its designed self made
// larger rather than the same lines around larger boxes. At 100 % it is the base style exactly.
class ZoomStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Takes ownership of base, which must not be shared with other widgets.
    explicit ZoomStyle(QStyle *base);

    int zoom() const { return m_zoom; }
    void setZoom(int percent) { m_zoom = percent; }

    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;

private:
    template<typename Option, typename Draw>
    void drawAtDesignedSize(const Option &option, QPainter *painter, Draw draw) const;

    int m_zoom = normalZoom;
    // While drawing at the designed size the base style must see its own, unscaled lengths.
    mutable int m_designedDrawing = 0;
};

} // namespace forms
