#pragma once

#include <QCollator>
#include <QListWidget>

#include <optional>

namespace forms {

// A list of strings with at most one selected item. A sorted list keeps its items in Bulgarian
// alphabetical order, ignoring case; an unsorted one keeps them in the order they were added.
// Operations with an index out of range raise forms::Error and change nothing.
class ListBox : public QListWidget {
    Q_OBJECT

public:
    ListBox(const QString &name, bool sorted, QWidget *parent = nullptr);

    const QString &name() const { return m_name; }
    bool isSorted() const { return m_collator.has_value(); }

    qint16 ListCount() const;
    QString List(int index) const;
    // The selected item's index, or -1 when nothing is selected.
    int ListIndex() const;
    void AddItem(const QString &text);
    void RemoveItem(int index);
    void Clear();

    // The collation a sorted list uses; fixed to Bulgarian so the order is the same whatever
    // the machine's locale settings say.
    static QCollator bulgarianCollator();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void checkIndex(const char *operation, int index) const;
    int sortedInsertPosition(const QString &text) const;

    QString m_name;
    std::optional<QCollator> m_collator;
};

} // namespace forms
