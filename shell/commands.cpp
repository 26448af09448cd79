#include "shell/commands.h"

#include <QAction>
#include <QWidget>

namespace shell {

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
    window.setContextMenuPolicy(Qt::ActionsContextMenu);
    // A control without a menu of its own hands the request to its parent, up to the window.
    for (QWidget *control : window.findChildren<QWidget *>())
        if (control->window() == &window)
            control->setContextMenuPolicy(Qt::NoContextMenu);
}

} // namespace shell
