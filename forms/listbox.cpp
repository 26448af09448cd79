#include "forms/listbox.h"

#include "forms/error.h"

#include "content/bulgarian.h"

#include <QApplication>
#include <QHash>
#include <QHelpEvent>
#include <QItemSelectionModel>
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

// The view's model over the list's texts, which only the list changes, telling the views through
// the model: clearing resets it, adding and removing insert and remove rows. Every entry has the
// flags QListWidget gives its items, so that views and screen readers learn of each change, and
// find each entry, as they did from it.
class ListBox::Entries : public QAbstractListModel {
public:
    Entries(const QStringList &texts, QObject *parent)
        : QAbstractListModel(parent)
        , m_texts(texts) {}

    int rowCount(const QModelIndex &parent) const override {
        return parent.isValid() ? 0 : int(m_texts.size());
    }

    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || index.row() >= m_texts.size() ||
            (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return m_texts.at(index.row());
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override {
        if (!index.isValid())
            return Qt::ItemIsDropEnabled;
        return Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled |
               Qt::ItemIsDragEnabled;
    }

    template<typename Change> void insertRows(int first, int last, Change change) {
        beginInsertRows(QModelIndex(), first, last);
        change();
        endInsertRows();
    }

    template<typename Change> void removeRow(int row, Change change) {
        beginRemoveRows(QModelIndex(), row, row);
        change();
        endRemoveRows();
    }

    template<typename Change> void reset(Change change) {
        beginResetModel();
        change();
        endResetModel();
    }

private:
    const QStringList &m_texts;
};

ListBox::ListBox(const QString &name, bool sorted, QWidget *parent, bool hidden)
    : QListView(parent)
    , m_name(name)
    , m_entries(new Entries(m_texts, this)) {
    setObjectName(name);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry is one line of the same font: the view need not measure each one again
    // whenever an entry comes or goes.
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (sorted)
        m_collator = content::bulgarianCollator();
    if (hidden)
        QListView::setVisible(false);
    else
        setUpView();
}

void ListBox::setUpView() {
    setModel(m_entries);
    setItemDelegate(new FittingDelegate(this));
}

void ListBox::setVisible(bool visible) {
    if (visible && model() != m_entries)
        setUpView();
    QListView::setVisible(visible);
}

void ListBox::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) {
    QListView::selectionChanged(selected, deselected);
    emit itemSelectionChanged();
}

int ListBox::ListIndex() const {
    const QItemSelectionModel *selection = selectionModel();
    if (selection == nullptr)
        return -1; // a hidden list never shown: nothing can have been chosen
    const QModelIndexList selected = selection->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

int ListBox::currentRow() const {
    return currentIndex().row();
}

void ListBox::setCurrentRow(int row, QItemSelectionModel::SelectionFlags command) {
    if (model() != m_entries)
        setUpView();
    selectionModel()->setCurrentIndex(model()->index(row, 0), command);
}

void ListBox::AddItem(const QString &text) {
    checkRoomFor("AddItem", 1);
    const int position = m_collator ? sortedInsertPosition(text) : int(m_texts.size());
    m_entries->insertRows(position, position, [&] { m_texts.insert(position, text); });
    m_rowsByText.clear();
}

void ListBox::AddItems(const QStringList &texts) {
    checkRoomFor("AddItems", texts.size());
    if (texts.isEmpty())
        return;
    if (m_collator && ListCount() > 0) {
        // Merging into entries already there keeps the rule of AddItem; no caller of ours does
        // this with many entries.
        for (const QString &text : texts)
            AddItem(text);
        return;
    }
    const QStringList added = m_collator ? sortedForEmptyList(texts) : texts;
    const int first = ListCount();
    m_entries->insertRows(first, first + int(added.size()) - 1, [&] {
        // Into an empty list, the added list's array is shared: its texts are not copied.
        if (m_texts.isEmpty())
            m_texts = added;
        else
            m_texts.append(added);
    });
    m_rowsByText.clear();
}

void ListBox::RemoveItem(int index) {
    checkIndex("RemoveItem", index);
    if (ListIndex() == index)
        selectionModel()->clearSelection();
    // A single-selection view that loses its current item makes a neighbour current and selects
    // it, a choice the pupil never made. Moving the keyboard's current item to that neighbour
    // first, without selecting it, keeps the place in the list and the selection empty.
    if (currentRow() == index) {
        const int neighbour = index + 1 < ListCount() ? index + 1 : index - 1;
        selectionModel()->setCurrentIndex(model()->index(neighbour, 0),
                                          QItemSelectionModel::NoUpdate);
    }
    m_entries->removeRow(index, [&] { m_texts.removeAt(index); });
    m_rowsByText.clear();
}

// QListView tells screen readers that its new current entry has the focus even when the list
// has none, as when the program removes an entry from a list the pupil is not in. Only a list
// with the focus says so; the others keep their current entry quietly.
void ListBox::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    if (hasFocus()) {
        QListView::currentChanged(current, previous);
    } else {
        // NOLINTNEXTLINE(bugprone-parent-virtual-call): QListView's own is what is left out
        QAbstractItemView::currentChanged(current, previous);
    }
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
        return QListView::viewportEvent(event);
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
    QListView::focusInEvent(event);
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
    m_entries->reset([&] { m_texts.clear(); });
    m_rowsByText.clear();
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
}

void ListBox::checkIndex(const char *operation, int index) const {
    if (index < 0 || index >= m_texts.size())
        throwNoSuchEntry(operation, index);
}

void ListBox::throwNoSuchEntry(const char *operation, int index) const {
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

void ListBox::rememberOrder(const QStringList &texts, std::span<const quint16> order) {
    if (!m_collator || order.size() != std::size_t(texts.size()))
        return;
    m_lastUnsorted = texts;
    m_lastOrder.assign(order.begin(), order.end());
}

// Stable, so equal texts keep the order they came in, as AddItem one by one would leave them.
// Comparing texts through the collator is what costs: each distinct text gets its collation key
// once, the keys are sorted (comparing two is a comparison of bytes), and the texts are then put
// in the order of their keys' ranks in one pass that keeps equal ones in their order.
QStringList ListBox::sortedForEmptyList(const QStringList &texts) {
    if (texts != m_lastUnsorted) {
        const std::size_t count = std::size_t(texts.size());
        QHash<QString, int> distinct;
        distinct.reserve(texts.size());
        std::vector<QCollatorSortKey> keys;
        std::vector<int> keyOf(count);
        for (std::size_t i = 0; i < count; ++i) {
            auto found = distinct.constFind(texts[qsizetype(i)]);
            if (found == distinct.constEnd()) {
                found = distinct.insert(texts[qsizetype(i)], int(keys.size()));
                keys.push_back(m_collator->sortKey(texts[qsizetype(i)]));
            }
            keyOf[i] = *found;
        }
        std::vector<int> byKey(keys.size());
        std::iota(byKey.begin(), byKey.end(), 0);
        std::sort(byKey.begin(), byKey.end(),
                  [&keys](int a, int b) { return keys[a].compare(keys[b]) < 0; });
        // Texts the collation cannot tell apart share a rank.
        std::vector<int> rank(keys.size());
        int ranks = 0;
        for (std::size_t i = 0; i < byKey.size(); ++i) {
            if (i > 0 && keys[byKey[i - 1]].compare(keys[byKey[i]]) != 0)
                ++ranks;
            rank[std::size_t(byKey[i])] = ranks;
        }
        // Where each rank's texts start, then every text after those of lower ranks and after
        // the earlier ones of its own. A list holds at most 32 767 entries, so every position
        // fits in 16 bits.
        std::vector<int> next(std::size_t(ranks) + 2, 0);
        for (const int key : keyOf)
            ++next[std::size_t(rank[std::size_t(key)]) + 1];
        std::partial_sum(next.begin(), next.end(), next.begin());
        m_lastOrder.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            m_lastOrder[std::size_t(next[std::size_t(rank[std::size_t(keyOf[i])])]++)] = quint16(i);
        m_lastUnsorted = texts;
    }
    QStringList sorted;
    sorted.reserve(texts.size());
    for (quint16 index : m_lastOrder)
        sorted.append(texts.at(index));
    return sorted;
}

std::span<const int> ListBox::rowsHolding(const QString &text) const {
    // Rows by their texts, and a row against a text either way round, for equal_range.
    struct ByText {
        const ListBox *list;
        bool operator()(int a, int b) const { return list->List(a) < list->List(b); }
        bool operator()(int row, const QString &text) const { return list->List(row) < text; }
        bool operator()(const QString &text, int row) const { return text < list->List(row); }
    };
    if (m_rowsByText.size() != std::size_t(m_texts.size())) {
        m_rowsByText.resize(std::size_t(m_texts.size()));
        std::iota(m_rowsByText.begin(), m_rowsByText.end(), 0);
        std::stable_sort(m_rowsByText.begin(), m_rowsByText.end(), ByText{this});
    }
    const auto [first, last] =
        std::equal_range(m_rowsByText.begin(), m_rowsByText.end(), text, ByText{this});
    return {first, last};
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
