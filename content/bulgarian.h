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

// The order of the answer lists, and of the worksheet's lists with them: the Bulgarian
// collation of each entry's sorting form (values.h), so that dates and decimals stand in the
// order of their value too.
class EntryOrder {
public:
    EntryOrder();

    // Less than, equal to or greater than 0 as a comes before, with or after b.
    int compare(const QString &a, const QString &b) const;
    // A key that compares as the text does: made once a text, it compares faster.
    QCollatorSortKey sortKey(const QString &text) const;

private:
    QCollator m_collator;
};

} // namespace content
