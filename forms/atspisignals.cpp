#include "forms/atspisignals.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QVariantMap>

namespace forms::atspi {

namespace {

// Qt's bridge names its connection to the accessibility bus so, and every widget's object path
// is made of this prefix and the widget's accessible id.
const QLatin1StringView bridgeConnection("a11y");
const QLatin1StringView objectPathPrefix("/org/a11y/atspi/accessible/");
const QLatin1StringView eventInterface("org.a11y.atspi.Event.Object");

QDBusMessage propertyChange(const QString &path, const QVariant &value) {
    QDBusMessage signal =
        QDBusMessage::createSignal(path, eventInterface, QStringLiteral("PropertyChange"));
    signal << QStringLiteral("accessible-description") << 0 << 0
           << QVariant::fromValue(QDBusVariant(value)) << QVariant::fromValue(QVariantMap{});
    return signal;
}

} // namespace

QList<QDBusMessage> announcementSignals(QAccessibleInterface *target, const QString &text) {
    if (target == nullptr || !target->isValid() || text.isEmpty())
        return {};
    const QString path = objectPathPrefix + QString::number(QAccessible::uniqueId(target));
    // A number is no text: the reader's copy of the description is dropped and nothing is said.
    return {propertyChange(path, text), propertyChange(path, 0)};
}

bool sendAnnouncement(QAccessibleInterface *target, const QString &text) {
    QDBusConnection bus(bridgeConnection);
    if (!bus.isConnected())
        return false;
    const QList<QDBusMessage> messages = announcementSignals(target, text);
    for (const QDBusMessage &signal : messages)
        bus.send(signal);
    return !messages.isEmpty();
}

} // namespace forms::atspi
