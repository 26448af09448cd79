#include "forms/announcer.h"

#include <QAccessible>
#include <QEvent>
#include <QWidget>

#include <utility>

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0) && defined(VALTESSA_ATSPI)
#include "forms/atspisignals.h"
#endif

namespace forms {

Announcer::Announcer(QWidget *window)
    : QObject(window)
    , m_window(window) {
    setObjectName(QStringLiteral("announcer"));
    window->installEventFilter(this);
}

Announcer *Announcer::of(QWidget *widget) {
    QWidget *window = widget->window();
    auto *announcer = window->findChild<Announcer *>(QString(), Qt::FindDirectChildrenOnly);
    return announcer != nullptr ? announcer : new Announcer(window);
}

QAccessibleInterface *Announcer::focusedObject() const {
    QWidget *focus = m_window->focusWidget();
    if (focus == nullptr)
        return nullptr;
    QAccessibleInterface *object = QAccessible::queryAccessibleInterface(focus);
    if (object == nullptr)
        return nullptr;
    QAccessibleInterface *inner = object->focusChild();
    return inner != nullptr ? inner : object;
}

void Announcer::announce(const QString &text) {
    emit announced(text);
    if (!QAccessible::isActive())
        return;
    if (m_window->isVisible() && !m_window->isActiveWindow())
        m_waiting.append(text);
    else
        send(text);
}

bool Announcer::eventFilter(QObject *watched, QEvent *event) {
    // The window gets its focus after its activation: the messages follow once the screen reader
    // has heard where the focus is.
    if (watched == m_window && event->type() == QEvent::WindowActivate && !m_waiting.isEmpty())
        QMetaObject::invokeMethod(
            this,
            [this] {
                for (const QString &text : std::exchange(m_waiting, {}))
                    send(text);
            },
            Qt::QueuedConnection);
    return false;
}

void Announcer::send(const QString &text) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(m_window, text);
    QAccessible::updateAccessibility(&event);
#elif defined(VALTESSA_ATSPI)
    atspi::sendAnnouncement(focusedObject(), text);
#endif
}

void announce(QWidget *context, const QString &text) {
    Announcer::of(context)->announce(text);
}

} // namespace forms
