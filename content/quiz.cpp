#include "content/quiz.h"

#include "content/battletable.h"

using namespace Qt::StringLiterals;

namespace content {

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
