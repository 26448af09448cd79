#pragma once

#include <QDialog>

namespace forms {
class Form;
}

class QTextEdit;

namespace shell {

// F1: a short help in Bulgarian inside the program, beside the window: how to play, every
// command of the window with its keys (as the context menu offers them), how a teacher makes a
// quiz of her own, and where the teacher's guide is. It takes the window's zoom; Escape closes
// it.
class HelpDialog : public QDialog {
    Q_OBJECT

public:
    explicit HelpDialog(forms::Form &form);

    // Shows the help, written anew from the window's commands as they are now.
    void showHelp();

private:
    forms::Form &m_form;
    QTextEdit *m_text;
};

// Adds „Помощ“ (F1) to the window's commands.
void addHelp(forms::Form &form);

// Where the teacher's guide is installed beside the program, or an empty string when it is not
// (a program run from its build folder).
QString teacherGuidePath();

} // namespace shell
