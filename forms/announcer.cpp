#include "forms/announcer.h"

#include <QAccessible>
#include <QWidget>

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0) && defined(VALTESSA_ATSPI)
#include "forms/atspisignals.h"
#endif

namespace forms {

Announcer::Announcer(QWidget *window)
    : QObject(window)
    , m_window(window) {
    setObjectName(QStringLiteral("announcer"));
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
