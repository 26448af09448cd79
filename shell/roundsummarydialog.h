#pragma once

#include "content/roundsummary.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace forms {
class ListBox;
}

namespace quiz {
class QuizForm;
}

namespace shell {

// The box „Кръгът е завършен“, opened over the window when the last row of a round is matched:
// right and wrong answers, the time the round took and the rows missed (all of them, in a box
// that scrolls). „Упражни сбърканите“, shown only when rows were missed and then the default,
// practises them; „Нов кръг“ does what „Изчисти“ does; „Затвори“ (Escape) leaves the finished
// round on screen. A screen reader reads the summary when the box opens. The box takes the
// window's zoom. It does not hold the window: the lists, „Изчисти“ and every key of the window
// work while it shows, and a new round begun there closes it.
class RoundSummaryDialog : public QDialog {
    Q_OBJECT

public:
    explicit RoundSummaryDialog(quiz::QuizForm &form);

    void showSummary(const content::RoundSummary &summary);

private:
    void followZoom();
    // Closes the box, then runs an event procedure of the window.
    void closeAndRun(const std::function<void()> &procedure);

    quiz::QuizForm &m_form;
    QLabel *m_right;
    QLabel *m_wrong;
    QLabel *m_time;
    QLabel *m_missedCount;
    forms::ListBox *m_missed;
    QPushButton *m_practise;
    QPushButton *m_newRound;
};

// Ctrl+R in the window practises the rows missed; the end of a round opens the summary box, made
// when the first round ends.
void addRoundSummary(quiz::QuizForm &form);

} // namespace shell
