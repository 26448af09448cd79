#pragma once

#include "content/bulgarian.h"

#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QListView>

#include <future>

#include <optional>
#include <span>
#include <vector>

namespace forms {

// A list of strings with at most one selected item. A sorted list keeps its items in Bulgarian
// alphabetical order, ignoring case, with numbers, dates and decimals by their value
// (content::EntryOrder); an unsorted one keeps them in the order they were added.
// Operations with an index out of range raise forms::Error and change nothing. The entries are
// changed only through the operations below. The view shows them through a model over the texts
// themselves, with no object an entry, so a list of tens of thousands fills, empties and loses
// an entry in about the time it takes to copy their texts.
// An entry too long to be seen whole shows its whole text as a tooltip; screen readers read it
// whole in any case.
class ListBox : public QListView {
    Q_OBJECT

public:
    // A list made hidden, as the table's columns are, sets up no view over its entries until it
    // is first shown: it is never seen or chosen from, and that set-up is most of what a list
    // costs to make.
    ListBox(const QString &name, bool sorted, QWidget *parent = nullptr, bool hidden = false);

    const QString &name() const { return m_name; }
    bool isSorted() const { return m_entryOrder.has_value(); }

    qint16 ListCount() const {
        return static_cast<qint16>(m_order ? m_order->size() : std::size_t(m_texts.size()));
    }
    // Inline: a check scans tables of tens of thousands of rows through it.
    const QString &List(int index) const {
        if (index < 0 || index >= ListCount())
            throwNoSuchEntry("List", index);
        return m_order ? m_texts[(*m_order)[std::size_t(index)]] : m_texts[index];
    }
    // The selected item's index, or -1 when nothing is selected.
    int ListIndex() const;
    void AddItem(const QString &text);
    // Adds all texts, in the order a run of AddItem calls would give, but sorts and inserts them
    // at once: a list of thousands of entries fills in milliseconds. Raises forms::Error and adds
    // nothing when they would not all fit.
    void AddItems(const QStringList &texts);
    void RemoveItem(int index);
    void Clear();

    // The entries' texts in list order, List(0) first.
    QStringList entries() const;

    // The rows that hold exactly text, in increasing order. The first call after the entries
    // change puts the rows in the order of their texts; later calls find text there without
    // reading every entry, as a check does in a table of tens of thousands of rows.
    std::span<const int> rowsHolding(const QString &text) const;

    // The entry the keyboard is on, or -1; and moving it there, selecting it as a click does
    // unless told otherwise.
    int currentRow() const;
    void setCurrentRow(
        int row, QItemSelectionModel::SelectionFlags command = QItemSelectionModel::ClearAndSelect);

    // Tells a sorted list the order it would give texts, worked out beforehand: when exactly
    // these texts are added at once to the empty list, they are not sorted again. order[i] is the
    // position in texts of the i-th entry in sorted order.
    void rememberOrder(const QStringList &texts, std::span<const quint16> order);

    void setVisible(bool visible) override;

    // Typing chooses the next entry that starts with the letters typed, as in every list; the
    // letters typed after the list gains the focus start a new search, however soon they follow
    // the last ones typed in it.
    void keyboardSearch(const QString &search) override;

signals:
    // An entry was chosen, or the choice was taken away.
    void itemSelectionChanged();

protected:
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    bool viewportEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    class Entries;

    void setUpView();
    [[noreturn]] void throwNoSuchEntry(const char *operation, int index) const;
    void checkIndex(const char *operation, int index) const;
    void checkRoomFor(const char *operation, qsizetype added) const;
    int sortedInsertPosition(const QString &text) const;
    bool showsWhole(const QModelIndex &index) const;
    const std::vector<quint16> &orderFor(const QStringList &texts);
    void keepInListOrder();

    QString m_name;
    std::optional<content::EntryOrder> m_entryOrder;
    // The entries' texts, in list order unless m_order is set: a sorted list filled at once keeps
    // the very texts it was given, shared with the caller's (a table's column), and their order,
    // m_texts[(*m_order)[i]] being List(i), instead of a second list of tens of thousands.
    QStringList m_texts;
    std::optional<std::vector<quint16>> m_order;
    // The view's model over the entries.
    Entries *m_entries;
    // The rows in the order of their texts (equal ones in row order), for rowsHolding; emptied
    // whenever the entries change, and made again when next asked for.
    mutable std::vector<int> m_rowsByText;
    // The last texts sorted for an empty list, and the order that sorts them: a new round of the
    // same table adds the same texts again and need not sort them again.
    QStringList m_lastUnsorted;
    std::vector<quint16> m_lastOrder;
    // The keys of the last sort, being freed on another thread.
    std::future<void> m_keysFreed;
    // The letters of the search being typed, and when the last one came.
    QString m_typed;
    QElapsedTimer m_lastTyped;
};

} // namespace forms
