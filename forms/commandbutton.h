#pragma once

#include "forms/zoom.h"

#include <QPainterPath>
#include <QPushButton>

#include <optional>

namespace forms {

// A command button. One given a colour of its own shows it as a solid face, as on the classic
// forms this window is laid out for, where Fusion would paint a gradient: a thin dark border with
// rounded corners, darker while hovered, twice as wide while the button has the focus, and a
// darker face while it is pressed. It draws that itself; a style sheet would do the same at the
// cost of a style-sheet style, parsed and consulted, for each button.
class CommandButton : public QPushButton {
    Q_OBJECT

public:
    explicit CommandButton(const QString &caption, QWidget *parent = nullptr);

    void setFace(const QColor &face);
    // Borders, corners and the space around the caption are drawn at this zoom (percent of the
    // designed size).
    void setZoom(int percent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPainterPath facePath(int border) const;
    void paintBorder(QPainter &painter, int width, const QColor &color) const;

    std::optional<QColor> m_face;
    int m_zoom = normalZoom;
};

} // namespace forms
