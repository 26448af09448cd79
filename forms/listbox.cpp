#include "forms/listbox.h"

#include "forms/error.h"

#include <QItemSelectionModel>
#include <QLocale>

#include <limits>

namespace forms {

ListBox::ListBox(const QString &name, bool sorted, QWidget *parent)
    : QListWidget(parent)
    , m_name(name) {
    setObjectName(name);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry is one line of the same font: the view need not measure each one again
    // whenever an entry comes or goes.
    setUniformItemSizes(true);
    if (sorted)
        m_collator = bulgarianCollator();
}

QCollator ListBox::bulgarianCollator() {
    QCollator collator{QLocale(QLocale::Bulgarian, QLocale::Bulgaria)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    collator.setIgnorePunctuation(false);
    return collator;
}

qint16 ListBox::ListCount() const {
    return static_cast<qint16>(count());
}

QString ListBox::List(int index) const {
    checkIndex("List", index);
    return item(index)->text();
}

int ListBox::ListIndex() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ListBox::AddItem(const QString &text) {
    if (count() >= std::numeric_limits<qint16>::max())
        throw Error(
            QStringLiteral("%1.AddItem: списъкът е пълен (%2 елемента)").arg(m_name).arg(count()));
    if (m_collator)
        insertItem(sortedInsertPosition(text), text);
    else
        addItem(text);
}

void ListBox::RemoveItem(int index) {
    checkIndex("RemoveItem", index);
    if (ListIndex() == index)
        selectionModel()->clearSelection();
    // A single-selection view that loses its current item makes a neighbour current and selects
    // it, a choice the pupil never made. Moving the keyboard's current item to that neighbour
    // first, without selecting it, keeps the place in the list and the selection empty.
    if (currentRow() == index) {
        const int neighbour = index + 1 < count() ? index + 1 : index - 1;
        selectionModel()->setCurrentIndex(model()->index(neighbour, 0),
                                          QItemSelectionModel::NoUpdate);
    }
    delete takeItem(index);
}

// QListView tells screen readers that its new current entry has the focus even when the list
// has none, as when the program removes an entry from a list the pupil is not in. Only a list
// with the focus says so; the others keep their current entry quietly.
void ListBox::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    if (hasFocus())
        QListWidget::currentChanged(current, previous);
    else
        QAbstractItemView::currentChanged(current, previous);
}

void ListBox::Clear() {
    clear();
}

void ListBox::checkIndex(const char *operation, int index) const {
    if (index < 0 || index >= count())
        throw Error(QStringLiteral("%1.%2(%3): няма елемент с такъв номер (елементи: %4)")
                        .arg(m_name, QLatin1StringView(operation))
                        .arg(index)
                        .arg(count()));
}

// Binary search for the first item that sorts after text, so equal items keep the order they
// were added in.
int ListBox::sortedInsertPosition(const QString &text) const {
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (m_collator->compare(item(middle)->text(), text) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace forms
