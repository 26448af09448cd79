#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

class QAction;
class QWidget;

namespace shell {

// A command of the window: run by its keys wherever the focus is in the window, and offered with
// them in the window's context menu. The first key is the one the menu shows.
QAction *addCommand(QWidget &window, const QString &text, const QList<QKeySequence> &keys);
// A line in the context menu between the commands added before and after it.
void addCommandSeparator(QWidget &window);

// Makes the window's commands its context menu everywhere in it: a right click on any control,
// Shift+F10 or the Menu key opens it. The controls' own menus (the information box's) give way
// to it.
void offerCommandsAsContextMenu(QWidget &window);

} // namespace shell
