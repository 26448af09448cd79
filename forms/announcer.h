#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QAccessibleInterface;
class QWidget;

namespace forms {

// Tells a screen reader a short message, such as a verdict or a new zoom level, without moving
// the focus or changing anything on screen. A window has one announcer, made when first needed.
// A screen reader speaks only of the window the user is in: a message for a window on screen but
// not active (a box just opened, a window a box has just closed over) waits until the window is
// active and its focus set.
class Announcer : public QObject {
    Q_OBJECT

public:
    // The announcer of the window that holds widget.
    static Announcer *of(QWidget *widget);

    void announce(const QString &text);

    // The object a screen reader is on in this window: the focused control, or the entry that
    // carries the focus inside it (a list's current entry); null when nothing has the focus.
    QAccessibleInterface *focusedObject() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // Every message, as it is handed to the screen reader.
    void announced(const QString &text);

private:
    explicit Announcer(QWidget *window);
    void send(const QString &text);

    QWidget *m_window;
    QStringList m_waiting;
};

// Says text through the screen reader on behalf of the window that holds context.
void announce(QWidget *context, const QString &text);

} // namespace forms
