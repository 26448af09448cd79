// Any bytes given to the quiz reader open as a quiz that writes and reads back unchanged, or
// give an error that says where and why; nothing crashes, hangs or leaks.
#include "content/quizfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fault(const char *what) {
    std::fprintf(stderr, "quizfile_fuzzer: %s\n", what);
    std::abort();
}

void checkError(const content::QuizFileError &error) {
    if (error.line < 0 || error.column < 0)
        fault("error with a negative line or column");
    if (error.line == 0 && error.column != 0)
        fault("error with a column but no line");
    if (error.message.isEmpty())
        fault("error without a message");
    if (error.fileName != u"Тест.csv"_s)
        fault("error names another file");
}

void checkQuiz(const content::Quiz &quiz) {
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

    const content::QuizFileResult again =
        content::parseQuiz(content::writeQuiz(quiz), u"Тест.csv"_s);
    const auto *read = std::get_if<content::Quiz>(&again);
    if (!read)
        fault("the written quiz does not read back");
    if (!(*read == quiz))
        fault("the written quiz reads back different");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const content::QuizFileResult result =
        content::parseQuiz(QByteArrayView(data, qsizetype(size)), u"/tmp/Тест.csv"_s);
    if (const auto *error = std::get_if<content::QuizFileError>(&result))
        checkError(*error);
    else
        checkQuiz(std::get<content::Quiz>(result));
    return 0;
}
