#include "forms/listbox.h"

#include "forms/error.h"

#include <QItemSelectionModel>
#include <QLocale>

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

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
    // Years and other numbers in order of their value: 681 before 1185.
    collator.setNumericMode(true);
    collator.setIgnorePunctuation(false);
    return collator;
}

qint16 ListBox::ListCount() const {
    return static_cast<qint16>(m_texts.size());
}

const QString &ListBox::List(int index) const {
    checkIndex("List", index);
    return m_texts.at(index);
}

int ListBox::ListIndex() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ListBox::AddItem(const QString &text) {
    checkRoomFor("AddItem", 1);
    const int position = m_collator ? sortedInsertPosition(text) : int(m_texts.size());
    if (!m_hidden)
        insertItem(position, text);
    m_texts.insert(position, text);
}

void ListBox::AddItems(const QStringList &texts) {
    checkRoomFor("AddItems", texts.size());
    if (texts.isEmpty())
        return;
    if (m_collator && !m_texts.isEmpty()) {
        // Merging into entries already there keeps the rule of AddItem; no caller of ours does
        // this with many entries.
        for (const QString &text : texts)
            AddItem(text);
        return;
    }
    const QStringList ordered = m_collator ? sortedForEmptyList(texts) : texts;
    if (!m_hidden) {
        // One insertion, laid out and painted once.
        const bool updating = updatesEnabled();
        setUpdatesEnabled(false);
        insertItems(count(), ordered);
        setUpdatesEnabled(updating);
    }
    m_texts.append(ordered);
}

void ListBox::RemoveItem(int index) {
    checkIndex("RemoveItem", index);
    if (m_hidden) {
        m_texts.removeAt(index);
        return;
    }
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
    m_texts.removeAt(index);
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
    m_texts.clear();
}

// A list the program hides, as the table's columns are, is never seen and never chosen from: it
// keeps its entries as texts only, without the view's item for each, which at tens of thousands
// of entries cost more time and memory than the texts. They are made if it is ever shown.
void ListBox::setVisible(bool visible) {
    if (visible && m_hidden) {
        m_hidden = false;
        insertItems(0, m_texts);
    } else if (!visible && !m_hidden) {
        m_hidden = true;
        clear();
    }
    QListWidget::setVisible(visible);
}

void ListBox::checkIndex(const char *operation, int index) const {
    if (index < 0 || index >= m_texts.size())
        throw Error(QStringLiteral("%1.%2(%3): няма елемент с такъв номер (елементи: %4)")
                        .arg(m_name, QLatin1StringView(operation))
                        .arg(index)
                        .arg(m_texts.size()));
}

void ListBox::checkRoomFor(const char *operation, qsizetype added) const {
    if (added > std::numeric_limits<qint16>::max() - m_texts.size())
        throw Error(QStringLiteral("%1.%2: списъкът е пълен (%3 елемента)")
                        .arg(m_name, QLatin1StringView(operation))
                        .arg(m_texts.size()));
}

// Stable, so equal texts keep the order they came in, as AddItem one by one would leave them.
QStringList ListBox::sortedForEmptyList(const QStringList &texts) {
    if (texts != m_lastUnsorted) {
        // A list holds at most 32 767 entries, so every position fits in 16 bits.
        m_lastOrder.resize(std::size_t(texts.size()));
        std::iota(m_lastOrder.begin(), m_lastOrder.end(), quint16(0));
        std::stable_sort(m_lastOrder.begin(), m_lastOrder.end(),
                         [this, &texts](quint16 a, quint16 b) {
                             return m_collator->compare(texts.at(a), texts.at(b)) < 0;
                         });
        m_lastUnsorted = texts;
    }
    QStringList sorted;
    sorted.reserve(texts.size());
    for (quint16 index : m_lastOrder)
        sorted.append(texts.at(index));
    return sorted;
}

// Binary search for the first item that sorts after text, so equal items keep the order they
// were added in.
int ListBox::sortedInsertPosition(const QString &text) const {
    int low = 0;
    int high = int(m_texts.size());
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (m_collator->compare(m_texts.at(middle), text) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace forms
