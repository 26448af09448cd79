#pragma once

#include <QString>
#include <QStringList>

// What a round says, in the window and to a pupil of a class round alike: its introduction, what a
// screen reader hears of each verdict and new round, and the summary at its end.
namespace content {

// The quiz's captions as a sentence names them: „Писател“, „Творба“ и „Герой“. Text from a quiz
// file is joined to ours, never used as a format: it may hold "%1".
QString quotedCaptions(const QStringList &captions);
// The information box's opening text for a quiz: what it is and how to play it.
QString introductionTo(const QString &title, const QStringList &captions, qsizetype rows);
// The line a class round's introduction starts with: whose round it is.
QString classRoundLine(const QString &className);

// What a screen reader says of a verdict, at once, count first: a pupil who moves on during
// the explanation has still heard it. „Вярно! Верни отговори: 1. “ and what the box shows, or
// „Грешно. Грешни отговори: 1“.
QString rightAnnouncement(qint64 rightAnswers, const QString &shown);
QString wrongAnnouncement(qint64 wrongAnswers);
// „Нов кръг. Във всеки списък има по 16 отговора.“
QString newRoundAnnouncement(qint64 entries);

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

} // namespace content
