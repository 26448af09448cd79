// Prints the battle table as JSON, so that the end-to-end drivers can tell right triples from
// wrong ones: [{"place": ..., "winner": ..., "defeated": ..., "explanation": ...}, ...].
#include "content/battletable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main() {
    QJsonArray rows;
    for (const content::BattleRow &row : content::battleTable)
        rows.append(QJsonObject{{QStringLiteral("place"), row.place.toString()},
                                {QStringLiteral("winner"), row.winner.toString()},
                                {QStringLiteral("defeated"), row.defeated.toString()},
                                {QStringLiteral("explanation"), row.explanation.toString()}});
    const QByteArray json = QJsonDocument(rows).toJson();
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
