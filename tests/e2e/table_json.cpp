// Prints the battle table as JSON, so that the end-to-end drivers can tell right triples from
// wrong ones: [{"place": ..., "winner": ..., "defeated": ..., "explanation": ...}, ...].
// With --orders, prints instead the orders a pupil sees in the three answer lists:
// {"places": [...], "winners": [...], "defeated": [...]}.
#include "content/battletable.h"
#include "expectedorder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[]) {
    QJsonDocument document;
    if (argc > 1 && std::strcmp(argv[1], "--orders") == 0) {
        document.setObject(QJsonObject{
            {QStringLiteral("places"), QJsonArray::fromStringList(quiztest::expectedPlaces)},
            {QStringLiteral("winners"), QJsonArray::fromStringList(quiztest::expectedWinners)},
            {QStringLiteral("defeated"), QJsonArray::fromStringList(quiztest::expectedDefeated)}});
    } else {
        QJsonArray rows;
        for (const content::BattleRow &row : content::battleTable)
            rows.append(QJsonObject{{QStringLiteral("place"), row.place.toString()},
                                    {QStringLiteral("winner"), row.winner.toString()},
                                    {QStringLiteral("defeated"), row.defeated.toString()},
                                    {QStringLiteral("explanation"), row.explanation.toString()}});
        document.setArray(rows);
    }
    const QByteArray json = document.toJson();
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
