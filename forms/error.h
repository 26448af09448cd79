#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

class QWidget;

namespace forms {

// The error a failing control operation raises. The message names the control and what went
// wrong; it is what the user is shown before the program ends.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message) {}

    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// Tells the user of an error in a message box over parent: an error of the program (which then
// ends), or input that cannot be used. Tests put their own in its place, so that nothing blocks.
using ErrorReporter = std::function<void(QWidget *parent, const QString &message)>;

// The title of the program's message boxes: its name, capitalised ("Valtessa"). Not the
// application's display name: Qt would add that to the title of every window, the quiz window's
// among them, whose title is fixed.
QString messageBoxTitle();

// The message box for input that cannot be used, such as a teacher's file: a warning, as plain
// text, since the message holds names from outside that may look like markup.
void showWarningMessageBox(QWidget *parent, const QString &message);

} // namespace forms
