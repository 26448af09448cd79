#pragma once

#include "forms/zoom.h"

#include <QGroupBox>

namespace forms {

// A frame as on the classic forms this window is laid out for: a thin line around the controls
// it holds, its caption on the top line at the left, over a gap in the line. It draws itself:
// Fusion would put the caption above the line and push the line into the controls inside, and a
// style sheet that moves it costs every control inside the frame a style-sheet style of its own.
// Screen readers meet it as a group named by its caption, as any QGroupBox.
class Frame : public QGroupBox {
    Q_OBJECT

public:
    explicit Frame(const QString &caption, QWidget *parent = nullptr);

    // Lines and gaps are drawn at this zoom (percent of the designed size).
    void setZoom(int percent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_zoom = normalZoom;
};

} // namespace forms
