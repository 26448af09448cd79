#pragma once

#include <QString>
#include <QStringList>

namespace quiz {

// What a finished round comes to.
struct RoundSummary {
    qint64 rightAnswers = 0;
    qint64 wrongAnswers = 0;
    // From the round's first choice to its last match.
    qint64 milliseconds = 0;
    // The rows missed, in table order, each by its first-column entry; rows that share that
    // entry are told apart by their second-column entry after a dash, and rows that share both
    // by their third.
    QStringList missedRows;
};

// A time as the summary shows it: „45 с“, „3 мин 12 с“, „1 ч 5 мин“.
QString shortDuration(qint64 milliseconds);
// The same time as a screen reader says it: „3 минути и 12 секунди“, „1 минута“.
QString spokenDuration(qint64 milliseconds);

// What a screen reader says when the summary opens.
QString summaryAnnouncement(const RoundSummary &summary);
// What it says when a practice of the rows missed starts: „Упражнение: 3 реда“.
QString practiceAnnouncement(qint64 rows);
inline const QString nothingToPractise = QStringLiteral("Няма сбъркани редове за упражнение.");

} // namespace quiz
