#pragma once

#include "classroom/round/classround.h"

#include <QAbstractTableModel>

#include <vector>

namespace classroom {
class ClassHost;
}

namespace shell {

// What the teacher's window knows of a pupil at a moment: its figures and its link.
struct PupilLine {
    classroom::PupilFigures figures;
    bool online = false;
    qint64 offlineSince = 0;
};

// The pupils of a class round, one line each: name, rows matched of all, wrong checks, time in
// the attempt, the attempt (and whether it practises), and the state: playing, finished,
// offline for so long, or with no right answer for three minutes. Each column sorts by its
// value (Qt::UserRole).
class PupilTable : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Name, Matched, Wrong, Time, Attempt, State, ColumnCount };
    // A pupil with no right answer for this long is shown as stuck.
    static constexpr qint64 stuckAfter = 3 * 60 * 1000;

    using QAbstractTableModel::QAbstractTableModel;

    void setLines(std::vector<PupilLine> lines, qint64 now);
    int pupilAt(int row) const { return m_lines[std::size_t(row)].figures.pupil; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The state column's text of a line at now.
    static QString stateOf(const PupilLine &line, qint64 now);

private:
    std::vector<PupilLine> m_lines;
    qint64 m_now = 0;
};

// The rows of the quiz, one line each: its first entry, how many times the class matched it and
// how many wrong checks chose its first entry.
class RowTable : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Row, Matched, WrongChecks, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(const content::Quiz &quiz, std::vector<classroom::RowFigures> figures);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_names;
    std::vector<classroom::RowFigures> m_figures;
};

// The lines of the host's pupils now.
std::vector<PupilLine> pupilLinesOf(const classroom::ClassHost &host);

// A duration as the table shows it: „3:12“, „1:05:00“.
QString clockTime(qint64 milliseconds);

} // namespace shell
