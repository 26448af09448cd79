#include "expectedorder.h"
#include "forms/controlarray.h"
#include "forms/error.h"
#include "forms/form.h"
#include "forms/listbox.h"
#include "forms/textbox.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include <algorithm>
#include <stdexcept>

using forms::ListBox;
using namespace Qt::Literals::StringLiterals;

namespace {

QStringList items(const ListBox &list) {
    QStringList result;
    for (int i = 0; i < list.ListCount(); ++i)
        result << list.List(i);
    return result;
}

// What the view shows: its model's texts, row by row.
QStringList shown(const ListBox &list) {
    QStringList result;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        result << list.model()->index(row, 0).data().toString();
    return result;
}

void select(ListBox &list, int row) {
    list.setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

} // namespace

class TestForms : public QObject {
    Q_OBJECT

private slots:
    void sortedListKeepsBulgarianOrder_data();
    void sortedListKeepsBulgarianOrder();
    void unsortedListKeepsInsertionOrder();
    void addingAtOnceKeepsEqualEntriesInTheirOrder();
    void addingAtOnceWhatDoesNotFitAddsNothing();
    void hiddenListKeepsItsEntriesAndShowsThemWhenShown();
    void outOfRangeRaisesAndChangesNothing_data();
    void outOfRangeRaisesAndChangesNothing();
    void removingTheSelectedItemLeavesNoSelection();
    void removingAnotherItemKeepsTheSelection();
    void removingTheCurrentUnselectedItemKeepsTheSelection();
    void clearDropsTheSelection();
    void typingChoosesAnEntry_data();
    void typingChoosesAnEntry();
    void textBoxGivesBackExactlyWhatWasSet();
    void textBoxShowsANewTextFromItsStart();
    void controlArrayRejectsMissingMembers();
    void eventBoundaryReportsOnceAndEnds_data();
    void eventBoundaryReportsOnceAndEnds();
};

// Each row gives entries in their expected order; they are added in every rotation and in
// reverse, so the result cannot depend on the order of insertion.
void TestForms::sortedListKeepsBulgarianOrder_data() {
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("case is ignored: lower-case х among upper-case Х")
        << QStringList{u"Хенри V"_s, u"херцог Уилям Завоевателя"_s, u"Хорацио Нелсън"_s};
    QTest::newRow("a blank sorts before a letter")
        << QStringList{u"Кана - битка "_s, u"Кандия - обсада"_s};
    QTest::newRow("д before ж, whatever follows")
        << QStringList{u"Жан дьо Ноа, Жана Д’Арк"_s, u"Жан Жак Пелисие"_s};
    QTest::newRow("a prefix before its extension")
        << QStringList{u"Кана"_s, u"Кана - битка"_s, u"Кана - битка "_s};
    QTest::newRow("Bulgarian alphabet, ъ ь ю я at the end")
        << QStringList{u"агне"_s, u"Ъгъл"_s, u"ьо"_s, u"Юг"_s, u"ябълка"_s};
    QTest::newRow("й after и, щ after ш")
        << QStringList{u"Иван"_s, u"Йордан"_s, u"Шарл VI"_s, u"Щит"_s};
    QTest::newRow("numbers by their value, before letters")
        << QStringList{u"9 септември"_s, u"681"_s, u"864 г."_s, u"1185"_s, u"1185 г."_s, u"Асен"_s};
    QTest::newRow("dates by their date, not their day")
        << QStringList{u"02.06.1876"_s, u"03.03.1878"_s, u"16.04.1879"_s, u"06.09.1885"_s};
    QTest::newRow("decimals by their value")
        << QStringList{u"0,5"_s, u"1,25"_s, u"1,3"_s, u"12,05"_s};
    // The window starts with these orders written out; the collation must give them too.
    QTest::newRow("the battles' places") << quiztest::expectedPlaces;
    QTest::newRow("the battles' winners") << quiztest::expectedWinners;
    QTest::newRow("the battles' defeated") << quiztest::expectedDefeated;
}

void TestForms::sortedListKeepsBulgarianOrder() {
    QFETCH(QStringList, expected);
    QList<QStringList> orders;
    for (qsizetype shift = 0; shift < expected.size(); ++shift) {
        QStringList rotated = expected.mid(shift) + expected.mid(0, shift);
        orders << rotated;
        std::reverse(rotated.begin(), rotated.end());
        orders << rotated;
    }
    for (const QStringList &order : orders) {
        ListBox list(u"List1"_s, true);
        for (const QString &entry : order)
            list.AddItem(entry);
        QCOMPARE(items(list), expected);
        // The same list, filled at once and again after Clear, as a new round does.
        ListBox bulk(u"List1"_s, true);
        for (int round = 0; round < 2; ++round) {
            bulk.Clear();
            bulk.AddItems(order);
            QCOMPARE(items(bulk), expected);
        }
    }
}

void TestForms::unsortedListKeepsInsertionOrder() {
    ListBox list(u"List2"_s, false);
    const QStringList entries{u"Шарл VI"_s, u"Абд ал Рахман"_s, u"Ксеркс"_s};
    for (const QString &entry : entries)
        list.AddItem(entry);
    QCOMPARE(items(list), entries);
}

// Entries the collation cannot tell apart stay in the order they came in, whether added one by
// one or at once; what the view shows is what List gives. Enough entries that a sort which is
// not stable shows it.
void TestForms::addingAtOnceKeepsEqualEntriesInTheirOrder() {
    const QStringList spellings{u"агне"_s, u"Агне"_s, u"АГНЕ"_s, u"аГне"_s, u"Юг"_s,
                                u"юг"_s,   u"ЮГ"_s,   u"Ъгъл"_s, u"ъгъл"_s};
    QStringList entries;
    for (int i = 0; i < 300; ++i)
        entries << spellings[(i * 7 + i / 9) % spellings.size()];
    ListBox single(u"List1"_s, true);
    for (const QString &entry : entries)
        single.AddItem(entry);

    ListBox bulk(u"List1"_s, true);
    bulk.AddItems(entries);
    QCOMPARE(items(bulk), items(single));
    QCOMPARE(shown(bulk), items(bulk));

    // Refilled with other entries of the same number, as a new quiz's round does.
    QStringList others = entries;
    std::reverse(others.begin(), others.end());
    bulk.Clear();
    bulk.AddItems(others);
    ListBox singleOthers(u"List1"_s, true);
    for (const QString &entry : others)
        singleOthers.AddItem(entry);
    QCOMPARE(items(bulk), items(singleOthers));

    // Added to a list that has entries: each goes after its equals already there.
    bulk.AddItems({u"Агне"_s, u"Абв"_s});
    singleOthers.AddItem(u"Агне"_s);
    singleOthers.AddItem(u"Абв"_s);
    QCOMPARE(items(bulk), items(singleOthers));

    ListBox unsorted(u"List2"_s, false);
    unsorted.AddItem(u"Ксеркс"_s);
    unsorted.AddItems(entries);
    QCOMPARE(items(unsorted), QStringList{u"Ксеркс"_s} + entries);
}

void TestForms::addingAtOnceWhatDoesNotFitAddsNothing() {
    ListBox list(u"List2"_s, false);
    list.AddItems(QStringList(32766, u"ред"_s));
    QVERIFY_THROWS_EXCEPTION(forms::Error, list.AddItems({u"а"_s, u"б"_s}));
    QCOMPARE(list.ListCount(), qint16(32766));
    QCOMPARE(list.model()->rowCount(), 32766);
    list.AddItems({u"а"_s});
    QCOMPARE(list.ListCount(), qint16(32767));
    QVERIFY_THROWS_EXCEPTION(forms::Error, list.AddItem(u"б"_s));
}

// A hidden list (the table's columns) holds its entries without the view's items; shown, it
// shows exactly its entries, whatever was done to it while hidden.
void TestForms::hiddenListKeepsItsEntriesAndShowsThemWhenShown() {
    for (bool sorted : {false, true}) {
        QWidget window;
        // The sorted one is made hidden, the other hidden once made.
        auto *list = new ListBox(u"List2"_s, sorted, &window, sorted);
        list->AddItems({u"Шарл VI"_s, u"Абд ал Рахман"_s});
        list->setVisible(false);
        list->AddItem(u"Ксеркс"_s);
        list->AddItems({u"Помпей"_s, u"Леонид"_s});
        list->RemoveItem(1);
        const QStringList expected =
            sorted ? QStringList{u"Абд ал Рахман"_s, u"Леонид"_s, u"Помпей"_s, u"Шарл VI"_s}
                   : QStringList{u"Шарл VI"_s, u"Ксеркс"_s, u"Помпей"_s, u"Леонид"_s};
        QCOMPARE(items(*list), expected);
        QCOMPARE(list->ListIndex(), -1);
        QVERIFY_THROWS_EXCEPTION(forms::Error, list->List(4));

        list->setVisible(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(shown(*list), expected);
        select(*list, 2);
        list->RemoveItem(0);
        QCOMPARE(list->ListIndex(), 1);
        QCOMPARE(shown(*list), items(*list));
    }
}

void TestForms::outOfRangeRaisesAndChangesNothing_data() {
    QTest::addColumn<bool>("remove");
    QTest::addColumn<int>("index");
    for (int index : {-1, 3, 4, 32767}) {
        QTest::addRow("List(%d)", index) << false << index;
        QTest::addRow("RemoveItem(%d)", index) << true << index;
    }
}

void TestForms::outOfRangeRaisesAndChangesNothing() {
    QFETCH(bool, remove);
    QFETCH(int, index);
    ListBox list(u"List1"_s, true);
    list.AddItem(u"Помпей"_s);
    list.AddItem(u"Ксеркс"_s);
    list.AddItem(u"Леонид"_s);
    select(list, 1);
    const QStringList before = items(list);

    try {
        if (remove)
            list.RemoveItem(index);
        else
            list.List(index);
        QFAIL("no error raised");
    } catch (const forms::Error &error) {
        QVERIFY2(error.message().contains(u"List1"_s), qPrintable(error.message()));
        QVERIFY2(error.message().contains(QString::number(index)), qPrintable(error.message()));
    }
    QCOMPARE(items(list), before);
    QCOMPARE(list.ListIndex(), 1);
}

void TestForms::removingTheSelectedItemLeavesNoSelection() {
    for (int row = 0; row < 3; ++row) {
        ListBox list(u"List1"_s, false);
        list.AddItem(u"а"_s);
        list.AddItem(u"б"_s);
        list.AddItem(u"в"_s);
        select(list, row);
        list.RemoveItem(row);
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(list.ListCount(), qint16(2));
        // The keyboard goes on from the entry that moved up into the place, or from the one
        // before when the last entry went.
        QCOMPARE(list.currentRow(), std::min(row, 1));
    }
}

// A single-selection view selects a neighbour when its current entry goes; the pupil's choice
// in the list must survive the removal of an entry it was not.
void TestForms::removingTheCurrentUnselectedItemKeepsTheSelection() {
    ListBox list(u"List1"_s, false);
    for (const QString &entry : {u"а"_s, u"б"_s, u"в"_s})
        list.AddItem(entry);
    select(list, 2);
    list.setCurrentRow(0, QItemSelectionModel::NoUpdate);
    list.RemoveItem(0);
    QCOMPARE(list.ListIndex(), 1);
    QCOMPARE(list.List(list.ListIndex()), u"в"_s);

    list.clearSelection();
    list.setCurrentRow(0, QItemSelectionModel::NoUpdate);
    list.RemoveItem(0);
    QCOMPARE(list.ListIndex(), -1);
    QCOMPARE(list.ListCount(), qint16(1));
}

void TestForms::removingAnotherItemKeepsTheSelection() {
    ListBox list(u"List1"_s, false);
    for (const QString &entry : {u"а"_s, u"б"_s, u"в"_s})
        list.AddItem(entry);
    select(list, 2);
    list.RemoveItem(0);
    QCOMPARE(list.ListIndex(), 1);
    QCOMPARE(list.List(list.ListIndex()), u"в"_s);
}

void TestForms::clearDropsTheSelection() {
    ListBox list(u"List1"_s, true);
    list.AddItem(u"а"_s);
    select(list, 0);
    list.Clear();
    QCOMPARE(list.ListCount(), qint16(0));
    QCOMPARE(list.ListIndex(), -1);
    list.AddItem(u"б"_s);
    QCOMPARE(list.ListIndex(), -1);
}

void TestForms::typingChoosesAnEntry_data() {
    QTest::addColumn<QStringList>("typed"); // "|": the focus leaves the list and comes back
    QTest::addColumn<QString>("chosen");
    // The focus makes the first entry current; a search begins after the current entry.
    QTest::newRow("a first letter") << QStringList{u"Х"_s} << u"Ханибал"_s;
    QTest::newRow("letters of one entry")
        << QStringList{u"Жан д"_s} << u"Жан дьо Ноа, Жана Д’Арк"_s;
    QTest::newRow("the same letter again") << QStringList{u"жж"_s} << u"Жан дьо Ноа, Жана Д’Арк"_s;
    QTest::newRow("a lower-case entry") << QStringList{u"ххх"_s} << u"херцог Уилям Завоевателя"_s;
    QTest::newRow("typed again after the focus comes back")
        << QStringList{u"М"_s, u"|"_s, u"Ж"_s} << u"Жан дьо Ноа, Жана Д’Арк"_s;
}

void TestForms::typingChoosesAnEntry() {
    QFETCH(QStringList, typed);
    QFETCH(QString, chosen);
    QWidget window;
    auto *list = new ListBox(u"List1"_s, true, &window);
    list->AddItems({u"Мехмед II"_s, u"Жан Жак Пелисие"_s, u"херцог Уилям Завоевателя"_s,
                    u"Хенри V"_s, u"Жан дьо Ноа, Жана Д’Арк"_s, u"Ханибал"_s});
    auto *other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    list->setFocus();
    for (const QString &letters : typed) {
        if (letters == u"|"_s) {
            other->setFocus();
            list->setFocus();
        } else {
            // Cyrillic letters, which QTest::keyClicks cannot type, as key events with their text.
            for (QChar letter : letters)
                QTest::sendKeyEvent(QTest::Click, list, Qt::Key(letter.toUpper().unicode()),
                                    QString(letter), Qt::NoModifier);
        }
    }
    QCOMPARE(list->ListIndex() < 0 ? QString() : list->List(list->ListIndex()), chosen);
}

void TestForms::textBoxGivesBackExactlyWhatWasSet() {
    forms::TextBox box(u"Text1"_s);
    const QString text = u"Първи ред\r\nвтори ред с интервал \r\n"_s;
    box.SetText(text);
    QCOMPARE(box.Text(), text);
    QCOMPARE(box.toPlainText(), u"Първи ред\nвтори ред с интервал "_s);
    box.SetText(u"???"_s);
    QCOMPARE(box.Text(), u"???"_s);
    QVERIFY(box.isReadOnly());
    QCOMPARE(box.focusPolicy(), Qt::StrongFocus);
}

// Whatever the user did in the box before, a new text shows from its first line with the cursor
// at its start and nothing selected; nothing of the old text stays behind.
void TestForms::textBoxShowsANewTextFromItsStart() {
    forms::TextBox box(u"Text1"_s);
    box.resize(120, 60);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QString longLine = u"дълъг ред "_s.repeated(40);
    const QString multiLine = u"първи\r\nвтори\r\nтрети\r\n"_s + longLine;
    const struct {
        QString text;
        QString shown;
    } steps[] = {
        {multiLine, u"първи\nвтори\nтрети\n"_s + longLine},
        {longLine, longLine},
        {u"???"_s, u"???"_s},
        {multiLine, u"първи\nвтори\nтрети\n"_s + longLine},
        {u""_s, u""_s},
        {longLine, longLine},
    };
    for (const auto &step : steps) {
        // Leave the cursor at the end with the whole text selected, then scrolled to the bottom.
        box.selectAll();
        box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum());
        box.SetText(step.text);
        QCOMPARE(box.Text(), step.text);
        QCOMPARE(box.toPlainText(), step.shown);
        QCOMPARE(box.document()->blockCount(), int(step.shown.count(u'\n')) + 1);
        QCOMPARE(box.textCursor().position(), 0);
        QVERIFY(!box.textCursor().hasSelection());
        QCoreApplication::processEvents();
        QCOMPARE(box.verticalScrollBar()->value(), 0);
        QCOMPARE(box.verticalScrollBar()->maximum() > 0, step.shown.size() > 100);
    }
    // Replaced texts are not kept for undo, so a day of answers does not pile up.
    QVERIFY(!box.document()->isUndoRedoEnabled());
    QVERIFY(!box.document()->isUndoAvailable());
}

void TestForms::controlArrayRejectsMissingMembers() {
    ListBox first(u"List1"_s, false);
    const forms::ControlArray<ListBox> array(u"List1"_s, {&first, nullptr});
    QCOMPARE(&array(0), &first);
    for (qint16 index : {qint16(-1), qint16(1), qint16(2), qint16(32767)}) {
        try {
            array(index);
            QFAIL("no error raised");
        } catch (const forms::Error &error) {
            QVERIFY(error.message().startsWith(u"List1(%1)"_s.arg(index)));
        }
    }
}

void TestForms::eventBoundaryReportsOnceAndEnds_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("report");
    QTest::newRow("the forms layer's error") << 0 << u"List1.List(7): няма елемент"_s;
    QTest::newRow("a standard exception") << 1 << u"vector::at"_s;
    QTest::newRow("an exception of unknown type") << 2 << u"Неизвестна грешка"_s;
}

void TestForms::eventBoundaryReportsOnceAndEnds() {
    QFETCH(int, kind);
    QFETCH(QString, report);
    forms::FormDescription description{.caption = u"Проба",
                                       .clientWidth = 1500,
                                       .clientHeight = 1500,
                                       .fontFamily = u"Times New Roman",
                                       .fontPointSize = 12};
    forms::Form form(description);
    QStringList reports;
    form.setErrorReporter([&](QWidget *, const QString &message) { reports << message; });

    QVERIFY(form.raiseEvent([] {}));
    QVERIFY(!form.hasEnded());

    int runs = 0;
    QVERIFY(!form.raiseEvent([&] {
        ++runs;
        if (kind == 0)
            throw forms::Error(u"List1.List(7): няма елемент"_s);
        if (kind == 1)
            throw std::out_of_range("vector::at");
        throw 7;
    }));
    QVERIFY(form.hasEnded());
    QCOMPARE(reports, QStringList{report});

    // Once the program has ended on an error, no further event procedure runs.
    QVERIFY(!form.raiseEvent([&] { ++runs; }));
    QCOMPARE(runs, 1);
    QCOMPARE(reports.size(), 1);
}

QTEST_MAIN(TestForms)
#include "tst_forms.moc"
