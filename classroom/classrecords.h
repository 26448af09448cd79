#pragma once

#include "classroom/round/classround.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace classroom {

// The teacher's class records: every round hosted on this machine, with every event of it (each
// join, check, drop, new attempt, removal and the end), in one SQLite database, written as each
// event happens (write-ahead log, a synchronous write each). A round's quiz is kept with it, as
// the CSV the program writes, so that a round can be carried on after the program ended in the
// middle of it and summed up at any time. A write that fails (a full disk) changes nothing
// already written; a write cut off by the program's end is rolled back by SQLite when the file
// is next opened.
class ClassRecords {
public:
    // The records in the user's data folder: ~/.local/share/Kordavin/valtessa/class-records.sqlite
    // on Linux.
    static QString defaultPath();

    // Opens the records at path, made if they are not there (and their folder with them); an
    // error says why not, in Bulgarian.
    explicit ClassRecords(const QString &path);
    ~ClassRecords();
    ClassRecords(const ClassRecords &) = delete;
    ClassRecords &operator=(const ClassRecords &) = delete;

    bool isOpen() const { return m_open; }
    // Why the last operation failed, in Bulgarian; empty after one that did not.
    const QString &error() const { return m_error; }

    // A new round; its number in the records, or 0 when it could not be written.
    int addRound(const ClassRound &round, qint64 now);
    // Writes the event of the round; false (and error()) when it could not be written.
    bool addEvent(int round, const RoundEvent &event);

    struct RoundInfo {
        int id = 0;
        qint64 started = 0;
        qint64 ended = 0; // 0 while the round was not ended
        QString className;
        QString title;
        int pupils = 0;
    };
    // Every round, the newest first.
    std::vector<RoundInfo> rounds();
    // The newest round, if it was never ended: the program ended while it was hosting it.
    std::optional<RoundInfo> unfinishedRound();
    // The round played again from its events: where it was when its last event was written.
    std::unique_ptr<ClassRound> load(int round);

private:
    bool run(const QString &statement);

    QString m_connection;
    QSqlDatabase m_database;
    bool m_open = false;
    QString m_error;
};

} // namespace classroom
