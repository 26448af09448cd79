#pragma once

#include "forms/form.h"

#include <QObject>

#include <functional>

namespace shell {

// What a screen reader is told when the zoom changes: "Мащаб 150 %".
QString zoomAnnouncement(int percent);
// Tells screen readers of the window's new zoom.
void announceZoom(QWidget &window, int percent);

// The keys and the mouse wheel that zoom a form: Ctrl++ (or Ctrl+=) larger, Ctrl+- smaller,
// Ctrl+0 as designed, Ctrl with the wheel. The window never grows past its screen's available
// area; a key that would take it further does nothing, and a window made taller by its new
// layout steps down until it fits.
class ZoomControl : public QObject {
    Q_OBJECT

public:
    using Announcer = std::function<void(QWidget &window, int percent)>;

    explicit ZoomControl(forms::Form &form);

    // Zooms to percent, or to the largest step below it that fits on the screen. Returns the
    // zoom now in use. Says nothing to screen readers: for the start and for keys alike, the
    // caller knows whether the user asked for it.
    int zoomTo(int percent);
    // The largest step at which the window fits in its screen's available area.
    int largestFittingStep() const;

    void zoomIn();
    void zoomOut();
    void resetZoom();

    // Tests listen to what would be announced.
    void setAnnouncer(Announcer announcer) { m_announce = std::move(announcer); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void changeTo(int percent);
    void keepOnScreen();

    forms::Form &m_form;
    Announcer m_announce = &announceZoom;
    int m_wheelAngle = 0; // eighths of a degree turned since the last step
};

} // namespace shell
