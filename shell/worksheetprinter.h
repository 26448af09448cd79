#pragma once

#include <QObject>
#include <QPrinter>
#include <QString>

#include <memory>

namespace quiz {
class QuizForm;
}

namespace shell {

// Prints the quiz the window plays as a paper worksheet with its key: Ctrl+P opens the print
// dialog, which can also save the pages as a PDF file. The printer, the paper and the other
// choices made in the dialog are kept for the next print while the program runs. The printer is
// looked for on the first Ctrl+P: asking the print system at start-up would cost every start
// time and connections to it.
class WorksheetPrinter : public QObject {
    Q_OBJECT

public:
    explicit WorksheetPrinter(quiz::QuizForm &form);

    // Shows the print dialog; the worksheet is printed when it is accepted.
    void choosePrinter();

private:
    // Prints on the printer as the dialog left it; a failure is reported in a message box.
    bool print();

    quiz::QuizForm &m_form;
    std::unique_ptr<QPrinter> m_printer;
};

// --worksheet: writes the worksheet of the quiz in quizFile, or of the built-in one when it is
// empty, as a PDF file at outFile, without a display. A file already there is replaced only if
// it is a PDF, so that a slip of the hand cannot overwrite a quiz table. Returns the exit
// status; errors go to standard error.
int writeWorksheetFile(const QString &outFile, const QString &quizFile);

} // namespace shell
