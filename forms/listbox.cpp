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
#include <future>
#include <iterator>
#include <limits>
#include <numeric>
#include <thread>
#include <utility>
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
    explicit Entries(ListBox &list)
        : QAbstractListModel(&list)
        , m_list(list) {}

    int rowCount(const QModelIndex &parent) const override {
        return parent.isValid() ? 0 : m_list.ListCount();
    }

    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || index.row() >= m_list.ListCount() ||
            (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return m_list.List(index.row());
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
    const ListBox &m_list;
};

ListBox::ListBox(const QString &name, bool sorted, QWidget *parent, bool hidden)
    : QListView(parent)
    , m_name(name)
    , m_entries(new Entries(*this)) {
    setObjectName(name);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry is one line of the same font: the view need not measure each one again
    // whenever an entry comes or goes.
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (sorted)
        m_entryOrder.emplace();
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

QStringList ListBox::entries() const {
    if (!m_order)
        return m_texts;
    QStringList texts;
    texts.reserve(qsizetype(m_order->size()));
    for (const quint16 index : *m_order)
        texts.append(m_texts[index]);
    return texts;
}

// A list kept in an order of its own is put back in list order before an entry is inserted:
// no caller of ours inserts single entries into a list filled at once.
void ListBox::keepInListOrder() {
    if (!m_order)
        return;
    m_texts = entries();
    m_order.reset();
}

void ListBox::AddItem(const QString &text) {
    checkRoomFor("AddItem", 1);
    keepInListOrder();
    const int position = m_entryOrder ? sortedInsertPosition(text) : int(m_texts.size());
    m_entries->insertRows(position, position, [&] { m_texts.insert(position, text); });
    m_rowsByText.clear();
}

void ListBox::AddItems(const QStringList &texts) {
    checkRoomFor("AddItems", texts.size());
    if (texts.isEmpty())
        return;
    if (m_entryOrder && ListCount() > 0) {
        // Merging into entries already there keeps the rule of AddItem; no caller of ours does
        // this with many entries.
        for (const QString &text : texts)
            AddItem(text);
        return;
    }
    const int first = ListCount();
    m_entries->insertRows(first, first + int(texts.size()) - 1, [&] {
        // Into an empty list, the added list's array is shared: its texts are not copied.
        if (first == 0) {
            m_texts = texts;
            if (m_entryOrder)
                m_order = orderFor(texts);
            else
                m_order.reset();
        } else {
            keepInListOrder();
            m_texts.append(texts);
        }
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
    m_entries->removeRow(index, [&] {
        if (m_order)
            m_order->erase(m_order->begin() + index);
        else
            m_texts.removeAt(index);
    });
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
        QToolTip::showText(help->globalPos(), List(index.row()), viewport(), visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

void ListBox::focusInEvent(QFocusEvent *event) {
    m_lastTyped.invalidate();
    QListView::focusInEvent(event);
}

void ListBox::keyboardSearch(const QString &search) {
    if (ListCount() == 0)
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
    const int count = ListCount();
    for (int i = 0; i < count; ++i) {
        const int row = (start + i) % count;
        if (List(row).startsWith(wanted, Qt::CaseInsensitive)) {
            setCurrentIndex(model()->index(row, 0));
            return;
        }
    }
}

// The view lays its items out later, so its scroll bars keep their place through a clear and
// the new entries would be shown from where the old ones were scrolled to: a cleared list starts
// again from the top, at its first entry.
void ListBox::Clear() {
    m_entries->reset([&] {
        m_texts.clear();
        m_order.reset();
    });
    m_rowsByText.clear();
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
}

void ListBox::checkIndex(const char *operation, int index) const {
    if (index < 0 || index >= ListCount())
        throwNoSuchEntry(operation, index);
}

void ListBox::throwNoSuchEntry(const char *operation, int index) const {
    throw Error(QStringLiteral("%1.%2(%3): няма елемент с такъв номер (елементи: %4)")
                    .arg(m_name, QLatin1StringView(operation))
                    .arg(index)
                    .arg(ListCount()));
}

void ListBox::checkRoomFor(const char *operation, qsizetype added) const {
    if (added > std::numeric_limits<qint16>::max() - ListCount())
        throw Error(QStringLiteral("%1.%2: списъкът е пълен (%3 елемента)")
                        .arg(m_name, QLatin1StringView(operation))
                        .arg(ListCount()));
}

void ListBox::rememberOrder(const QStringList &texts, std::span<const quint16> order) {
    if (!m_entryOrder || order.size() != std::size_t(texts.size()))
        return;
    m_lastUnsorted = texts;
    m_lastOrder.assign(order.begin(), order.end());
}

namespace {

// The collation keys of some texts, and the order of the keys.
struct SortedKeys {
    std::vector<QCollatorSortKey> keys;
    std::vector<int> order; // positions in keys, in the order of the keys
};

SortedKeys sortedKeys(const content::EntryOrder &order, const QStringList &texts,
                      std::span<const int> which) {
    SortedKeys sorted;
    sorted.keys.reserve(which.size());
    for (const int text : which)
        sorted.keys.push_back(order.sortKey(texts[text]));
    sorted.order.resize(which.size());
    std::iota(sorted.order.begin(), sorted.order.end(), 0);
    const auto &keys = sorted.keys;
    std::sort(sorted.order.begin(), sorted.order.end(), [&keys](int a, int b) {
        return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0;
    });
    return sorted;
}

// The rank of each key of both halves, the second's counted after the first's: keys the
// collation cannot tell apart share a rank. The two orders are merged as they are read.
std::vector<int> ranksOf(const SortedKeys &first, const SortedKeys &second, int &ranks) {
    std::vector<int> rank(first.keys.size() + second.keys.size());
    const int secondStart = int(first.keys.size());
    const QCollatorSortKey *last = nullptr;
    ranks = 0;
    const auto place = [&](const QCollatorSortKey &key, int at) {
        if (last != nullptr && last->compare(key) != 0)
            ++ranks;
        last = &key;
        rank[std::size_t(at)] = ranks;
    };
    auto a = first.order.begin();
    auto b = second.order.begin();
    while (a != first.order.end() || b != second.order.end()) {
        const bool fromFirst = b == second.order.end() ||
                               (a != first.order.end() && first.keys[std::size_t(*a)].compare(
                                                              second.keys[std::size_t(*b)]) <= 0);
        if (fromFirst) {
            place(first.keys[std::size_t(*a)], *a);
            ++a;
        } else {
            place(second.keys[std::size_t(*b)], secondStart + *b);
            ++b;
        }
    }
    ++ranks;
    return rank;
}

// From this many distinct texts on, a second core makes half of the keys: below it, starting a
// thread and its collator costs more than it saves.
constexpr std::size_t keysForTwoThreads = 4096;

} // namespace

// Stable, so equal texts keep the order they came in, as AddItem one by one would leave them.
// Comparing texts through the collator is what costs: each distinct text gets its collation key
// once, the keys are sorted (comparing two is a comparison of bytes), and the texts are then put
// in the order of their keys' ranks in one pass that keeps equal ones in their order. Making the
// keys is nearly all of it: a large list has half of its keys made and sorted on a second
// thread, the two halves are merged, and a thread frees the keys while the list goes on. Gives
// the order: the i-th entry is texts[order[i]].
const std::vector<quint16> &ListBox::orderFor(const QStringList &texts) {
    if (texts == m_lastUnsorted)
        return m_lastOrder;
    const std::size_t count = std::size_t(texts.size());
    // Texts that share their characters are equal, and a quiz's readers share every text
    // repeated in a column: telling repeats by where their characters are finds them without
    // reading a text. Equal texts that do not share theirs get a key each, equal keys.
    QHash<std::pair<const QChar *, qsizetype>, int> distinct; // key + 1, 0 until seen
    distinct.reserve(texts.size());
    std::vector<int> firstOf; // for each key, the first text it is made from
    std::vector<int> keyOf(count);
    for (std::size_t i = 0; i < count; ++i) {
        const QString &text = texts[qsizetype(i)];
        int &key = distinct[{text.constData(), text.size()}];
        if (key == 0) {
            firstOf.push_back(int(i));
            key = int(firstOf.size());
        }
        keyOf[i] = key - 1;
    }
    const std::size_t distinctCount = firstOf.size();
    const bool twoThreads =
        distinctCount >= keysForTwoThreads && std::thread::hardware_concurrency() > 1;
    const std::size_t half = twoThreads ? distinctCount / 2 : distinctCount;
    const std::span<const int> all(firstOf);
    std::future<SortedKeys> later;
    if (twoThreads)
        later = std::async(std::launch::async, [&texts, rest = all.subspan(half)] {
            // A collator of its own: one must not be used by two threads.
            return sortedKeys(content::EntryOrder(), texts, rest);
        });
    SortedKeys first = sortedKeys(*m_entryOrder, texts, all.first(half));
    SortedKeys second = twoThreads ? later.get() : SortedKeys();
    int ranks = 0;
    const std::vector<int> rank = ranksOf(first, second, ranks);
    // A key's destruction is two frees: the lambda destroys them itself, on its own thread (what
    // it captured would otherwise be destroyed with the future, on this one).
    if (twoThreads)
        m_keysFreed = std::async(std::launch::async, [keys = std::move(first.keys),
                                                      more = std::move(second.keys)]() mutable {
            std::vector<QCollatorSortKey>().swap(keys);
            std::vector<QCollatorSortKey>().swap(more);
        });
    // Where each rank's texts start, then every text after those of lower ranks and after the
    // earlier ones of its own. A list holds at most 32 767 entries, so every position fits in 16
    // bits.
    std::vector<int> next(std::size_t(ranks) + 1, 0);
    for (const int key : keyOf)
        ++next[std::size_t(rank[std::size_t(key)]) + 1];
    std::partial_sum(next.begin(), next.end(), next.begin());
    m_lastOrder.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        m_lastOrder[std::size_t(next[std::size_t(rank[std::size_t(keyOf[i])])]++)] = quint16(i);
    m_lastUnsorted = texts;
    return m_lastOrder;
}

std::span<const int> ListBox::rowsHolding(const QString &text) const {
    // Rows by their texts, and a row against a text either way round, for equal_range.
    struct ByText {
        const ListBox *list;
        bool operator()(int a, int b) const { return list->List(a) < list->List(b); }
        bool operator()(int row, const QString &text) const { return list->List(row) < text; }
        bool operator()(const QString &text, int row) const { return text < list->List(row); }
    };
    if (m_rowsByText.size() != std::size_t(ListCount())) {
        m_rowsByText.resize(std::size_t(ListCount()));
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
    int high = ListCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (m_entryOrder->compare(List(middle), text) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace forms
