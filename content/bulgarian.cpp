#include "content/bulgarian.h"

#include "content/values.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace content {

QString counted(qint64 count, const QString &singular, const QString &plural) {
    const qint64 magnitude = count < 0 ? -count : count;
    const bool one = magnitude % 10 == 1 && magnitude % 100 != 11;
    return QString::number(count) + u' ' + (one ? singular : plural);
}

QString joinedList(QStringList items) {
    if (items.size() < 2)
        return items.value(0);
    const QString last = items.takeLast();
    return items.join(u", "_s) + u" и "_s + last;
}

QCollator bulgarianCollator() {
    QCollator collator{QLocale(QLocale::Bulgarian, QLocale::Bulgaria)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    collator.setIgnorePunctuation(false);
    return collator;
}

EntryOrder::EntryOrder()
    : m_collator(bulgarianCollator()) {}

int EntryOrder::compare(const QString &a, const QString &b) const {
    return m_collator.compare(sortingForm(a), sortingForm(b));
}

QCollatorSortKey EntryOrder::sortKey(const QString &text) const {
    return m_collator.sortKey(sortingForm(text));
}

} // namespace content
