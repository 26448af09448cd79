#include "classroom/classrecords.h"

#include "quizfile/quizfile.h"
#include "quizfile/quizwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace classroom {

namespace {

constexpr std::array<std::pair<RoundEvent::Kind, QStringView>, 7> kindNames = {{
    {RoundEvent::Kind::Join, u"join"},
    {RoundEvent::Kind::Check, u"check"},
    {RoundEvent::Kind::Again, u"again"},
    {RoundEvent::Kind::Drop, u"drop"},
    {RoundEvent::Kind::Return, u"return"},
    {RoundEvent::Kind::Remove, u"remove"},
    {RoundEvent::Kind::End, u"end"},
}};

QString nameOf(RoundEvent::Kind kind) {
    for (const auto &[k, name] : kindNames)
        if (k == kind)
            return name.toString();
    return {};
}

std::optional<RoundEvent::Kind> kindNamed(const QString &name) {
    for (const auto &[kind, n] : kindNames)
        if (n == name)
            return kind;
    return std::nullopt;
}

// Why SQLite could not write, as the teacher reads it.
QString writeProblem(const QSqlError &error) {
    const QString native = error.nativeErrorCode();
    if (native == u"13") // SQLITE_FULL
        return u"дискът на записите на класа е пълен; кръгът продължава, но не се записва"_s;
    if (native == u"8") // SQLITE_READONLY
        return u"записите на класа са само за четене"_s;
    return u"записите на класа не могат да бъдат записани: "_s + error.text();
}

} // namespace

QString ClassRecords::defaultPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(u"class-records.sqlite"_s);
}

ClassRecords::ClassRecords(const QString &path)
    : m_connection(u"class-records-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        m_error = u"папката на записите на класа не може да бъде направена"_s;
        return;
    }
    m_database = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    if (!m_database.isValid()) {
        m_error = u"няма драйвер на Qt за SQLite (пакетът libqt6sql6-sqlite)"_s;
        return;
    }
    m_database.setDatabaseName(path);
    if (!m_database.open()) {
        m_error =
            u"записите на класа не могат да бъдат отворени: "_s + m_database.lastError().text();
        return;
    }
    // Each event is in the file before the pupil hears its verdict. The records are written far
    // more than read: a page cache of 128 KiB, not SQLite's 2 MiB, reads as fast (bench_classroom
    // --records-cache) and keeps the host within its memory a pupil.
    m_open = run(u"PRAGMA journal_mode=WAL"_s) && run(u"PRAGMA synchronous=FULL"_s) &&
             run(u"PRAGMA foreign_keys=ON"_s) && run(u"PRAGMA cache_size=-128"_s) &&
             run(u"CREATE TABLE IF NOT EXISTS rounds (id INTEGER PRIMARY KEY, started INTEGER "
                 u"NOT NULL, ended INTEGER, class TEXT NOT NULL, title TEXT NOT NULL, code TEXT "
                 u"NOT NULL, quiz BLOB NOT NULL)"_s) &&
             run(u"CREATE TABLE IF NOT EXISTS events (id INTEGER PRIMARY KEY, round INTEGER NOT "
                 u"NULL REFERENCES rounds(id), kind TEXT NOT NULL, pupil INTEGER NOT NULL, at "
                 u"INTEGER NOT NULL, name TEXT, token TEXT, choice TEXT, right INTEGER, row "
                 u"INTEGER, practice INTEGER, serial INTEGER)"_s) &&
             run(u"CREATE INDEX IF NOT EXISTS events_of_round ON events (round, id)"_s);
}

ClassRecords::~ClassRecords() {
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool ClassRecords::run(const QString &statement) {
    QSqlQuery query(m_database);
    if (query.exec(statement))
        return true;
    m_error = writeProblem(query.lastError());
    return false;
}

int ClassRecords::addRound(const ClassRound &round, qint64 now) {
    QSqlQuery query(m_database);
    query.prepare(
        u"INSERT INTO rounds (started, class, title, code, quiz) VALUES (?, ?, ?, ?, ?)"_s);
    query.addBindValue(now);
    query.addBindValue(round.className());
    query.addBindValue(round.quiz().title);
    query.addBindValue(round.code());
    query.addBindValue(quizfile::writeQuiz(round.quiz()));
    if (!query.exec()) {
        m_error = writeProblem(query.lastError());
        return 0;
    }
    m_error.clear();
    return query.lastInsertId().toInt();
}

bool ClassRecords::addEvent(int round, const RoundEvent &event) {
    QSqlQuery query(m_database);
    query.prepare(u"INSERT INTO events (round, kind, pupil, at, name, token, choice, right, row, "
                  u"practice, serial) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    query.addBindValue(round);
    query.addBindValue(nameOf(event.kind));
    query.addBindValue(event.pupil);
    query.addBindValue(event.at);
    query.addBindValue(event.name);
    query.addBindValue(event.token);
    query.addBindValue(
        event.choice.isEmpty()
            ? QString()
            : QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(event.choice))
                                    .toJson(QJsonDocument::Compact)));
    query.addBindValue(event.right);
    query.addBindValue(event.row);
    query.addBindValue(event.practice);
    query.addBindValue(event.serial);
    bool written = query.exec();
    if (written && event.kind == RoundEvent::Kind::End) {
        QSqlQuery end(m_database);
        end.prepare(u"UPDATE rounds SET ended = ? WHERE id = ?"_s);
        end.addBindValue(event.at);
        end.addBindValue(round);
        written = end.exec();
        if (!written)
            m_error = writeProblem(end.lastError());
    }
    if (!written) {
        if (m_error.isEmpty() || query.lastError().isValid())
            m_error = writeProblem(query.lastError());
        return false;
    }
    m_error.clear();
    return true;
}

std::vector<ClassRecords::RoundInfo> ClassRecords::rounds() {
    std::vector<RoundInfo> result;
    QSqlQuery query(m_database);
    if (!query.exec(u"SELECT r.id, r.started, r.ended, r.class, r.title, (SELECT COUNT(*) FROM "
                    u"events e WHERE e.round = r.id AND e.kind = 'join') FROM rounds r ORDER BY "
                    u"r.id DESC"_s)) {
        m_error = writeProblem(query.lastError());
        return result;
    }
    while (query.next())
        result.push_back({query.value(0).toInt(), query.value(1).toLongLong(),
                          query.value(2).toLongLong(), query.value(3).toString(),
                          query.value(4).toString(), query.value(5).toInt()});
    return result;
}

std::optional<ClassRecords::RoundInfo> ClassRecords::unfinishedRound() {
    const std::vector<RoundInfo> all = rounds();
    if (all.empty() || all.front().ended != 0)
        return std::nullopt;
    return all.front();
}

std::unique_ptr<ClassRound> ClassRecords::load(int roundId) {
    QSqlQuery roundQuery(m_database);
    roundQuery.prepare(u"SELECT class, code, quiz FROM rounds WHERE id = ?"_s);
    roundQuery.addBindValue(roundId);
    if (!roundQuery.exec() || !roundQuery.next()) {
        m_error = u"в записите няма кръг номер "_s + QString::number(roundId);
        return nullptr;
    }
    quizfile::QuizFileResult quiz =
        quizfile::parseQuiz(roundQuery.value(2).toByteArray(), u"кръг.csv"_s);
    if (!std::holds_alternative<content::Quiz>(quiz)) {
        m_error = u"викторината на кръга в записите е повредена"_s;
        return nullptr;
    }
    auto round = std::make_unique<ClassRound>(std::get<content::Quiz>(std::move(quiz)),
                                              roundQuery.value(0).toString(),
                                              roundQuery.value(1).toString());
    QSqlQuery events(m_database);
    events.setForwardOnly(true);
    events.prepare(u"SELECT kind, pupil, at, name, token, choice, right, row, practice, serial "
                   u"FROM events WHERE round = ? ORDER BY id"_s);
    events.addBindValue(roundId);
    if (!events.exec()) {
        m_error = writeProblem(events.lastError());
        return nullptr;
    }
    while (events.next()) {
        const auto kind = kindNamed(events.value(0).toString());
        if (!kind)
            continue;
        RoundEvent event{*kind, events.value(1).toInt(), events.value(2).toLongLong(),
                         events.value(3).toString(), events.value(4).toString()};
        for (const auto &text :
             QJsonDocument::fromJson(events.value(5).toString().toUtf8()).array())
            event.choice << text.toString();
        event.right = events.value(6).toBool();
        event.row = events.value(7).toInt();
        event.practice = events.value(8).toBool();
        event.serial = events.value(9).toLongLong();
        round->replay(event);
    }
    m_error.clear();
    return round;
}

} // namespace classroom
