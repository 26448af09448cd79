#include "content/roundsummary.h"

#include "content/bulgarian.h"

using namespace Qt::Literals::StringLiterals;

namespace content {

namespace {

// How many missed rows a screen reader names; the summary box lists them all.
constexpr qsizetype spokenMissedRows = 10;

struct TimeParts {
    qint64 hours;
    qint64 minutes;
    qint64 seconds;
};

TimeParts timeParts(qint64 milliseconds) {
    const qint64 seconds = qMax<qint64>(milliseconds, 0) / 1000;
    return {seconds / 3600, seconds / 60 % 60, seconds % 60};
}

} // namespace

QString quotedCaptions(const QStringList &captions) {
    QStringList quoted;
    for (const QString &caption : captions)
        quoted << u"„"_s + caption + u"“"_s;
    return joinedList(std::move(quoted));
}

QString introductionTo(const QString &title, const QStringList &captions, qsizetype rows) {
    const QString all = captions.size() == 2 ? u"двата"_s : u"трите"_s;
    return u"Викторина „"_s + title + u"“: "_s + QString::number(rows) + u" реда.\r\n"_s +
           u"Изберете по един отговор от списъците "_s + quotedCaptions(captions) +
           u" така, че "_s + all + u" да си съответстват, и натиснете „Провери“.\r\n"_s +
           u"При верен отговор "_s + all +
           u" избора изчезват от списъците, при грешен се показва „???“. "_s +
           u"„Изчисти“ започва нов кръг.\r\n"_s;
}

QString classRoundLine(const QString &className) {
    return className.isEmpty() ? u"Кръг на класа с учителя.\r\n"_s
                               : u"Кръг на клас „"_s + className + u"“ с учителя.\r\n"_s;
}

QString rightAnnouncement(qint64 rightAnswers, const QString &shown) {
    return u"Вярно! Верни отговори: "_s + QString::number(rightAnswers) + u". "_s + shown;
}

QString wrongAnnouncement(qint64 wrongAnswers) {
    return u"Грешно. Грешни отговори: "_s + QString::number(wrongAnswers);
}

QString newRoundAnnouncement(qint64 entries) {
    return u"Нов кръг. Във всеки списък има по "_s + counted(entries, u"отговор"_s, u"отговора"_s) +
           u'.';
}

QString shortDuration(qint64 milliseconds) {
    const auto [hours, minutes, seconds] = timeParts(milliseconds);
    QStringList parts;
    if (hours > 0)
        parts << QString::number(hours) + u" ч"_s;
    if (minutes > 0)
        parts << QString::number(minutes) + u" мин"_s;
    if (seconds > 0 || parts.isEmpty())
        parts << QString::number(seconds) + u" с"_s;
    return parts.join(u' ');
}

QString spokenDuration(qint64 milliseconds) {
    const auto [hours, minutes, seconds] = timeParts(milliseconds);
    QStringList parts;
    if (hours > 0)
        parts << counted(hours, u"час"_s, u"часа"_s);
    if (minutes > 0)
        parts << counted(minutes, u"минута"_s, u"минути"_s);
    if (seconds > 0 || parts.isEmpty())
        parts << counted(seconds, u"секунда"_s, u"секунди"_s);
    // „1 час, 5 минути и 3 секунди“
    return joinedList(std::move(parts));
}

QString summaryAnnouncement(const RoundSummary &summary) {
    // The box's title is read with it.
    QString text = u"Верни отговори: "_s + QString::number(summary.rightAnswers) +
                   u". Грешни отговори: "_s + QString::number(summary.wrongAnswers) +
                   u". Време: "_s + spokenDuration(summary.milliseconds) + u". "_s;
    const QStringList &missed = summary.missedRows;
    if (missed.isEmpty())
        return text + u"Няма сбъркани редове."_s;
    // Each row a sentence of its own: an entry may hold commas and „и“ itself.
    text += u"Сбъркани редове: "_s + QString::number(missed.size()) + u'.';
    for (const QString &row : missed.first(qMin(missed.size(), spokenMissedRows)))
        text += u' ' + row.trimmed() + (row.trimmed().endsWith(u'.') ? u""_s : u"."_s);
    if (missed.size() > spokenMissedRows)
        text += u" И още "_s + QString::number(missed.size() - spokenMissedRows) + u'.';
    return text;
}

QString practiceAnnouncement(qint64 rows) {
    return u"Упражнение: "_s + counted(rows, u"ред"_s, u"реда"_s);
}

} // namespace content
