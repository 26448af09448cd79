#include "content/quiz.h"

#include "content/battletable.h"

using namespace Qt::StringLiterals;

namespace content {

QString shownOnMatch(const Quiz &quiz, const QuizRow &row) {
    if (!row.explanation.isEmpty())
        return row.explanation;
    QString text = u"Вярно!\r\n"_s;
    for (std::size_t column = 0; column < std::size_t(quiz.answerCount); ++column)
        text += quiz.captions[column] + u": "_s + row.answers[column] + u"\r\n"_s;
    return text;
}

Quiz builtInQuiz() {
    Quiz quiz;
    quiz.title = u"Valtessa"_s;
    quiz.captions = {u"Място"_s, u"Победител"_s, u"Победен"_s};
    quiz.explanationCaption = u"Обяснение"_s;
    quiz.rows.reserve(battleTable.size());
    for (const BattleRow &row : battleTable) {
        quiz.rows.push_back({{row.place.toString(), row.winner.toString(), row.defeated.toString()},
                             row.explanation.toString()});
    }
    return quiz;
}

Quiz quizTemplate() {
    Quiz quiz = builtInQuiz();
    quiz.title = u"Битки"_s;
    return quiz;
}

} // namespace content
