#include "quiz/quizform.h"

#include "content/battletable.h"
#include "content/bulgarian.h"
#include "forms/announcer.h"

#include <QHash>
#include <QStringList>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <array>
#include <numeric>
#include <span>

using namespace Qt::Literals::StringLiterals;

namespace quiz {

namespace {

QStringList captionsOf(const content::Quiz &quiz) {
    QStringList captions;
    for (int column = 0; column < quiz.answerCount; ++column)
        captions << quiz.captions[std::size_t(column)];
    return captions;
}

// A caption as a word inside a sentence: „Място“ becomes „място“, but an abbreviation or a
// name in capitals („ДДС“, „НАТО“), whose second letter is a capital too, stays as written.
QString captionInSentence(QString caption) {
    if (!caption.isEmpty() && !(caption.size() > 1 && caption[1].isUpper()))
        caption[0] = caption[0].toLower();
    return caption;
}

} // namespace

QuizForm::QuizForm(const forms::FormDescription &description, QWidget *parent)
    : forms::Form(description, parent)
    , List1(controlArray<forms::ListBox>(u"List1"))
    , List2(controlArray<forms::ListBox>(u"List2"))
    , Label1(controlArray<forms::Label>(u"Label1"))
    , Label2(controlArray<forms::Label>(u"Label2"))
    , Text1(controlArray<forms::TextBox>(u"Text1"))
    , Command1(controlArray<forms::CommandButton>(u"Command1")) {
    for (qint16 index = 0; index < Command1.size(); ++index)
        connect(&Command1(index), &forms::CommandButton::clicked, this,
                [this, index] { raiseEvent([this, index] { Command1_Click(index); }); });
    // The battles' lists arrive in an order known beforehand: the first round sorts nothing, and
    // the program starts without a collator, whose set-up takes ICU's tables into memory.
    for (qint16 list = 0; list < maxAnswerLists; ++list) {
        QStringList column;
        for (const content::BattleRow &row : content::battleTable)
            column << (list == placesList    ? row.place
                       : list == winnersList ? row.winner
                                             : row.defeated)
                          .toString();
        List1(list).rememberOrder(column, content::battleListOrder[std::size_t(list)]);
    }
    // The round's time runs from its first choice in any list.
    for (qint16 list = 0; list < maxAnswerLists; ++list)
        connect(&List1(list), &forms::ListBox::itemSelectionChanged, this, [this, list] {
            if (List1(list).ListIndex() >= 0)
                m_round.noteChoice();
        });
    m_designedBoxTop = layoutOf(Text1(informationBox)).top;
    m_designedClientHeight = clientHeight();
    m_thirdListBand = m_designedBoxTop - layoutOf(Label1(maxAnswerLists)).top;
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
        // In a class round the teacher's program gives the next attempt, and the window shows
        // it when it comes.
        if (isPlayedRemotely()) {
            m_againRemotely(false);
            break;
        }
        NewRound();
        AnnounceNewRound();
        break;
    default:
        break;
    }
}

void QuizForm::openQuiz(content::Quiz quiz) {
    if (quiz.rows.size() < std::size_t(content::minQuizRows) ||
        quiz.rows.size() > std::size_t(content::maxQuizRows))
        throw forms::Error(u"Викторина с "_s + QString::number(quiz.rows.size()) + u" реда"_s);
    if (quiz.answerCount < content::minAnswerColumns || quiz.answerCount > maxAnswerLists)
        throw forms::Error(u"Викторина с "_s + QString::number(quiz.answerCount) +
                           u" списъка с отговори"_s);
    const auto lists = qint16(quiz.answerCount);

    // A column not in play stays empty.
    std::array<QStringList, maxAnswerLists> columns;
    QStringList explanations;
    for (QStringList &column : columns)
        column.reserve(qsizetype(quiz.rows.size()));
    explanations.reserve(qsizetype(quiz.rows.size()));
    for (const content::QuizRow &row : quiz.rows) {
        for (qint16 column = 0; column < lists; ++column)
            columns[std::size_t(column)].append(row.answers[std::size_t(column)]);
        explanations.append(content::shownOnMatch(quiz, row));
    }
    for (qint16 column = 0; column < maxAnswerLists; ++column) {
        List2(column).Clear();
        List2(column).AddItems(columns[std::size_t(column)]);
    }
    List1(explanationsList).Clear();
    List1(explanationsList).AddItems(explanations);

    showQuizNames(quiz.title, captionsOf(quiz));
    Text1(informationBox)
        .SetText(
            content::introductionTo(quiz.title, captionsOf(quiz), qsizetype(quiz.rows.size())));
    NewRound();
    m_quiz = std::move(quiz);
#if defined(__GLIBC__)
    // Reading a large quiz leaves the heap with freed cells, copies and sort keys in it, which
    // glibc would keep for later; handed back now, they do not count against the program.
    malloc_trim(0);
#endif
}

void QuizForm::showQuizNames(const QString &title, const QStringList &captions) {
    Label1(heading).SetCaption(title);
    for (qint16 column = 0; column < maxAnswerLists; ++column) {
        const QString caption = captions.value(column);
        Label1(qint16(column + 1)).SetCaption(caption);
        List1(column).setAccessibleName(caption);
    }
    Command1(checkButton)
        .setAccessibleDescription(u"Проверява избраните отговори от списъците "_s +
                                  content::quotedCaptions(captions));
    m_answerLists = qint16(captions.size());
    layOutAnswerLists();
}

void QuizForm::layOutAnswerLists() {
    const bool third = m_answerLists == maxAnswerLists;
    const int band = third ? 0 : m_thirdListBand;
    setControlVisible(Label1(maxAnswerLists), third);
    setControlVisible(List1(defeatedList), third);
    setControlTop(Text1(informationBox), m_designedBoxTop - band);
    setClientHeight(m_designedClientHeight - band);
}

void QuizForm::NewRound() {
    // Every row of the table: the place column's count governs every column in play.
    std::vector<int> rows(std::size_t(List2(placeColumn).ListCount()));
    std::iota(rows.begin(), rows.end(), 0);
    NewRound(std::move(rows));
}

void QuizForm::NewRound(std::vector<int> rows) {
    List1(placesList).Clear();
    List1(winnersList).Clear();
    List1(defeatedList).Clear();
    // Each list takes its column at once, which leaves it in the order adding the entries one by
    // one gives.
    const qint16 lists = answerListsInPlay();
    std::array<QStringList, maxAnswerLists> columns;
    // Rows are distinct and in table order, so as many rows as the place column has are all of
    // them; with every column in play whole, as it always is, the texts are shared, not copied.
    const int n = List2(placeColumn).ListCount();
    bool whole = qsizetype(rows.size()) == n;
    for (qint16 list = 0; list < lists; ++list)
        whole = whole && List2(list).ListCount() == n;
    if (whole) {
        for (qint16 list = 0; list < lists; ++list)
            columns[std::size_t(list)] = List2(list).entries();
    } else {
        for (QStringList &column : columns)
            column.reserve(qsizetype(rows.size()));
        for (const int row : rows)
            for (qint16 list = 0; list < lists; ++list)
                columns[std::size_t(list)].append(List2(list).List(row));
    }
    for (qint16 list = 0; list < lists; ++list)
        List1(list).AddItems(columns[std::size_t(list)]);
    correctCount = 0;
    wrongCount = 0;
    m_round.begin(std::move(rows));
    ShowScore();
    emit roundStarted();
}

void QuizForm::practiseMissed() {
    if (isPlayedRemotely()) {
        m_againRemotely(true);
        return;
    }
    std::vector<int> missed = m_round.missedRows();
    if (missed.empty()) {
        forms::announce(this, content::nothingToPractise);
        return;
    }
    const auto rows = qint64(missed.size());
    NewRound(std::move(missed));
    forms::announce(this, content::practiceAnnouncement(rows));
}

void QuizForm::ShowScore() {
    Label2(correctCounter).SetCaption(QString::number(correctCount));
    Label2(wrongCounter).SetCaption(QString::number(wrongCount));
}

void QuizForm::CheckAnswer() {
    const qint16 lists = answerListsInPlay();
    std::array<int, maxAnswerLists> chosen{};
    std::array<bool, maxAnswerLists> missing{};
    for (qint16 list = 0; list < lists; ++list) {
        chosen[std::size_t(list)] = List1(list).ListIndex();
        missing[std::size_t(list)] = chosen[std::size_t(list)] < 0;
    }
    if (std::find(missing.begin(), missing.end(), true) != missing.end()) {
        AnnounceMissingChoice(missing);
        return;
    }

    // The rule of a check is the round's (content::RoundRecord::decide): the rows that hold all
    // the chosen texts and are still open match, and the last of them is found. A table may have
    // tens of thousands of rows: the chosen texts, which do not change during the search, are
    // read once, and only the rows of the place column that hold the chosen place are compared
    // further, in increasing order (reading an entry changes nothing, and no other row can
    // match).
    std::array<const QString *, maxAnswerLists> chosenTexts{};
    for (qint16 list = 0; list < lists; ++list)
        chosenTexts[std::size_t(list)] = &List1(list).List(chosen[std::size_t(list)]);
    if (isPlayedRemotely()) {
        // The teacher's program decides; its verdict comes with showVerdict.
        if (m_checkPending)
            return;
        QStringList choice;
        for (qint16 list = 0; list < lists; ++list)
            choice << *chosenTexts[std::size_t(list)];
        if (m_checkRemotely(choice)) {
            m_pendingChoice = chosen;
            m_checkPending = true;
        }
        return;
    }
    const int matchedRow = m_round.decide(
        List2(placeColumn).rowsHolding(*chosenTexts[placeColumn]),
        std::span(chosenTexts).first(std::size_t(lists)),
        [this](int column, int row) -> const QString & { return List2(qint16(column)).List(row); });
    const bool found = matchedRow >= 0;
    if (found)
        Text1(informationBox).SetText(List1(explanationsList).List(matchedRow));

    if (found) {
        m_round.noteMatch(matchedRow);
        ShowMatch(chosen, correctCount + 1);
        if (List1(placesList).ListCount() == 0)
            emit roundFinished(summary());
    } else {
        noteMissedRows(*chosenTexts[placesList]);
        ShowMiss(wrongCount + 1);
    }
}

// A right check: the chosen entries leave their lists, the count goes up, and the information
// box keeps what it was given. The verdict is said at once, count first: a pupil who moves on
// during the explanation has still heard it.
void QuizForm::ShowMatch(const std::array<int, maxAnswerLists> &chosen, qint64 rightAnswers) {
    for (qint16 list = 0; list < answerListsInPlay(); ++list)
        List1(list).RemoveItem(chosen[std::size_t(list)]);
    correctCount = rightAnswers;
    ShowScore();
    forms::announce(this, content::rightAnnouncement(correctCount, Text1(informationBox).Text()));
}

void QuizForm::ShowMiss(qint64 wrongAnswers) {
    wrongCount = wrongAnswers;
    Text1(informationBox).SetText(QStringLiteral("???"));
    ShowScore();
    forms::announce(this, content::wrongAnnouncement(wrongCount));
}

void QuizForm::playRemotely(RemoteCheck checkRemotely, RemoteAgain againRemotely) {
    m_checkRemotely = std::move(checkRemotely);
    m_againRemotely = std::move(againRemotely);
    m_checkPending = false;
}

void QuizForm::showRemoteAttempt(const RemoteAttempt &attempt, bool newAttempt) {
    if (attempt.captions.size() < content::minAnswerColumns ||
        attempt.captions.size() > maxAnswerLists ||
        qsizetype(attempt.lists.size()) != attempt.captions.size())
        throw forms::Error(u"Кръгът на класа има "_s + QString::number(attempt.captions.size()) +
                           u" списъка с отговори"_s);
    // The table in the hidden lists stays the window's own quiz, which the round does not use:
    // the teacher's is only on the teacher's machine.
    showQuizNames(attempt.title, attempt.captions);
    for (qint16 list = 0; list < maxAnswerLists; ++list) {
        List1(list).Clear();
        if (list < answerListsInPlay())
            List1(list).AddItems(attempt.lists[std::size_t(list)]);
    }
    correctCount = attempt.rightAnswers;
    wrongCount = attempt.wrongAnswers;
    m_checkPending = false;
    if (!newAttempt)
        Text1(informationBox)
            .SetText(!attempt.shown.isEmpty()
                         ? attempt.shown
                         : attempt.about + content::introductionTo(attempt.title, attempt.captions,
                                                                   attempt.quizRows));
    ShowScore();
    emit roundStarted();
    if (newAttempt)
        AnnounceNewRound();
}

void QuizForm::showVerdict(bool right, const QString &shown, qint64 rightAnswers,
                           qint64 wrongAnswers) {
    if (!m_checkPending)
        return;
    m_checkPending = false;
    if (right) {
        Text1(informationBox).SetText(shown);
        ShowMatch(m_pendingChoice, rightAnswers);
    } else {
        ShowMiss(wrongAnswers);
    }
}

void QuizForm::showRemoteSummary(const content::RoundSummary &summary) {
    m_checkPending = false;
    emit roundFinished(summary);
}

void QuizForm::playLocally() {
    m_checkRemotely = {};
    m_againRemotely = {};
    m_checkPending = false;
    if (m_quiz) {
        content::Quiz quiz = std::move(*m_quiz);
        m_quiz.reset();
        openQuiz(std::move(quiz));
        return;
    }
    // The battles, as the window was built with them.
    QStringList captions;
    for (qint16 list = 0; list < maxAnswerLists; ++list)
        captions << layoutOf(Label1(qint16(list + 1))).caption.toString();
    showQuizNames(layoutOf(Label1(heading)).caption.toString(), captions);
    Command1(checkButton)
        .setAccessibleDescription(layoutOf(Command1(checkButton)).accessibleDescription.toString());
    Text1(informationBox).SetText(layoutOf(Text1(informationBox)).caption.toString());
    NewRound();
}

void QuizForm::noteMissedRows(const QString &firstEntry) {
    for (const int row : List2(placeColumn).rowsHolding(firstEntry))
        m_round.noteMiss(row);
}

content::RoundSummary QuizForm::summary() const {
    return {
        correctCount, wrongCount, m_round.playTime(),
        m_round.missedRowNames(answerListsInPlay(), [this](int column, int row) -> const QString & {
            return List2(qint16(column)).List(row);
        })};
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
        names << captionInSentence(Label1(qint16(list + 1)).Caption().trimmed());
    }
    forms::announce(this, u"Изберете "_s + content::joinedList(std::move(names)) + u'.');
}

void QuizForm::AnnounceNewRound() {
    const qint16 count = List1(placesList).ListCount();
    forms::announce(this, content::newRoundAnnouncement(count));
}

} // namespace quiz
