#include "forms/listbox.h"

#include "forms/error.h"

#include <QApplication>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QLocale>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

namespace forms {

namespace {

// Lays every entry out no wider than the list, so one that does not fit is cut with „…“ and
// shows whole as a tooltip. Otherwise the view sizes all entries by its last one and widens the
// list behind a horizontal scroll bar, or not, by whichever entry sorts last.
class FittingDelegate : public QStyledItemDelegate {
public:
    explicit FittingDelegate(QAbstractItemView *view)
        : QStyledItemDelegate(view)
        , m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(std::min(size.width(), m_view->viewport()->width()));
        return size;
    }

    int wholeWidth(const QStyleOptionViewItem &option, const QModelIndex &index) const {
        return QStyledItemDelegate::sizeHint(option, index).width();
    }

private:
    QAbstractItemView *m_view;
};

} // namespace

ListBox::ListBox(const QString &name, bool sorted, QWidget *parent)
    : QListWidget(parent)
    , m_name(name) {
    setObjectName(name);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry is one line of the same font: the view need not measure each one again
    // whenever an entry comes or goes.
    setUniformItemSizes(true);
    setItemDelegate(new FittingDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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

// Whether the entry is seen whole: the delegate cuts off what does not fit its place in the list.
bool ListBox::showsWhole(const QModelIndex &index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int needed = static_cast<FittingDelegate *>(itemDelegate())->wholeWidth(option, index);
    return needed <= visualRect(index).width();
}

bool ListBox::viewportEvent(QEvent *event) {
    if (event->type() != QEvent::ToolTip)
        return QListWidget::viewportEvent(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = indexAt(help->pos());
    if (index.isValid() && !showsWhole(index))
        QToolTip::showText(help->globalPos(), m_texts.at(index.row()), viewport(),
                           visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

void ListBox::focusInEvent(QFocusEvent *event) {
    m_lastTyped.invalidate();
    QListWidget::focusInEvent(event);
}

void ListBox::keyboardSearch(const QString &search) {
    if (m_texts.isEmpty())
        return;
    const bool newSearch = search.isEmpty() || !m_lastTyped.isValid() ||
                           m_lastTyped.elapsed() > QApplication::keyboardInputInterval();
    m_lastTyped.start();
    m_typed = newSearch ? search : m_typed + search;
    // The same letter again steps on to the next entry that starts with it.
    const bool sameLetter = m_typed.size() > 1 && m_typed.count(m_typed.back()) == m_typed.size();
    const QString wanted = sameLetter ? m_typed.first(1) : m_typed;
    if (wanted.isEmpty())
        return;
    const int current = currentRow();
    const int start = current < 0 ? 0 : (newSearch || sameLetter) ? current + 1 : current;
    const int count = int(m_texts.size());
    for (int i = 0; i < count; ++i) {
        const int row = (start + i) % count;
        if (m_texts.at(row).startsWith(wanted, Qt::CaseInsensitive)) {
            setCurrentIndex(model()->index(row, 0));
            return;
        }
    }
}

// The view lays its items out later, so its scroll bars keep their place through a clear and
// the new entries would be shown from where the old ones were scrolled to: a cleared list starts
// again from the top, at its first entry.
void ListBox::Clear() {
    clear();
    m_texts.clear();
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
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
