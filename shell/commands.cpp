#include "shell/commands.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

namespace shell {

namespace {

// Opens the window's commands as a menu where a context menu is asked for in it. Opened from the
// keyboard, the menu starts on its first command, which a screen reader then reads at once.
class CommandMenu : public QObject {
public:
    explicit CommandMenu(QWidget &window)
        : QObject(&window)
        , m_window(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != &m_window || event->type() != QEvent::ContextMenu)
            return false;
        const auto *request = static_cast<QContextMenuEvent *>(event);
        QMenu menu(&m_window);
        menu.addActions(m_window.actions());
        if (request->reason() == QContextMenuEvent::Keyboard)
            for (QAction *action : menu.actions())
                if (!action->isSeparator()) {
                    menu.setActiveAction(action);
                    break;
                }
        menu.exec(request->globalPos());
        return true;
    }

private:
    QWidget &m_window;
};

} // namespace

QAction *addCommand(QWidget &window, const QString &text, const QList<QKeySequence> &keys) {
    auto *action = new QAction(text, &window);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window.addAction(action);
    return action;
}

void addCommandSeparator(QWidget &window) {
    auto *separator = new QAction(&window);
    separator->setSeparator(true);
    window.addAction(separator);
}

void offerCommandsAsContextMenu(QWidget &window) {
    window.installEventFilter(new CommandMenu(window));
    // A control without a menu of its own hands the request to its parent, up to the window.
    for (QWidget *control : window.findChildren<QWidget *>())
        if (control->window() == &window)
            control->setContextMenuPolicy(Qt::NoContextMenu);
    // Qt opens a menu from the keyboard on the Menu key only; desktops offer Shift+F10 too. The
    // request goes where the Menu key's would, to the control with the focus.
    auto *shiftF10 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), &window);
    QObject::connect(shiftF10, &QShortcut::activated, &window, [&window] {
        QWidget *focused = QApplication::focusWidget();
        QWidget *target = focused != nullptr && focused->window() == &window ? focused : &window;
        const QPoint centre = target->rect().center();
        QContextMenuEvent request(QContextMenuEvent::Keyboard, centre, target->mapToGlobal(centre));
        QApplication::sendEvent(target, &request);
    });
}

} // namespace shell
