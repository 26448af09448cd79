#pragma once

#include "content/quiz.h"
#include "content/roundrecord.h"
#include "content/roundsummary.h"
#include "forms/commandbutton.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/listbox.h"
#include "forms/textbox.h"

#include <array>
#include <functional>
#include <optional>

namespace quiz {

// The quiz window. All state of a round lives here: the answer lists, the two counters and the
// labels that show them; the quiz's table lives in four hidden lists beside them.
class QuizForm : public forms::Form {
    Q_OBJECT

public:
    explicit QuizForm(const forms::FormDescription &description, QWidget *parent = nullptr);

    // Raised once, before the window is first shown.
    void Form_Load();
    // Raised when a member of Command1 is clicked: checkButton checks the answer, newRoundButton
    // starts a new round.
    void Command1_Click(qint16 Index);

    // Plays another quiz: its rows replace the table, its captions the lists' captions (and the
    // names screen readers give the lists), its title the heading; the information box says
    // what the quiz is and how to play it, and a new round starts. A quiz of two answers hides
    // the third list and its caption, and the window closes their band. A row without an
    // explanation shows the matched answers when it is found. Text from the quiz is shown as
    // plain text. The window keeps the quiz: one that is not needed after is best moved in.
    void openQuiz(content::Quiz quiz);
    // The quiz the window plays: the last one opened, or the built-in battles.
    content::Quiz currentQuiz() const { return m_quiz ? *m_quiz : content::builtInQuiz(); }

    // Starts a round of only the rows missed so far, of the round just finished or of the round
    // in play, with the counters at zero; practising again narrows to the rows missed in it.
    // Without a row missed it says so and changes nothing.
    void practiseMissed();

    // A round another program decides, as a pupil of a class round plays it: the window shows
    // the lists it is given (it holds no table, so no answer key), sends each check to the
    // teacher's program through checkRemotely and shows the verdict it is given back
    // (showVerdict), and asks for its next attempt through againRemotely („Изчисти“, or Ctrl+R
    // for a practice of the rows missed). The rest is the window's own: lists, captions,
    // counters, verdicts, the summary and what a screen reader hears.
    struct RemoteAttempt {
        QString title;
        QStringList captions;           // two or three
        std::vector<QStringList> lists; // each list's entries still to match
        int quizRows = 0;
        qint64 rightAnswers = 0;
        qint64 wrongAnswers = 0;
        QString shown; // what the information box shows; empty: the quiz's introduction
        QString about; // a line before the introduction, saying which round it is
    };
    // Sends a check of these entries; false when it cannot be sent (one is on its way).
    using RemoteCheck = std::function<bool(const QStringList &choice)>;
    using RemoteAgain = std::function<bool(bool practice)>;
    void playRemotely(RemoteCheck checkRemotely, RemoteAgain againRemotely);
    bool isPlayedRemotely() const { return bool(m_checkRemotely); }
    // The attempt in play as the pupil joins the round; or the next one the teacher's program
    // has given (newAttempt), which, as „Изчисти“ does, leaves the information box as it is.
    void showRemoteAttempt(const RemoteAttempt &attempt, bool newAttempt);
    // The verdict of the check on its way, with the counts the teacher's program keeps.
    void showVerdict(bool right, const QString &shown, qint64 rightAnswers, qint64 wrongAnswers);
    // The teacher's program has ended the attempt: its summary opens.
    void showRemoteSummary(const content::RoundSummary &summary);
    // Back to a round of its own, on the quiz it had before.
    void playLocally();

    // How many answer lists the quiz in play has: three for the battles, two or three for a
    // teacher's quiz. They are List1(0) onwards, with the table's columns List2(0) onwards; a
    // list not in play is hidden and empty.
    qint16 answerListsInPlay() const { return m_answerLists; }
    static constexpr qint16 maxAnswerLists = content::maxAnswerColumns;

    // Which member of each control array is which.
    static constexpr qint16 placesList = 0; // List1: the three answer lists...
    static constexpr qint16 winnersList = 1;
    static constexpr qint16 defeatedList = 2;
    static constexpr qint16 explanationsList = 3; // ...and the table's explanations column
    static constexpr qint16 placeColumn = 0;      // List2: the table's answer columns
    static constexpr qint16 winnerColumn = 1;
    static constexpr qint16 defeatedColumn = 2;
    static constexpr qint16 heading = 0;        // Label1; 1 to 3 the answer lists' captions
    static constexpr qint16 correctCounter = 2; // Label2
    static constexpr qint16 wrongCounter = 3;
    static constexpr qint16 informationBox = 0; // Text1
    static constexpr qint16 checkButton = 0;    // Command1
    static constexpr qint16 newRoundButton = 1;

    // The answer lists and the explanations column of the table.
    forms::ControlArray<forms::ListBox> List1;
    // The table's place, winner and defeated columns.
    forms::ControlArray<forms::ListBox> List2;
    // 0 heading, 1 to 3 the answer lists' captions.
    forms::ControlArray<forms::Label> Label1;
    // 0 and 1 captions; then the correct- and wrong-answer counters.
    forms::ControlArray<forms::Label> Label2;
    // The information box.
    forms::ControlArray<forms::TextBox> Text1;
    // Check and new round.
    forms::ControlArray<forms::CommandButton> Command1;

signals:
    // The last row of a round has been matched: its lists, counters and information box
    // already show it.
    void roundFinished(const content::RoundSummary &summary);
    // A new round, or a practice, has begun: the lists are full again and the counters at zero.
    void roundStarted();

private:
    void NewRound();
    // Fills the answer lists from these rows of the table, in table order, and zeroes the counters.
    void NewRound(std::vector<int> rows);
    void ShowScore();
    void CheckAnswer();
    // What a verdict changes, decided here or by the teacher's program.
    void ShowMatch(const std::array<int, maxAnswerLists> &chosen, qint64 rightAnswers);
    void ShowMiss(qint64 wrongAnswers);
    // What a screen reader says besides the window's own changes.
    void AnnounceMissingChoice(const std::array<bool, 3> &missing);
    void AnnounceNewRound();
    // A wrong check misses every row of the round not yet matched whose first-column entry it
    // chose: it cannot tell which of them the pupil meant.
    void noteMissedRows(const QString &firstEntry);
    content::RoundSummary summary() const;
    // Shows the quiz's title in the heading and its captions over the lists in play (and names
    // the lists by them), then lays the lists out.
    void showQuizNames(const QString &title, const QStringList &captions);
    // Shows the answer lists in play with their captions; without the third, the information
    // box moves up into its band and the window is shorter by as much.
    void layOutAnswerLists();

    qint16 m_answerLists = maxAnswerLists;
    // The band the third list and its caption take, from the caption's top to the information
    // box's, in twips; and where the box and the window's bottom are with all three lists.
    int m_thirdListBand = 0;
    int m_designedBoxTop = 0;
    int m_designedClientHeight = 0;

    // Both counters are wide enough never to overflow, however long a class keeps pressing.
    qint64 correctCount = 0;
    qint64 wrongCount = 0;
    std::optional<content::Quiz> m_quiz;
    content::RoundRecord m_round;
    RemoteCheck m_checkRemotely;
    RemoteAgain m_againRemotely;
    std::array<int, maxAnswerLists> m_pendingChoice{}; // the entries of the check on its way
    bool m_checkPending = false;
};

} // namespace quiz
