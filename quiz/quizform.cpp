#include "quiz/quizform.h"

namespace quiz {

QuizForm::QuizForm(const forms::FormDescription &description, QWidget *parent)
    : forms::Form(description, parent)
    , List1(controlArray<forms::ListBox>(u"List1"))
    , List2(controlArray<forms::ListBox>(u"List2"))
    , Label1(controlArray<forms::Label>(u"Label1"))
    , Label2(controlArray<forms::Label>(u"Label2"))
    , Text1(controlArray<forms::TextBox>(u"Text1"))
    , Command1(controlArray<QPushButton>(u"Command1")) {
    for (qint16 index = 0; index < Command1.size(); ++index)
        connect(&Command1(index), &QPushButton::clicked, this,
                [this, index] { raiseEvent([this, index] { Command1_Click(index); }); });
}

void QuizForm::Form_Load() {
    NewRound();
}

void QuizForm::Command1_Click(qint16 Index) {
    switch (Index) {
    case checkButton:
        CheckAnswer();
        break;
    case newRoundButton:
        NewRound();
        break;
    default:
        break;
    }
}

void QuizForm::NewRound() {
    List1(placesList).Clear();
    List1(winnersList).Clear();
    List1(defeatedList).Clear();
    // The place column's count governs all three columns.
    const int n = List2(placeColumn).ListCount();
    for (int r = 1; r <= n; ++r) {
        List1(placesList).AddItem(List2(placeColumn).List(r - 1));
        List1(winnersList).AddItem(List2(winnerColumn).List(r - 1));
        List1(defeatedList).AddItem(List2(defeatedColumn).List(r - 1));
    }
    correctCount = 0;
    wrongCount = 0;
    ShowScore();
}

void QuizForm::ShowScore() {
    Label2(correctCounter).SetCaption(QString::number(correctCount));
    Label2(wrongCounter).SetCaption(QString::number(wrongCount));
}

void QuizForm::CheckAnswer() {
    const int a = List1(placesList).ListIndex();
    const int b = List1(winnersList).ListIndex();
    const int c = List1(defeatedList).ListIndex();
    if (a < 0 || b < 0 || c < 0)
        return;

    const int n = List2(placeColumn).ListCount();
    bool found = false;
    // Every row is compared, even after a match; comparisons are exact, trailing blanks included.
    for (int r = 1; r <= n; ++r) {
        const QString place = List1(placesList).List(a);
        const QString winner = List1(winnersList).List(b);
        const QString defeated = List1(defeatedList).List(c);
        const QString rowPlace = List2(placeColumn).List(r - 1);
        const QString rowWinner = List2(winnerColumn).List(r - 1);
        const QString rowDefeated = List2(defeatedColumn).List(r - 1);
        if (place == rowPlace && winner == rowWinner && defeated == rowDefeated) {
            found = true;
            Text1(informationBox).SetText(List1(explanationsList).List(r - 1));
        }
    }

    if (found) {
        List1(placesList).RemoveItem(a);
        List1(winnersList).RemoveItem(b);
        List1(defeatedList).RemoveItem(c);
        ++correctCount;
    } else {
        ++wrongCount;
        Text1(informationBox).SetText(QStringLiteral("???"));
    }
    ShowScore();
}

} // namespace quiz
