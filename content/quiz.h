#pragma once

#include <QString>

#include <array>
#include <vector>

namespace content {

// A quiz matches two or three answers that belong together: term and meaning, or writer, work
// and character.
inline constexpr int minAnswerColumns = 2;
inline constexpr int maxAnswerColumns = 3;

// A list holds at most this many entries, and so a quiz at most this many rows.
inline constexpr int maxQuizRows = 32767;
inline constexpr int minQuizRows = 2;

// One row of a quiz: the answers that belong together and, optionally, what the pupil reads
// when she matches them. Only the quiz's first answerCount answers are used; the others are
// empty.
struct QuizRow {
    std::array<QString, maxAnswerColumns> answers;
    QString explanation; // empty when the quiz has no explanation column

    friend bool operator==(const QuizRow &, const QuizRow &) = default;
};

// A whole quiz as the window plays it: a title for the heading, a caption for each answer list,
// and the rows in the order they were written.
struct Quiz {
    QString title;
    int answerCount = maxAnswerColumns;             // 2 or 3 answer lists
    std::array<QString, maxAnswerColumns> captions; // the first answerCount are used
    QString explanationCaption;                     // empty when the quiz has no explanation column
    std::vector<QuizRow> rows;

    friend bool operator==(const Quiz &, const Quiz &) = default;
};

// What the information box shows when the pupil matches the row: its explanation, or, for a row
// without one, that the answer is right and the row's answers under their captions.
QString shownOnMatch(const Quiz &quiz, const QuizRow &row);

// The built-in battles as a quiz: title "Valtessa", captions "Място", "Победител", "Победен",
// explanation column "Обяснение", the rows in stored order.
Quiz builtInQuiz();

// What a teacher starts her own quiz from: the built-in battles, titled „Битки“.
Quiz quizTemplate();

} // namespace content
