#pragma once

// Only in builds for the AT-SPI desktop accessibility bus (Linux and other free desktops).

#include <QDBusMessage>
#include <QList>

class QAccessibleInterface;

namespace forms::atspi {

// The signals that make Orca speak text while it is on target, sent the way Qt's own bridge
// sends its events. Qt before 6.8 has no announcement event, and the description change it
// sends itself carries the object, not the text; Orca says the description text it is given
// for the object it is on. The second signal carries no text: AT-SPI's client library keeps
// the text of the first as the object's description, and drops it again on the second, so a
// reader that asks later hears the object's own description.
QList<QDBusMessage> announcementSignals(QAccessibleInterface *target, const QString &text);

// Sends them over the connection Qt's bridge uses; false when there is none (no screen reader
// has asked for the accessibility bus).
bool sendAnnouncement(QAccessibleInterface *target, const QString &text);

} // namespace forms::atspi
