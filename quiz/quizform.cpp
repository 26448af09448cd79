#include "quiz/quizform.h"

#include "forms/announcer.h"

#include <QStringList>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace quiz {

namespace {

// Text from a quiz file is joined to ours, never used as a format: it may hold "%1".
QString introductionTo(const content::Quiz &quiz) {
    const auto &[first, second, third] = quiz.captions;
    return u"Викторина „"_s + quiz.title + u"“: "_s + QString::number(quiz.rows.size()) +
           u" реда.\r\n"_s + u"Изберете по един отговор от списъците „"_s + first + u"“, „"_s +
           second + u"“ и „"_s + third +
           u"“ така, че трите да си съответстват, и натиснете „Провери“.\r\n"_s +
           u"При верен отговор трите избора изчезват от списъците, при грешен се показва „???“. "
           u"„Изчисти“ започва нов кръг.\r\n"_s;
}

// What a right answer shows for a row without an explanation: that it was right, and the row.
QString rightAnswerWithoutExplanation(const content::Quiz &quiz, const content::QuizRow &row) {
    const auto &[first, second, third] = quiz.captions;
    return u"Вярно!\r\n"_s + first + u": "_s + row.answers[0] + u"\r\n"_s + second + u": "_s +
           row.answers[1] + u"\r\n"_s + third + u": "_s + row.answers[2] + u"\r\n"_s;
}

} // namespace

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
        AnnounceNewRound();
        break;
    default:
        break;
    }
}

void QuizForm::openQuiz(const content::Quiz &quiz) {
    if (quiz.rows.size() < std::size_t(content::minQuizRows) ||
        quiz.rows.size() > std::size_t(content::maxQuizRows))
        throw forms::Error(u"Викторина с "_s + QString::number(quiz.rows.size()) + u" реда"_s);

    std::array<QStringList, 3> columns;
    QStringList explanations;
    for (QStringList &column : columns)
        column.reserve(qsizetype(quiz.rows.size()));
    explanations.reserve(qsizetype(quiz.rows.size()));
    for (const content::QuizRow &row : quiz.rows) {
        for (std::size_t column = 0; column < columns.size(); ++column)
            columns[column].append(row.answers[column]);
        explanations.append(row.explanation.isEmpty() ? rightAnswerWithoutExplanation(quiz, row)
                                                      : row.explanation);
    }
    for (qint16 column = 0; column < 3; ++column) {
        List2(column).Clear();
        List2(column).AddItems(columns[std::size_t(column)]);
    }
    List1(explanationsList).Clear();
    List1(explanationsList).AddItems(explanations);

    Label1(heading).SetCaption(quiz.title);
    for (qint16 column = 0; column < 3; ++column) {
        const QString &caption = quiz.captions[std::size_t(column)];
        Label1(qint16(column + 1)).SetCaption(caption);
        List1(column).setAccessibleName(caption);
    }
    Text1(informationBox).SetText(introductionTo(quiz));
    NewRound();
    m_quiz = quiz;
}

void QuizForm::NewRound() {
    List1(placesList).Clear();
    List1(winnersList).Clear();
    List1(defeatedList).Clear();
    // The place column's count governs all three columns. Each list takes its column at once,
    // which leaves it in the order adding the entries one by one gives.
    const int n = List2(placeColumn).ListCount();
    std::array<QStringList, 3> columns;
    for (QStringList &column : columns)
        column.reserve(n);
    for (int r = 1; r <= n; ++r) {
        columns[0].append(List2(placeColumn).List(r - 1));
        columns[1].append(List2(winnerColumn).List(r - 1));
        columns[2].append(List2(defeatedColumn).List(r - 1));
    }
    List1(placesList).AddItems(columns[0]);
    List1(winnersList).AddItems(columns[1]);
    List1(defeatedList).AddItems(columns[2]);
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
    if (a < 0 || b < 0 || c < 0) {
        AnnounceMissingChoice({a < 0, b < 0, c < 0});
        return;
    }

    const int n = List2(placeColumn).ListCount();
    bool found = false;
    // Every row is compared, even after a match; comparisons are exact, trailing blanks included.
    // The chosen texts do not change during the scan and are read once, as are the controls:
    // a table may have tens of thousands of rows.
    const QString &place = List1(placesList).List(a);
    const QString &winner = List1(winnersList).List(b);
    const QString &defeated = List1(defeatedList).List(c);
    const forms::ListBox &places = List2(placeColumn);
    const forms::ListBox &winners = List2(winnerColumn);
    const forms::ListBox &defeatedSides = List2(defeatedColumn);
    for (int r = 1; r <= n; ++r) {
        const QString &rowPlace = places.List(r - 1);
        const QString &rowWinner = winners.List(r - 1);
        const QString &rowDefeated = defeatedSides.List(r - 1);
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

    // The verdict is said at once, count first: a pupil who moves on during the explanation
    // has still heard it. The whole explanation stays in the information box.
    if (found)
        forms::announce(this, QStringLiteral("Вярно! Верни отговори: ") +
                                  QString::number(correctCount) + QStringLiteral(". ") +
                                  Text1(informationBox).Text());
    else
        forms::announce(this,
                        QStringLiteral("Грешно. Грешни отговори: ") + QString::number(wrongCount));
}

// Names the lists still without a choice by their captions: „Изберете място и победен.“
void QuizForm::AnnounceMissingChoice(const std::array<bool, 3> &missing) {
    // Right answers empty the three lists together; then there is nothing left to choose.
    if (List1(placesList).ListCount() == 0) {
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
    const qint16 count = List1(placesList).ListCount();
    forms::announce(this,
                    QStringLiteral("Нов кръг. Във всеки списък има по ") + QString::number(count) +
                        (count == 1 ? QStringLiteral(" отговор.") : QStringLiteral(" отговора.")));
}

} // namespace quiz
