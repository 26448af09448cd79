#pragma once
// What every quiz reader must give for any input, checked by each fuzz target: a quiz that
// writes and reads back unchanged, or an error that says where and why.
#include "quizfile/quizfile.h"
#include "quizfile/quizwriter.h"

#include <cstdio>
#include <cstdlib>
#include <span>

namespace quizchecks {

[[noreturn]] inline void fault(const char *what) {
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

inline void checkError(const quizfile::QuizFileError &error, const QString &fileName) {
    if (error.line < 0 || error.column < 0)
        fault("error with a negative line or column");
    if (error.line == 0 && error.column != 0)
        fault("error with a column but no line");
    if (error.message.isEmpty())
        fault("error without a message");
    if (error.fileName != fileName)
        fault("error names another file");
}

inline void checkQuiz(const content::Quiz &quiz) {
    if (quiz.rows.size() < size_t(content::minQuizRows) ||
        quiz.rows.size() > size_t(content::maxQuizRows))
        fault("quiz with a row count a list cannot hold");
    if (quiz.answerCount < content::minAnswerColumns ||
        quiz.answerCount > content::maxAnswerColumns)
        fault("quiz with a number of answer lists the window cannot show");
    const auto used = [&quiz](const auto &answers) {
        return std::span(answers.data(), std::size_t(quiz.answerCount));
    };
    for (const QString &caption : used(quiz.captions)) {
        if (caption.trimmed().isEmpty())
            fault("quiz with an empty caption");
    }
    for (const content::QuizRow &row : quiz.rows) {
        for (const QString &answer : used(row.answers))
            if (answer.trimmed().isEmpty())
                fault("quiz with an empty answer");
        if (quiz.explanationCaption.isEmpty() && !row.explanation.isEmpty())
            fault("explanation without an explanation column");
    }

    const quizfile::QuizFileResult again =
        quizfile::parseQuiz(quizfile::writeQuiz(quiz), QStringLiteral("Тест.csv"));
    const auto *read = std::get_if<content::Quiz>(&again);
    if (!read)
        fault("the written quiz does not read back");
    content::Quiz written = *read;
    written.title = quiz.title; // the title comes from the file's name or the vocabulary
    if (!(written == quiz))
        fault("the written quiz reads back different");
}

inline void checkResult(const quizfile::QuizFileResult &result, const QString &source) {
    if (const auto *error = std::get_if<quizfile::QuizFileError>(&result))
        checkError(*error, source);
    else
        checkQuiz(std::get<content::Quiz>(result));
}

// Reads bytes as a file of this name and checks what the reader gave.
inline void check(QByteArrayView bytes, const QString &fileName) {
    checkResult(quizfile::parseQuiz(bytes, u"/tmp/"_qs + fileName), fileName);
}

} // namespace quizchecks
