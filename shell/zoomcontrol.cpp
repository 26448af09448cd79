#include "shell/zoomcontrol.h"

#include "forms/announcer.h"
#include "shell/commands.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QScreen>
#include <QWheelEvent>

using namespace Qt::Literals::StringLiterals;

namespace shell {

namespace {

// One notch of a common mouse wheel.
constexpr int wheelNotch = 120;

} // namespace

QString zoomAnnouncement(int percent) {
    return QStringLiteral("Мащаб %1 %").arg(percent);
}

void announceZoom(QWidget &window, int percent) {
    forms::announce(&window, zoomAnnouncement(percent));
}

ZoomControl::ZoomControl(forms::Form &form)
    : QObject(&form)
    , m_form(form) {
    const auto bind = [this](const QString &text, const QList<QKeySequence> &keys,
                             void (ZoomControl::*act)()) {
        connect(addCommand(m_form, text, keys), &QAction::triggered, this, act);
    };
    // Ctrl+= is Ctrl++ without Shift on many keyboards; the keypad's keys count too.
    bind(u"Увеличи"_s,
         {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal),
          QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus)},
         &ZoomControl::zoomIn);
    bind(u"Намали"_s,
         {QKeySequence(QKeySequence::ZoomOut),
          QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus)},
         &ZoomControl::zoomOut);
    bind(u"Нормален размер"_s,
         {QKeySequence(Qt::CTRL | Qt::Key_0),
          QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_0)},
         &ZoomControl::resetZoom);
    // A quiz of another shape makes the window taller: it must still fit on the screen.
    connect(&m_form, &forms::Form::clientHeightChanged, this, [this] { changeTo(m_form.zoom()); });
    // The wheel turns over any control of the window; seen here before the control scrolls.
    qApp->installEventFilter(this);
}

int ZoomControl::largestFittingStep() const {
    const QScreen *screen = m_form.screen();
    if (screen == nullptr)
        return forms::normalZoom;
    // The window manager's frame around the window takes room too.
    const QSize decoration = m_form.frameGeometry().size() - m_form.geometry().size();
    return forms::largestFittingZoom(forms::zoomSteps.back(), m_form.designedSize(),
                                     screen->availableGeometry().size() - decoration);
}

int ZoomControl::zoomTo(int percent) {
    m_form.setZoom(qMin(percent, largestFittingStep()));
    keepOnScreen();
    return m_form.zoom();
}

void ZoomControl::changeTo(int percent) {
    const int before = m_form.zoom();
    if (zoomTo(percent) != before)
        m_announce(m_form, m_form.zoom());
}

void ZoomControl::zoomIn() {
    changeTo(forms::nextZoomStep(m_form.zoom()));
}

void ZoomControl::zoomOut() {
    changeTo(forms::previousZoomStep(m_form.zoom()));
}

void ZoomControl::resetZoom() {
    changeTo(forms::normalZoom);
}

// A window that grew past the screen's right or bottom edge moves back onto it.
void ZoomControl::keepOnScreen() {
    const QScreen *screen = m_form.screen();
    if (screen == nullptr || !m_form.isVisible())
        return;
    const QRect available = screen->availableGeometry();
    QRect frame = m_form.frameGeometry();
    frame.setSize(frame.size() - m_form.geometry().size() + m_form.size());
    if (available.contains(frame))
        return;
    frame.moveRight(qMin(frame.right(), available.right()));
    frame.moveBottom(qMin(frame.bottom(), available.bottom()));
    frame.moveLeft(qMax(frame.left(), available.left()));
    frame.moveTop(qMax(frame.top(), available.top()));
    m_form.move(frame.topLeft());
}

bool ZoomControl::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::Wheel || !watched->isWidgetType() ||
        static_cast<QWidget *>(watched)->window() != &m_form)
        return false;
    const auto *wheel = static_cast<QWheelEvent *>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier))
        return false;
    // Touchpads turn in small amounts: a step is taken for every notch's worth.
    m_wheelAngle += wheel->angleDelta().y();
    while (m_wheelAngle >= wheelNotch) {
        m_wheelAngle -= wheelNotch;
        zoomIn();
    }
    while (m_wheelAngle <= -wheelNotch) {
        m_wheelAngle += wheelNotch;
        zoomOut();
    }
    // Taken here, so that no list scrolls and the information box does not zoom its own text.
    return true;
}

} // namespace shell
