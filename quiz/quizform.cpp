#include "quiz/quizform.h"

#include "forms/announcer.h"

#include <QStringList>

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
    case 0:
        CheckAnswer();
        break;
    case 1:
        NewRound();
        AnnounceNewRound();
        break;
    default:
        break;
    }
}

void QuizForm::NewRound() {
    List1(0).Clear();
    List1(1).Clear();
    List1(2).Clear();
    // The place column's count governs all three columns.
    const int n = List2(0).ListCount();
    for (int r = 1; r <= n; ++r) {
        List1(0).AddItem(List2(0).List(r - 1));
        List1(1).AddItem(List2(1).List(r - 1));
        List1(2).AddItem(List2(2).List(r - 1));
    }
    correctCount = 0;
    wrongCount = 0;
    ShowScore();
}

void QuizForm::ShowScore() {
    Label2(2).SetCaption(QString::number(correctCount));
    Label2(3).SetCaption(QString::number(wrongCount));
}

void QuizForm::CheckAnswer() {
    const int a = List1(0).ListIndex();
    const int b = List1(1).ListIndex();
    const int c = List1(2).ListIndex();
    if (a < 0 || b < 0 || c < 0) {
        AnnounceMissingChoice({a < 0, b < 0, c < 0});
        return;
    }

    const int n = List2(0).ListCount();
    bool found = false;
    // Every row is compared, even after a match; comparisons are exact, trailing blanks included.
    for (int r = 1; r <= n; ++r) {
        const QString place = List1(0).List(a);
        const QString winner = List1(1).List(b);
        const QString defeated = List1(2).List(c);
        const QString rowPlace = List2(0).List(r - 1);
        const QString rowWinner = List2(1).List(r - 1);
        const QString rowDefeated = List2(2).List(r - 1);
        if (place == rowPlace && winner == rowWinner && defeated == rowDefeated) {
            found = true;
            Text1(0).SetText(List1(3).List(r - 1));
        }
    }

    if (found) {
        List1(0).RemoveItem(a);
        List1(1).RemoveItem(b);
        List1(2).RemoveItem(c);
        ++correctCount;
    } else {
        ++wrongCount;
        Text1(0).SetText(QStringLiteral("???"));
    }
    ShowScore();

    // The verdict is said at once, count first: a pupil who moves on during the explanation
    // has still heard it. The whole explanation stays in the information box.
    if (found)
        forms::announce(this, QStringLiteral("Вярно! Верни отговори: ") +
                                  QString::number(correctCount) + QStringLiteral(". ") +
                                  Text1(0).Text());
    else
        forms::announce(this,
                        QStringLiteral("Грешно. Грешни отговори: ") + QString::number(wrongCount));
}

// Names the lists still without a choice by their captions: „Изберете място и победен.“
void QuizForm::AnnounceMissingChoice(const std::array<bool, 3> &missing) {
    // Right answers empty the three lists together; then there is nothing left to choose.
    if (List1(0).ListCount() == 0) {
        forms::announce(this, QStringLiteral("Всички отговори са намерени. "
                                             "„Изчисти“ започва нов кръг."));
        return;
    }
    QStringList names;
    for (qint16 list = 0; list < 3; ++list) {
        if (!missing[std::size_t(list)])
            continue;
        QString caption = Label1(qint16(list + 1)).Caption().trimmed();
        if (!caption.isEmpty())
            caption[0] = caption[0].toLower();
        names << caption;
    }
    QString joined = names.takeLast();
    if (!names.isEmpty())
        joined = names.join(QStringLiteral(", ")) + QStringLiteral(" и ") + joined;
    forms::announce(this, QStringLiteral("Изберете ") + joined + QStringLiteral("."));
}

void QuizForm::AnnounceNewRound() {
    const qint16 count = List1(0).ListCount();
    forms::announce(this,
                    QStringLiteral("Нов кръг. Във всеки списък има по ") + QString::number(count) +
                        (count == 1 ? QStringLiteral(" отговор.") : QStringLiteral(" отговора.")));
}

} // namespace quiz
