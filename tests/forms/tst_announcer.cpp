#include "forms/announcer.h"
#include "forms/listbox.h"

#ifdef VALTESSA_ATSPI
#include "forms/atspisignals.h"

#include <QDBusVariant>
#endif

#include <QAccessible>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using forms::Announcer;
using forms::ListBox;
using namespace Qt::Literals::StringLiterals;

namespace {

// A window with a button and a list of three entries, shown and active, as a pupil has it.
struct Window {
    QWidget window;
    QPushButton *button = new QPushButton(u"Провери"_s);
    ListBox *list = new ListBox(u"List1"_s, false);

    Window() {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(button);
        layout->addWidget(list);
        for (const QString &entry : {u"а"_s, u"б"_s, u"в"_s})
            list->AddItem(entry);
        window.show();
        window.activateWindow();
    }
};

} // namespace

class TestAnnouncer : public QObject {
    Q_OBJECT

private slots:
    void oneAnnouncerPerWindow();
    void focusedObjectIsWhereTheReaderIs();
    void atSpiSignalsCarryTheTextFromTheFocusedObject();
};

void TestAnnouncer::oneAnnouncerPerWindow() {
    Window first;
    Window second;
    Announcer *announcer = Announcer::of(first.button);
    QCOMPARE(Announcer::of(first.list), announcer);
    QCOMPARE(Announcer::of(&first.window), announcer);
    QVERIFY(Announcer::of(second.button) != announcer);

    QSignalSpy said(announcer, &Announcer::announced);
    QSignalSpy saidElsewhere(Announcer::of(&second.window), &Announcer::announced);
    forms::announce(first.list, u"Мащаб 150 %"_s);
    QCOMPARE(said.size(), 1);
    QCOMPARE(said.at(0).at(0).toString(), u"Мащаб 150 %"_s);
    QCOMPARE(saidElsewhere.size(), 0);
}

void TestAnnouncer::focusedObjectIsWhereTheReaderIs() {
    Window window;
    QVERIFY(QTest::qWaitForWindowActive(&window.window));
    Announcer *announcer = Announcer::of(&window.window);
    window.window.setFocus();
    QCOMPARE(announcer->focusedObject(), QAccessible::queryAccessibleInterface(&window.window));

    window.button->setFocus();
    QTRY_VERIFY(window.button->hasFocus());
    QCOMPARE(announcer->focusedObject(), QAccessible::queryAccessibleInterface(window.button));

    // In a list the reader is on the entry under the cursor, not on the list.
    window.list->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    window.list->setFocus();
    QTRY_VERIFY(window.list->hasFocus());
    QAccessibleInterface *entry = announcer->focusedObject();
    QVERIFY(entry != nullptr);
    QCOMPARE(entry->role(), QAccessible::ListItem);
    QCOMPARE(entry->text(QAccessible::Name), u"б"_s);
}

void TestAnnouncer::atSpiSignalsCarryTheTextFromTheFocusedObject() {
#ifndef VALTESSA_ATSPI
    QSKIP("announcements go through Qt's own event on this platform");
#else
    Window window;
    QAccessibleInterface *button = QAccessible::queryAccessibleInterface(window.button);
    const QList<QDBusMessage> messages = forms::atspi::announcementSignals(button, u"Вярно!"_s);
    QCOMPARE(messages.size(), 2);
    for (const QDBusMessage &message : messages) {
        QCOMPARE(message.type(), QDBusMessage::SignalMessage);
        QCOMPARE(message.path(),
                 u"/org/a11y/atspi/accessible/"_s + QString::number(QAccessible::uniqueId(button)));
        QCOMPARE(message.interface(), u"org.a11y.atspi.Event.Object"_s);
        QCOMPARE(message.member(), u"PropertyChange"_s);
        // The event signal's arguments: kind, two numbers, the value, properties (siiva{sv}).
        const QVariantList arguments = message.arguments();
        QCOMPARE(arguments.size(), 5);
        QCOMPARE(arguments.at(0).toString(), u"accessible-description"_s);
        QCOMPARE(arguments.at(1).typeId(), QMetaType::Int);
        QCOMPARE(arguments.at(2).typeId(), QMetaType::Int);
        QCOMPARE(arguments.at(3).metaType(), QMetaType::fromType<QDBusVariant>());
        QCOMPARE(arguments.at(4).typeId(), QMetaType::QVariantMap);
    }
    // First the text itself, then a value that is no text.
    const QVariant said = messages[0].arguments().at(3).value<QDBusVariant>().variant();
    QCOMPARE(said.typeId(), QMetaType::QString);
    QCOMPARE(said.toString(), u"Вярно!"_s);
    const QVariant forget = messages[1].arguments().at(3).value<QDBusVariant>().variant();
    QVERIFY(forget.typeId() != QMetaType::QString);

    QVERIFY(forms::atspi::announcementSignals(nullptr, u"Вярно!"_s).isEmpty());
    QVERIFY(forms::atspi::announcementSignals(button, QString()).isEmpty());
#endif
}

QTEST_MAIN(TestAnnouncer)
#include "tst_announcer.moc"
