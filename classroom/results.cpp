#include "classroom/results.h"

#include "quizfile/csvwriter.h"

#include <QDateTime>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace classroom {

namespace {

quizfile::SheetCell text(const QString &value) {
    return {value, std::nullopt};
}

quizfile::SheetCell number(qint64 value) {
    return {QString::number(value), double(value)};
}

QString dateOf(qint64 milliseconds) {
    return QDateTime::fromMSecsSinceEpoch(milliseconds).toString(u"dd.MM.yyyy HH:mm"_s);
}

QString minutesAndSeconds(qint64 milliseconds) {
    const qint64 seconds = milliseconds / 1000;
    return QString::number(seconds / 60) + u':' +
           QString::number(seconds % 60).rightJustified(2, u'0');
}

} // namespace

std::vector<quizfile::Sheet> resultSheets(const ClassRound &round,
                                          const ClassRecords::RoundInfo &info) {
    quizfile::Sheet pupils{u"Ученици"_s, {}};
    pupils.rows.push_back({text(u"Дата"_s), text(u"Клас"_s), text(u"Викторина"_s),
                           text(u"Ученик"_s), text(u"Опит"_s), text(u"Упражнение"_s),
                           text(u"Намерени"_s), text(u"От"_s), text(u"Грешни"_s),
                           text(u"Време (мин:с)"_s), text(u"Завършен"_s)});
    for (const PupilFigures &pupil : round.pupils()) {
        for (const AttemptFigures &attempt : round.attempts(pupil.pupil))
            pupils.rows.push_back(
                {text(dateOf(attempt.startedAt)), text(info.className), text(round.quiz().title),
                 text(pupil.name), number(attempt.number),
                 text(attempt.practice ? u"да"_s : u"не"_s), number(attempt.matched),
                 number(attempt.rows), number(attempt.wrong),
                 text(minutesAndSeconds(attempt.milliseconds)),
                 text(attempt.finished ? u"да"_s : u"не"_s)});
    }
    quizfile::Sheet rows{u"Редове"_s, {}};
    QStringList captions;
    for (int column = 0; column < round.quiz().answerCount; ++column)
        captions << round.quiz().captions[std::size_t(column)];
    std::vector<quizfile::SheetCell> header;
    for (const QString &caption : captions)
        header.push_back(text(caption));
    header.push_back(text(u"Намерен (пъти)"_s));
    header.push_back(text(u"Грешни избори"_s));
    rows.rows.push_back(header);
    const std::vector<RowFigures> figures = round.rows();
    for (std::size_t row = 0; row < figures.size(); ++row) {
        std::vector<quizfile::SheetCell> line;
        for (int column = 0; column < round.quiz().answerCount; ++column)
            line.push_back(text(round.quiz().rows[row].answers[std::size_t(column)]));
        line.push_back(number(figures[row].matched));
        line.push_back(number(figures[row].wrongChecks));
        rows.rows.push_back(std::move(line));
    }
    return {pupils, rows};
}

std::optional<QByteArray> resultsFile(const std::vector<quizfile::Sheet> &sheets,
                                      const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"ods")
        return quizfile::writeOds(sheets);
    if (suffix == u"xlsx")
        return quizfile::writeXlsx(sheets);
    if (suffix == u"csv" && !sheets.empty())
        return quizfile::writeCsv(sheets.front());
    return std::nullopt;
}

QString resultsFileFilter() {
    return u"Таблица на LibreOffice Calc (*.ods);;Книга на Excel (*.xlsx);;CSV (*.csv)"_s;
}

} // namespace classroom
