#pragma once

#include <QCollator>
#include <QElapsedTimer>
#include <QListWidget>

#include <optional>
#include <vector>

namespace forms {

// A list of strings with at most one selected item. A sorted list keeps its items in Bulgarian
// alphabetical order, ignoring case, with numbers by their value; an unsorted one keeps them in
// the order they were added.
// Operations with an index out of range raise forms::Error and change nothing. The entries are
// changed only through the operations below, never through QListWidget's own item functions.
// An entry too long to be seen whole shows its whole text as a tooltip; screen readers read it
// whole in any case.
class ListBox : public QListWidget {
    Q_OBJECT

public:
    ListBox(const QString &name, bool sorted, QWidget *parent = nullptr);

    const QString &name() const { return m_name; }
    bool isSorted() const { return m_collator.has_value(); }

    qint16 ListCount() const;
    const QString &List(int index) const;
    // The selected item's index, or -1 when nothing is selected.
    int ListIndex() const;
    void AddItem(const QString &text);
    // Adds all texts, in the order a run of AddItem calls would give, but sorts and inserts them
    // at once: a list of thousands of entries fills in milliseconds. Raises forms::Error and adds
    // nothing when they would not all fit.
    void AddItems(const QStringList &texts);
    void RemoveItem(int index);
    void Clear();

    // Hiding the list drops the view's items, showing it makes them again from the entries.
    void setVisible(bool visible) override;

    // Typing chooses the next entry that starts with the letters typed, as in every list; the
    // letters typed after the list gains the focus start a new search, however soon they follow
    // the last ones typed in it.
    void keyboardSearch(const QString &search) override;

    // The collation a sorted list uses; fixed to Bulgarian so the order is the same whatever
    // the machine's locale settings say.
    static QCollator bulgarianCollator();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    bool viewportEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void checkIndex(const char *operation, int index) const;
    void checkRoomFor(const char *operation, qsizetype added) const;
    int sortedInsertPosition(const QString &text) const;
    bool showsWhole(const QModelIndex &index) const;
    QStringList sortedForEmptyList(const QStringList &texts);

    QString m_name;
    std::optional<QCollator> m_collator;
    // The entries' texts in list order, beside the view's items: reading them is a plain array
    // access, which a scan of a table with thousands of rows needs.
    QStringList m_texts;
    // Hidden by the program: the view then holds no items, only m_texts the entries.
    bool m_hidden = false;
    // The last texts sorted for an empty list, and the order that sorts them: a new round of the
    // same table adds the same texts again and need not sort them again.
    QStringList m_lastUnsorted;
    std::vector<quint16> m_lastOrder;
    // The letters of the search being typed, and when the last one came.
    QString m_typed;
    QElapsedTimer m_lastTyped;
};

} // namespace forms
