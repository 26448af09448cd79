#pragma once

#include "forms/error.h"
#include "quizfile/quizfile.h"

#include <QObject>
#include <QString>

class QWidget;

namespace quiz {
class QuizForm;
}

namespace shell {

// Opens a teacher's quiz file in the window: Ctrl+O chooses one in a file dialog, and a file
// dropped on the window opens too. A file that cannot be played is reported in a message box,
// and the quiz, the round, the choices and the counters stay as they were: a bad file is
// expected input, not an error of the program.
class QuizFileOpener : public QObject {
    Q_OBJECT

public:
    explicit QuizFileOpener(quiz::QuizForm &form);

    // Reads the file at path and plays it. Returns false when it was refused.
    bool open(const QString &path);
    // Shows the file dialog; the chosen file is opened when the dialog is accepted. It opens in
    // the folder of the last file of this run, which is kept for this run only.
    void chooseFile();
    // For a file opened before the window was made (the command line).
    void rememberFolderOf(const QString &path);

    void setErrorReporter(forms::ErrorReporter reporter) { m_reportError = std::move(reporter); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    quiz::QuizForm &m_form;
    forms::ErrorReporter m_reportError = &forms::showWarningMessageBox;
    QString m_lastFolder;
};

// The text a refused file is reported with, in the message box and on standard error alike.
QString quizFileErrorMessage(const quizfile::QuizFileError &error);

} // namespace shell
