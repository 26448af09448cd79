#pragma once

#include "content/quizfile.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/listbox.h"
#include "forms/textbox.h"

#include <QPushButton>

#include <array>

namespace quiz {

// The quiz window. All state of a round lives here: the three answer lists, the two counters and
// the labels that show them; the battle table lives in four hidden lists beside them.
class QuizForm : public forms::Form {
    Q_OBJECT

public:
    explicit QuizForm(const forms::FormDescription &description, QWidget *parent = nullptr);

    // Raised once, before the window is first shown.
    void Form_Load();
    // Raised when a member of Command1 is clicked: 0 checks the answer, 1 starts a new round.
    void Command1_Click(qint16 Index);

    // Plays another quiz: its rows replace the table, its captions the lists' captions (and the
    // names screen readers give the lists), its title the heading; the information box says
    // what the quiz is and how to play it, and a new round starts. A row without an explanation
    // shows the matched answers when it is found. Text from the quiz is shown as plain text.
    void openQuiz(const content::Quiz &quiz);

    // 0 places, 1 winners, 2 defeated (the answer lists); 3 the explanations column of the table.
    forms::ControlArray<forms::ListBox> List1;
    // The table's place, winner and defeated columns.
    forms::ControlArray<forms::ListBox> List2;
    // 0 heading, 1 to 3 the answer lists' captions.
    forms::ControlArray<forms::Label> Label1;
    // 0 and 1 captions; 2 the correct-answer counter, 3 the wrong-answer counter.
    forms::ControlArray<forms::Label> Label2;
    // 0 the information box.
    forms::ControlArray<forms::TextBox> Text1;
    // 0 check, 1 new round.
    forms::ControlArray<QPushButton> Command1;

private:
    void NewRound();
    void ShowScore();
    void CheckAnswer();
    // What a screen reader says besides the window's own changes.
    void AnnounceMissingChoice(const std::array<bool, 3> &missing);
    void AnnounceNewRound();

    // Both counters are wide enough never to overflow, however long a class keeps pressing.
    qint64 correctCount = 0;
    qint64 wrongCount = 0;
};

} // namespace quiz
