#include "shell/classtables.h"

#include "classroom/classhost.h"
#include "content/roundrecord.h"

#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace shell {

QString clockTime(qint64 milliseconds) {
    const qint64 seconds = std::max<qint64>(milliseconds, 0) / 1000;
    const auto two = [](qint64 n) { return QString::number(n).rightJustified(2, u'0'); };
    if (seconds >= 3600)
        return QString::number(seconds / 3600) + u':' + two(seconds / 60 % 60) + u':' +
               two(seconds % 60);
    return QString::number(seconds / 60) + u':' + two(seconds % 60);
}

std::vector<PupilLine> pupilLinesOf(const classroom::ClassHost &host) {
    std::vector<PupilLine> lines;
    for (const classroom::PupilFigures &figures : host.round().pupils())
        lines.push_back({figures, host.isOnline(figures.pupil), host.offlineSince(figures.pupil)});
    return lines;
}

QString PupilTable::stateOf(const PupilLine &line, qint64 now) {
    const classroom::PupilFigures &pupil = line.figures;
    if (pupil.removed)
        return u"отстранен"_s;
    // A pupil who has finished (or whose round the teacher ended) has nothing left to lose by a
    // dropped link: the round is closed to it when the host stops listening.
    if (pupil.finished)
        return u"завършил"_s;
    if (!line.online)
        return u"без връзка от "_s + clockTime(now - line.offlineSince);
    if (now - pupil.lastRightAt >= stuckAfter)
        return u"без верен отговор от "_s + clockTime(now - pupil.lastRightAt);
    return u"играе"_s;
}

void PupilTable::setLines(std::vector<PupilLine> lines, qint64 now) {
    m_now = now;
    if (lines.size() != m_lines.size()) {
        beginResetModel();
        m_lines = std::move(lines);
        endResetModel();
        return;
    }
    m_lines = std::move(lines);
    if (!m_lines.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int PupilTable::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_lines.size());
}

int PupilTable::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PupilTable::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::UserRole))
        return {};
    const PupilLine &line = m_lines[std::size_t(index.row())];
    const classroom::PupilFigures &pupil = line.figures;
    const bool sortValue = role == Qt::UserRole;
    switch (index.column()) {
    case Name:
        return pupil.name;
    case Matched:
        return sortValue ? QVariant(pupil.matched)
                         : QVariant(QString::number(pupil.matched) + u" от "_s +
                                    QString::number(pupil.rows));
    case Wrong:
        return pupil.wrong;
    case Time: {
        // As the pupil's summary counts it: from the first check to the last match, or on.
        const qint64 played =
            pupil.firstCheckAt == 0
                ? 0
                : (pupil.endedAt != 0 ? pupil.endedAt : m_now) - pupil.firstCheckAt;
        return sortValue ? QVariant(played) : QVariant(clockTime(played));
    }
    case Attempt:
        return sortValue ? QVariant(pupil.attempt)
                         : QVariant(QString::number(pupil.attempt) +
                                    (pupil.practice ? u" (упражнение)"_s : QString()));
    case State:
        return stateOf(line, m_now);
    default:
        return {};
    }
}

QVariant PupilTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList headers{u"Име"_s,   u"Намерени"_s, u"Грешни"_s,
                                     u"Време"_s, u"Опит"_s,     u"Състояние"_s};
    return headers.value(section);
}

void RowTable::setRows(const content::Quiz &quiz, std::vector<classroom::RowFigures> figures) {
    if (m_names.size() != qsizetype(quiz.rows.size())) {
        beginResetModel();
        // Each row by its first entry, as the pupils' summaries name it, and by its second too
        // only where rows share the first: the table may be on the class's projector.
        std::vector<int> rows(quiz.rows.size());
        std::iota(rows.begin(), rows.end(), 0);
        m_names = content::RoundRecord::rowNames(
            rows, rows, quiz.answerCount, [&quiz](int column, int row) -> const QString & {
                return quiz.rows[std::size_t(row)].answers[std::size_t(column)];
            });
        m_figures = std::move(figures);
        endResetModel();
        return;
    }
    m_figures = std::move(figures);
    if (!m_figures.empty())
        emit dataChanged(index(0, Matched), index(rowCount() - 1, WrongChecks));
}

int RowTable::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_names.size());
}

int RowTable::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RowTable::data(const QModelIndex &index, int role) const {
    const auto row = std::size_t(index.row());
    // A name too long for the column is shown whole on demand.
    if (index.isValid() && role == Qt::ToolTipRole && index.column() == Row)
        return m_names[qsizetype(row)];
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::UserRole))
        return {};
    switch (index.column()) {
    case Row:
        return role == Qt::UserRole ? QVariant(index.row()) : QVariant(m_names[qsizetype(row)]);
    case Matched:
        return m_figures[row].matched;
    case WrongChecks:
        return m_figures[row].wrongChecks;
    default:
        return {};
    }
}

QVariant RowTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList headers{u"Ред"_s, u"Намерен"_s, u"Грешни избори"_s};
    return headers.value(section);
}

} // namespace shell
