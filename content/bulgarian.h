#pragma once

#include <QCollator>
#include <QString>
#include <QStringList>

namespace content {

// A count with its noun in the form Bulgarian gives it after that number: „1 ред“, „3 реда“,
// „21 ред“ (двадесет и един ред), „11 реда“, „101 ред“, „111 реда“.
QString counted(qint64 count, const QString &singular, const QString &plural);

// Items as a sentence lists them: „А“, „А и Б“, „А, Б и В“; empty for none.
QString joinedList(QStringList items);

// Texts in the order Bulgarian lists keep them: alphabetical, ignoring case, with numbers by
// their value (681 before 1185). Fixed to Bulgarian so the order is the same whatever the
// machine's locale settings say.
QCollator bulgarianCollator();

} // namespace content
