#pragma once

#include "forms/error.h"

#include <QObject>

class QMimeData;

namespace quiz {
class QuizForm;
}

namespace shell {

// Opens cells pasted from a spreadsheet as a quiz: Ctrl+V (and Shift+Insert) anywhere in the
// window. The cells read as a file with the same cells would; text that is not a table, or a
// table that cannot be played, is reported in a message box, and the quiz, the round, the choices
// and the counters stay as they were. An empty clipboard does nothing.
class QuizPaster : public QObject {
    Q_OBJECT

public:
    explicit QuizPaster(quiz::QuizForm &form);

    // Plays the cells the clipboard holds. Returns false when there were none or they were
    // refused.
    bool paste();
    // The same for cells from any source of clipboard data.
    bool paste(const QMimeData *mime);

    void setErrorReporter(forms::ErrorReporter reporter) { m_reportError = std::move(reporter); }

private:
    quiz::QuizForm &m_form;
    forms::ErrorReporter m_reportError = &forms::showWarningMessageBox;
};

} // namespace shell
