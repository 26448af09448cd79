// A class against one teacher's program: 40 pupils, each making 500 checks over the round's
// WebSocket on loopback, against a host in a process of its own with its class records in a
// SQLite file on this disk (write-ahead log, a synchronous write for every event), as the
// teacher's program keeps them. The host's CPU time and resident memory are read from /proc,
// apart from the pupils, who all run in this process. Two paces: each pupil thinking a random
// while (100 to 500 ms unless told) after each verdict, and each checking again the moment its
// verdict comes, which is as fast as the host answers. Every pupil plays whole attempts of the
// battles: wrong checks (a row's place with another row's winner) between the right ones, every
// row matched, then „Изчисти“ (`again`) for the next attempt. Every message the host sends is
// held against the battle table, and the records against what was played: the benchmark counts
// and prints every difference. A figure for the report, not a test that fails.
//
// bench_classroom [--pupils N] [--checks N] [--pace MIN-MAX] [--only paced|saturated]
//                 [--records-folder DIR] [--records-sync NORMAL|OFF] [--records-cache KIB]
//                 [--program VALTESSA] [--trace FILE] [--shared-network]
// bench_classroom --host RECORDS CODE [PRAGMAS]   (the host; the benchmark starts it itself)
//
// The host is the round's server (ClassHost) without a window, unless --program names the
// teacher's program, which then hosts with its window on Qt's offscreen platform
// (`valtessa --host`), its live table included. The records go to a temporary folder in DIR
// (the system's temporary folder unless told), which should be on a disk like a teacher's: the
// synchronous writes are what a folder in memory makes free. --records-sync writes them
// otherwise, only to see what the synchronous write costs, and --records-cache gives SQLite's
// page cache another size (2 000 KiB by default), to see what it holds of the host's memory.
// Unless told --shared-network, the benchmark first moves into a network namespace of its own
// (as root, or in a user namespace), where only loopback is up: the host, which listens on every
// address as the program does, is then reachable from nowhere else.
// BENCH_CLASSROOM_HOST_WRAPPER runs the host under another program, e.g. "valgrind
// --tool=callgrind". --trace appends every check (pace, when sent, pupil, round trip) to FILE.
#include "classroom/classhost.h"
#include "classroom/classrecords.h"
#include "classroom/round/classround.h"
#include "classroom/round/protocol.h"
#include "content/battletable.h"
#include "content/quiz.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace classroom;

namespace {

const QString joinCode = u"4821"_s;
// When the benchmark began: the times of the trace (--trace) count from it.
QElapsedTimer sinceStart;
// The teacher's program's own port: in the benchmark's own network namespace it is free.
constexpr quint16 programPort = 47474;

// --- The host -----------------------------------------------------------------------------------

// The teacher's program without its window: the built-in quiz's round, its records at path. It
// says its port on standard output and runs until its standard input closes.
int runHost(int argc, char *argv[], const QString &path, const QString &code,
            const QString &pragmas) {
    QCoreApplication app(argc, argv);
    ClassRecords records(path);
    if (!records.isOpen()) {
        std::fprintf(stderr, "host: %s\n", qPrintable(records.error()));
        return 1;
    }
    if (!pragmas.isEmpty()) {
        // Only to see what a setting costs: the records' own connection, set otherwise than
        // the program sets it.
        const QStringList connections = QSqlDatabase::connectionNames();
        QSqlQuery pragma(QSqlDatabase::database(connections.value(0)));
        for (const QString &setting : pragmas.split(u';', Qt::SkipEmptyParts)) {
            if (connections.size() != 1 || !pragma.exec(u"PRAGMA "_s + setting)) {
                std::fprintf(stderr, "host: %s not set\n", qPrintable(setting));
                return 1;
            }
        }
    }
    auto round = std::make_unique<ClassRound>(content::builtInQuiz(), u"10 б"_s, code);
    const int recordsRound = records.addRound(*round, QDateTime::currentMSecsSinceEpoch());
    ClassHost host(std::move(round), &records, recordsRound);
    QObject::connect(&host, &ClassHost::recordsProblem, [](const QString &message) {
        if (!message.isEmpty())
            std::fprintf(stderr, "host: %s\n", qPrintable(message));
    });
    if (!host.listen(0)) {
        std::fprintf(stderr, "host: %s\n", qPrintable(host.error()));
        return 1;
    }
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&app, &input] {
        char bytes[64];
        if (read(STDIN_FILENO, bytes, sizeof bytes) <= 0) {
            input.setEnabled(false);
            app.quit();
        }
    });
    std::printf("port %u\n", unsigned(host.port()));
    std::fflush(stdout);
    return app.exec();
}

// The host's CPU time and resident memory, as the kernel counts them.
struct HostSample {
    double cpuSeconds = 0; // utime + stime, every thread
    qint64 rssKiB = 0;
    qint64 hwmKiB = 0;   // the peak of rssKiB so far
    qint64 anonKiB = 0;  // the heap and the stacks
    qint64 fileKiB = 0;  // mapped code and data of the program and its libraries
    qint64 shmemKiB = 0; // SQLite's write-ahead log index, mapped shared
};

HostSample sampleOf(qint64 pid) {
    HostSample sample;
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        // The fields after the command, which is in brackets and may hold blanks: state is the
        // third field, utime the 14th and stime the 15th.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12)
            sample.cpuSeconds = double(fields[11].toLongLong() + fields[12].toLongLong()) /
                                double(sysconf(_SC_CLK_TCK));
    }
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.first(std::max<qsizetype>(colon, 0));
            const qint64 kib = line.mid(colon + 1).trimmed().split(' ').value(0).toLongLong();
            if (name == "VmRSS")
                sample.rssKiB = kib;
            else if (name == "VmHWM")
                sample.hwmKiB = kib;
            else if (name == "RssAnon")
                sample.anonKiB = kib;
            else if (name == "RssFile")
                sample.fileKiB = kib;
            else if (name == "RssShmem")
                sample.shmemKiB = kib;
        }
    }
    return sample;
}

double ownCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QByteArray loadAverage() {
    QFile file(u"/proc/loadavg"_s);
    if (!file.open(QIODevice::ReadOnly))
        return "?";
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.mid(0, 3).join(' ');
}

// --- What the pupils know -----------------------------------------------------------------------

// The battle table, read straight from the table the program is built with: what every verdict
// must be is decided here from it, apart from the host's rule.
struct Table {
    std::vector<QStringList> rows; // place, winner, defeated
    std::vector<QString> explanations;

    Table() {
        for (const content::BattleRow &row : content::battleTable) {
            rows.push_back({row.place.toString(), row.winner.toString(), row.defeated.toString()});
            explanations.push_back(row.explanation.toString());
        }
    }
    int size() const { return int(rows.size()); }
    // Each list as a sorted multiset of its entries: what a full attempt's list must hold, in
    // whatever order the lists show them.
    std::vector<QStringList> entries() const {
        std::vector<QStringList> lists(3);
        for (const QStringList &row : rows)
            for (std::size_t column = 0; column < lists.size(); ++column)
                lists[column] << row[qsizetype(column)];
        for (QStringList &list : lists)
            list.sort();
        return lists;
    }
};

// The checks a pupil makes in an attempt: the rows in table order, each after none, one or two
// wrong checks, a row's place and defeated with another row's winner. A wrong check takes that
// winner from a row not matched yet, which the pupil's list still holds (the host closes the
// link of a pupil who chooses an entry it has no longer); the last row, alone in the lists, has
// none.
std::vector<QStringList> attemptPlan(const Table &table, QRandomGenerator &random) {
    std::vector<QStringList> checks;
    for (int row = 0; row < table.size(); ++row) {
        const QStringList &right = table.rows[std::size_t(row)];
        // Half the rows are found at once, a third after one wrong check, a sixth after two.
        const int draw = int(random.bounded(6));
        int wrongs = draw < 3 ? 0 : draw < 5 ? 1 : 2;
        for (int other = row + 1; other < table.size() && wrongs > 0; ++other) {
            QStringList wrong = right;
            wrong[1] = table.rows[std::size_t(other)][1];
            if (wrong[1] == right[1])
                continue;
            checks.push_back(wrong);
            --wrongs;
        }
        checks.push_back(right);
    }
    return checks;
}

struct Pace {
    int minMs = 100;
    int maxMs = 500;
    bool isSaturated() const { return maxMs <= 0; }
};

// --- The pupils ---------------------------------------------------------------------------------

// One pupil: a raw WebSocket, as any pupil's program opens it, that joins with the code and
// then checks, each check timed from its sending to its verdict. It keeps its own account of
// the attempt from the table (the rows still open, its right and wrong checks) and holds every
// message of the host against it.
class Pupil {
public:
    Pupil(const Table &table, int number, int checks, Pace pace)
        : m_table(table)
        , m_name(u"Ученик "_s + QString::number(number))
        , m_checks(checks)
        , m_pace(pace)
        , m_random(quint32(number))
        , m_think(quint32(number) + 1000)
        , m_rowMatches(std::size_t(table.size()))
        , m_rowWrongs(std::size_t(table.size())) {
        m_roundTrips.reserve(std::size_t(checks));
        m_next.setSingleShot(true);
        m_next.setTimerType(Qt::PreciseTimer);
        // The pupil's own timer and socket are the connections' context: they end with it.
        QObject::connect(&m_next, &QTimer::timeout, &m_next, [this] { act(); });
        QObject::connect(&m_socket, &QWebSocket::connected, &m_socket, [this] {
            m_socket.sendTextMessage(QString::fromUtf8(encode(Join{m_code, m_name})));
        });
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, &m_socket,
                         [this](const QString &text) { receive(text); });
        QObject::connect(&m_socket, &QWebSocket::disconnected, &m_socket, [this] {
            if (!m_done)
                fail(u"the link dropped: "_s + m_socket.errorString());
        });
    }

    void join(quint16 port, const QString &code) {
        m_code = code;
        m_socket.open(QUrl(u"ws://127.0.0.1:%1/ws"_s.arg(port)));
    }
    // The first check after firstMs, then one after each verdict.
    void start(int firstMs) { m_next.start(firstMs); }
    void leave() {
        m_done = true;
        m_next.stop();
        m_socket.close();
    }

    const QString &name() const { return m_name; }
    bool isWelcomed() const { return m_welcomed; }
    bool isDone() const { return m_done; }
    const QString &failure() const { return m_failure; }
    const QStringList &mismatches() const { return m_mismatches; }
    qint64 mismatchCount() const { return m_mismatchCount; }
    const QStringList &slips() const { return m_slips; }
    qint64 slipCount() const { return m_slipCount; }
    const std::vector<qint64> &roundTrips() const { return m_roundTrips; }
    const std::vector<qint64> &againTrips() const { return m_againTrips; }
    // When each check was sent, nanoseconds since the benchmark began.
    const std::vector<qint64> &checksSentAt() const { return m_checksSentAt; }
    qint64 rightChecks() const { return m_right; }
    int finishedAttempts() const { return m_finished; }
    int attempt() const { return m_attemptNumber; }
    qint64 attemptRight() const { return m_attemptRight; }
    qint64 attemptWrong() const { return m_attemptWrong; }
    // Over every attempt, by row: the times matched, the wrong checks that chose its place.
    const std::vector<qint64> &rowMatches() const { return m_rowMatches; }
    const std::vector<qint64> &rowWrongs() const { return m_rowWrongs; }

private:
    void act() {
        if (m_done)
            return;
        m_clock.start();
        m_sentAt = sinceStart.nsecsElapsed();
        if (m_position >= m_attempt.size()) {
            m_sentAgain = true;
            m_socket.sendTextMessage(QString::fromUtf8(encode(Again{++m_serial, false})));
            return;
        }
        m_socket.sendTextMessage(
            QString::fromUtf8(encode(Check{++m_serial, m_attempt[m_position]})));
    }

    void later() {
        if (m_pace.isSaturated())
            act();
        else
            m_next.start(m_pace.minMs + int(m_think.bounded(m_pace.maxMs - m_pace.minMs + 1)));
    }

    // A message of the host's that the table does not give.
    void mismatch(const QString &what) {
        if (++m_mismatchCount <= 5)
            m_mismatches << m_name + u", request "_s + QString::number(m_serial) + u": "_s + what;
    }
    // One that gives what the table does, but not as the protocol says.
    void protocolSlip(const QString &what) {
        if (++m_slipCount <= 2)
            m_slips << m_name + u", request "_s + QString::number(m_serial) + u": "_s + what;
    }

    // A fresh attempt: its lists must hold every entry of the table, its counters be nought.
    void beginAttempt(const Attempt &attempt, int number) {
        if (attempt.number != number)
            mismatch(u"attempt %1 where %2 was due"_s.arg(attempt.number).arg(number));
        std::vector<QStringList> lists = attempt.lists;
        for (QStringList &list : lists)
            list.sort();
        if (lists != m_table.entries())
            mismatch(u"the new attempt's lists are not the table's entries"_s);
        if (attempt.rightAnswers != 0 || attempt.wrongAnswers != 0 || !attempt.shown.isEmpty())
            mismatch(u"the new attempt begins at %1 right, %2 wrong"_s.arg(attempt.rightAnswers)
                         .arg(attempt.wrongAnswers));
        if (attempt.nextSerial != m_serial + 1)
            protocolSlip(u"next serial %1 after %2"_s.arg(attempt.nextSerial).arg(m_serial));
        m_attemptNumber = number;
        m_attempt = attemptPlan(m_table, m_random);
        m_position = 0;
        m_open.assign(std::size_t(m_table.size()), true);
        m_attemptRight = 0;
        m_attemptWrong = 0;
    }

    // What the table says of the check: every open row whose entries are all the chosen ones
    // matches, and the last of them is the one found.
    int expectedRow(const QStringList &choice) const {
        int found = -1;
        for (int row = 0; row < m_table.size(); ++row)
            if (m_open[std::size_t(row)] && m_table.rows[std::size_t(row)] == choice)
                found = row;
        return found;
    }

    void verdictCame(const Verdict &verdict) {
        const QStringList &choice = m_attempt[m_position];
        const int row = expectedRow(choice);
        if (verdict.serial != m_serial)
            mismatch(u"the verdict of request %1"_s.arg(verdict.serial));
        if (verdict.right != (row >= 0))
            mismatch(u"%1 is %2, the host says %3"_s.arg(choice.join(u" | "_s),
                                                         row >= 0 ? u"right"_s : u"wrong"_s,
                                                         verdict.right ? u"right"_s : u"wrong"_s));
        if (row >= 0) {
            m_open[std::size_t(row)] = false;
            ++m_attemptRight;
            ++m_right;
            ++m_rowMatches[std::size_t(row)];
            if (verdict.shown != m_table.explanations[std::size_t(row)])
                mismatch(u"the explanation shown is not row %1's"_s.arg(row + 1));
        } else {
            ++m_attemptWrong;
            for (int other = 0; other < m_table.size(); ++other)
                if (m_table.rows[std::size_t(other)][0] == choice[0])
                    ++m_rowWrongs[std::size_t(other)];
            if (!verdict.shown.isEmpty())
                mismatch(u"a wrong check shows an explanation"_s);
        }
        if (verdict.rightAnswers != m_attemptRight || verdict.wrongAnswers != m_attemptWrong)
            mismatch(u"the counters say %1 right, %2 wrong; played %3 right, %4 wrong"_s
                         .arg(verdict.rightAnswers)
                         .arg(verdict.wrongAnswers)
                         .arg(m_attemptRight)
                         .arg(m_attemptWrong));
        ++m_position;
    }

    void receive(const QString &text) {
        const qint64 elapsed = m_clock.nsecsElapsed();
        const auto parsed = parseHostMessage(text.toUtf8());
        if (std::holds_alternative<BadMessage>(parsed))
            return fail(u"not a message: "_s + text.left(80));
        const HostMessage &message = std::get<HostMessage>(parsed);
        if (std::holds_alternative<Alive>(message))
            return; // the host's sign of life, every few seconds
        if (const auto *welcome = std::get_if<Welcome>(&message)) {
            if (m_welcomed)
                return fail(u"welcomed twice"_s);
            m_welcomed = true;
            if (welcome->quizRows != m_table.size() || welcome->captions.size() != 3)
                mismatch(u"welcomed to a quiz of %1 rows"_s.arg(welcome->quizRows));
            beginAttempt(welcome->attempt, 1);
        } else if (const auto *verdict = std::get_if<Verdict>(&message)) {
            if (m_position >= m_attempt.size())
                return fail(u"a verdict nothing asked for"_s);
            m_roundTrips.push_back(elapsed);
            m_checksSentAt.push_back(m_sentAt);
            verdictCame(*verdict);
            if (int(m_roundTrips.size()) == m_checks) {
                m_done = true;
            } else if (m_position < m_attempt.size()) {
                later();
            } else if (m_attemptRight != m_table.size()) {
                // Only after a verdict the table does not give: the host's attempt goes on, the
                // plan has no more; the next attempt puts the two together again.
                later();
            } // every row matched: the attempt's summary follows
        } else if (const auto *finished = std::get_if<Finished>(&message)) {
            ++m_finished;
            if (m_attemptRight != m_table.size() || finished->roundEnded)
                mismatch(u"the attempt finished at %1 of %2 rows"_s.arg(m_attemptRight)
                             .arg(m_table.size()));
            if (finished->summary.rightAnswers != m_attemptRight ||
                finished->summary.wrongAnswers != m_attemptWrong)
                mismatch(u"the summary says %1 right, %2 wrong; played %3 right, %4 wrong"_s
                             .arg(finished->summary.rightAnswers)
                             .arg(finished->summary.wrongAnswers)
                             .arg(m_attemptRight)
                             .arg(m_attemptWrong));
            if (!m_done)
                later(); // „Изчисти“
        } else if (const auto *started = std::get_if<Started>(&message)) {
            if (!m_sentAgain)
                return fail(u"a new attempt nothing asked for"_s);
            m_againTrips.push_back(elapsed);
            m_sentAgain = false;
            beginAttempt(started->attempt, m_attemptNumber + 1);
            later();
        } else if (const auto *refused = std::get_if<Refused>(&message)) {
            fail(u"refused: "_s + refused->reason);
        } else {
            fail(u"a message nothing asked for: "_s + text.left(80));
        }
    }

    void fail(const QString &why) {
        if (m_failure.isEmpty())
            m_failure = m_name + u": "_s + why;
        m_done = true;
        m_next.stop();
    }

    const Table &m_table;
    QString m_name;
    QString m_code;
    int m_checks;
    Pace m_pace;
    QRandomGenerator m_random; // the plans: the same at every pace
    QRandomGenerator m_think;
    QWebSocket m_socket;
    QTimer m_next;
    QElapsedTimer m_clock;
    qint64 m_sentAt = 0;
    std::vector<qint64> m_checksSentAt;
    std::vector<QStringList> m_attempt;
    std::size_t m_position = 0;
    std::vector<bool> m_open;
    int m_attemptNumber = 0;
    qint64 m_attemptRight = 0;
    qint64 m_attemptWrong = 0;
    qint64 m_serial = 0;
    bool m_welcomed = false;
    bool m_done = false;
    bool m_sentAgain = false;
    qint64 m_right = 0;
    int m_finished = 0;
    std::vector<qint64> m_rowMatches;
    std::vector<qint64> m_rowWrongs;
    std::vector<qint64> m_roundTrips;
    std::vector<qint64> m_againTrips;
    QString m_failure;
    QStringList m_mismatches;
    qint64 m_mismatchCount = 0;
    QStringList m_slips;
    qint64 m_slipCount = 0;
};

// Runs the event loop until done() holds or the deadline passes; whether it held. The loop
// sleeps while nothing happens (QCoreApplication::processEvents with a time limit would not: it
// spins, and a spinning pupils' process takes a core from the host); a timer wakes it to look.
template<typename Done> bool runUntil(Done done, int deadlineMs) {
    QElapsedTimer clock;
    clock.start();
    QTimer look;
    look.start(20);
    QAbstractEventDispatcher *const dispatcher = QCoreApplication::eventDispatcher();
    while (!done()) {
        if (clock.elapsed() > deadlineMs)
            return false;
        dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Lets the host settle for a moment: the event loop runs, nothing is waited for.
void pause(int ms) {
    runUntil([] { return false; }, ms);
}

double quantileMs(std::vector<qint64> values, double q) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t at =
        std::min(values.size() - 1, std::size_t(std::ceil(q * double(values.size()))) - 1);
    return double(values[q <= 0 ? 0 : at]) / 1e6;
}

const char *verdict(bool met) {
    return met ? "met" : "MISSED";
}

struct Options {
    int pupils = 40;
    int checks = 500;
    Pace pace;
    bool paced = true;
    bool saturated = true;
    // Settings of the records other than the program's, as PRAGMA name=value;...; empty: the
    // records as the program writes them.
    QString pragmas;
    QString recordsFolder = QDir::tempPath();
    QString program; // empty: the host without a window
    QString trace;   // empty: no trace of the checks
};

// The host's own account of the round, from its records after it has ended, against what the
// pupils played: each pupil's checks and right ones, its attempts, the attempt in play, and each
// row's matches and misses. The differences, in words.
QStringList checkRecords(const QString &path, const std::vector<std::unique_ptr<Pupil>> &class_,
                         qint64 *checksWritten) {
    QStringList problems;
    std::map<QString, const Pupil *> byName;
    for (const auto &pupil : class_)
        byName[pupil->name()] = pupil.get();
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"written"_s);
        database.setDatabaseName(path);
        database.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
        const bool open = database.open();
        QSqlQuery query(database);
        if (!open ||
            !query.exec(u"SELECT j.name, SUM(e.kind = 'check'), SUM(e.kind = 'check' AND "
                        u"e.right), SUM(e.kind = 'again') FROM events e JOIN events j ON "
                        u"j.round = e.round AND j.pupil = e.pupil AND j.kind = 'join' GROUP BY "
                        u"e.round, e.pupil"_s)) {
            problems << u"the records cannot be read"_s;
        }
        *checksWritten = 0;
        int pupils = 0;
        while (query.next()) {
            ++pupils;
            const QString name = query.value(0).toString();
            const qint64 checks = query.value(1).toLongLong();
            const qint64 right = query.value(2).toLongLong();
            const qint64 agains = query.value(3).toLongLong();
            *checksWritten += checks;
            const auto found = byName.find(name);
            if (found == byName.end()) {
                problems << u"the records hold a pupil nobody played: "_s + name;
                continue;
            }
            const Pupil &pupil = *found->second;
            if (checks != qint64(pupil.roundTrips().size()) || right != pupil.rightChecks() ||
                agains != qint64(pupil.againTrips().size()))
                problems << u"%1: %2 checks, %3 right, %4 new attempts in the records; played "
                            u"%5, %6, %7"_s.arg(name)
                                .arg(checks)
                                .arg(right)
                                .arg(agains)
                                .arg(pupil.roundTrips().size())
                                .arg(pupil.rightChecks())
                                .arg(pupil.againTrips().size());
        }
        if (pupils != int(class_.size()))
            problems << u"%1 pupils in the records, %2 played"_s.arg(pupils).arg(class_.size());
    }
    QSqlDatabase::removeDatabase(u"written"_s);

    // The round as the teacher's program comes back to it from the records.
    ClassRecords records(path);
    const auto rounds = records.rounds();
    const std::unique_ptr<ClassRound> round =
        rounds.empty() ? nullptr : records.load(rounds.front().id);
    if (round == nullptr)
        return problems << u"the round cannot be loaded from the records: "_s + records.error();
    for (const PupilFigures &figures : round->pupils()) {
        const auto found = byName.find(figures.name);
        if (found == byName.end())
            continue;
        const Pupil &pupil = *found->second;
        if (figures.attempt != pupil.attempt() || figures.matched != pupil.attemptRight() ||
            figures.wrong != pupil.attemptWrong())
            problems << u"%1: attempt %2 at %3 matched, %4 wrong from the records; played "
                        u"attempt %5 at %6, %7"_s.arg(figures.name)
                            .arg(figures.attempt)
                            .arg(figures.matched)
                            .arg(figures.wrong)
                            .arg(pupil.attempt())
                            .arg(pupil.attemptRight())
                            .arg(pupil.attemptWrong());
    }
    const std::vector<RowFigures> rows = round->rows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        qint64 matched = 0;
        qint64 wrong = 0;
        for (const auto &pupil : class_) {
            matched += pupil->rowMatches()[row];
            wrong += pupil->rowWrongs()[row];
        }
        if (rows[row].matched != matched || rows[row].wrongChecks != wrong)
            problems << u"row %1: %2 matched, %3 wrong checks from the records; played %4, %5"_s
                            .arg(row + 1)
                            .arg(rows[row].matched)
                            .arg(rows[row].wrongChecks)
                            .arg(matched)
                            .arg(wrong);
    }
    return problems;
}

// Every check of the run, one a line, appended to the file: the pace (0 as fast as the host
// answers), when it was sent (ms since the benchmark began), the pupil, its round trip (ms).
void writeTrace(const QString &path, Pace pace, const std::vector<std::unique_ptr<Pupil>> &class_) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        std::fprintf(stderr, "the trace cannot be written to %s\n", qPrintable(path));
        return;
    }
    QByteArray text;
    for (std::size_t number = 0; number < class_.size(); ++number) {
        const Pupil &pupil = *class_[number];
        for (std::size_t check = 0; check < pupil.roundTrips().size(); ++check)
            text += QByteArray::number(pace.maxMs) + ' ' +
                    QByteArray::number(double(pupil.checksSentAt()[check]) / 1e6, 'f', 3) + ' ' +
                    QByteArray::number(number + 1) + ' ' +
                    QByteArray::number(double(pupil.roundTrips()[check]) / 1e6, 'f', 3) + '\n';
    }
    file.write(text);
}

// The host in a process of its own: the benchmark itself in its host mode, or the teacher's
// program. Where it listens, its code, and where its records are.
struct Host {
    QProcess process;
    quint16 port = 0;
    QString code;
    QString records;
    qint64 pid = 0;

    bool start(const Options &options, const QString &folder) {
        QStringList command =
            QProcess::splitCommand(qEnvironmentVariable("BENCH_CLASSROOM_HOST_WRAPPER"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (options.program.isEmpty()) {
            records = folder + u"/class-records.sqlite"_s;
            code = joinCode;
            command << QCoreApplication::applicationFilePath() << u"--host"_s << records << code;
            if (!options.pragmas.isEmpty())
                command << options.pragmas;
        } else {
            // A teacher's account of its own in the folder: the records go to its data folder.
            environment.insert(u"HOME"_s, folder);
            environment.insert(u"XDG_DATA_HOME"_s, folder + u"/data"_s);
            environment.insert(u"XDG_CONFIG_HOME"_s, folder + u"/config"_s);
            environment.insert(u"XDG_CACHE_HOME"_s, folder + u"/cache"_s);
            environment.insert(u"XDG_RUNTIME_DIR"_s, folder + u"/runtime"_s);
            environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
            QDir(folder).mkdir(u"runtime"_s);
            QFile::setPermissions(folder + u"/runtime"_s, QFileDevice::ReadOwner |
                                                              QFileDevice::WriteOwner |
                                                              QFileDevice::ExeOwner);
            command << options.program << u"--host"_s << u"--port"_s
                    << QString::number(programPort);
        }
        process.setProcessEnvironment(environment);
        process.setReadChannel(QProcess::StandardOutput);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(command.takeFirst(), command);
        QByteArray said;
        QElapsedTimer starting;
        starting.start();
        while (port == 0 && starting.elapsed() < 60000 && process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(1000);
            said += process.readAll();
            // Any other line (a wrapper's) is passed on.
            for (qsizetype end = said.indexOf('\n'); end >= 0 && port == 0;
                 end = said.indexOf('\n')) {
                const QByteArray line = said.first(end).trimmed();
                said.remove(0, end + 1);
                const QUrl link(QString::fromUtf8(line)); // http://ADDRESS:PORT/?code=NNNN
                if (options.program.isEmpty() && line.startsWith("port ")) {
                    port = quint16(line.mid(5).toUInt());
                } else if (!options.program.isEmpty() && line.startsWith("http://") &&
                           link.port() > 0) {
                    code = QUrlQuery(link).queryItemValue(u"code"_s);
                    port = quint16(link.port());
                } else {
                    std::printf("host: %s\n", line.constData());
                }
            }
        }
        pid = process.processId();
        return port != 0;
    }

    void stop(const Options &options) {
        if (options.program.isEmpty())
            process.closeWriteChannel();
        else
            process.terminate(); // every event is in the records already
        if (!process.waitForFinished(60000))
            process.kill();
        if (!options.program.isEmpty()) {
            QDirIterator files(QFileInfo(records).path() + u"/data"_s, {u"class-records.sqlite"_s},
                               QDir::Files, QDirIterator::Subdirectories);
            records = files.hasNext() ? files.next() : QString();
        }
    }
};

// One class, one host: the figures of a run at the pace given.
bool runClass(const Options &options, Pace pace) {
    QTemporaryDir folder(options.recordsFolder + u"/classroom-XXXXXX"_s);
    if (!folder.isValid()) {
        std::fprintf(stderr, "no folder for the records in %s\n",
                     qPrintable(options.recordsFolder));
        return false;
    }
    const QByteArray loadBefore = loadAverage();
    Host host;
    host.records = folder.filePath(u"class-records.sqlite"_s);
    if (!host.start(options, folder.path())) {
        std::fprintf(stderr, "the host did not start\n");
        return false;
    }
    const QStorageInfo disk(folder.path());
    // Loaded and listening, after a moment to settle.
    pause(options.program.isEmpty() ? 300 : 1500);
    const HostSample before = sampleOf(host.pid);

    const Table table;
    std::vector<std::unique_ptr<Pupil>> class_;
    for (int i = 0; i < options.pupils; ++i)
        class_.push_back(std::make_unique<Pupil>(table, i + 1, options.checks, pace));
    const auto all = [&class_](auto what) {
        return std::all_of(class_.begin(), class_.end(),
                           [&what](const auto &p) { return what(*p); });
    };
    const auto failure = [&class_]() -> QString {
        for (const auto &pupil : class_)
            if (!pupil->failure().isEmpty())
                return pupil->failure();
        return {};
    };
    // The first pupil alone, then the others: what the first costs holds what any first
    // connection brings in (code paged in, buffers), the others what one more pupil costs.
    class_.front()->join(host.port, host.code);
    bool joined =
        runUntil([&] { return class_.front()->isWelcomed() || !failure().isEmpty(); }, 30000);
    pause(200);
    const HostSample one = sampleOf(host.pid);
    for (std::size_t i = 1; i < class_.size(); ++i)
        class_[i]->join(host.port, host.code);
    joined = joined && runUntil(
                           [&] {
                               return all([](const Pupil &p) { return p.isWelcomed(); }) ||
                                      !failure().isEmpty();
                           },
                           60000);
    if (!joined || !failure().isEmpty()) {
        std::fprintf(stderr, "the class could not join: %s\n", qPrintable(failure()));
        return false;
    }
    pause(200);
    const HostSample welcomed = sampleOf(host.pid);

    // The pupils begin within one pace of each other, as a class does when the teacher says so;
    // at once, all together.
    QRandomGenerator starts(2026);
    const double ownBefore = ownCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    for (const auto &pupil : class_)
        pupil->start(pace.isSaturated() ? 0 : int(starts.bounded(pace.maxMs)));
    const int deadline = 120000 + options.checks * (std::max(pace.maxMs, 0) + 50) * 4;
    const bool done =
        runUntil([&] { return all([](const Pupil &p) { return p.isDone(); }); }, deadline);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const HostSample after = sampleOf(host.pid);
    const double ownSeconds = ownCpuSeconds() - ownBefore;
    const QByteArray loadAfter = loadAverage();
    if (!done || !failure().isEmpty()) {
        std::fprintf(stderr, "the class did not finish: %s\n",
                     qPrintable(done ? failure() : u"deadline passed"_s));
        return false;
    }

    std::vector<qint64> trips;
    std::vector<qint64> agains;
    qint64 right = 0;
    int finished = 0;
    qint64 mismatches = 0;
    QStringList mismatchSamples;
    qint64 slips = 0;
    QStringList slipSamples;
    for (const auto &pupil : class_) {
        trips.insert(trips.end(), pupil->roundTrips().begin(), pupil->roundTrips().end());
        agains.insert(agains.end(), pupil->againTrips().begin(), pupil->againTrips().end());
        right += pupil->rightChecks();
        finished += pupil->finishedAttempts();
        mismatches += pupil->mismatchCount();
        mismatchSamples << pupil->mismatches();
        slips += pupil->slipCount();
        slipSamples << pupil->slips();
    }
    if (!options.trace.isEmpty())
        writeTrace(options.trace, pace, class_);
    for (const auto &pupil : class_)
        pupil->leave();
    pause(200);
    host.stop(options);
    qint64 written = -1;
    const QStringList recordProblems = host.records.isEmpty()
                                           ? QStringList{u"the records are not there"_s}
                                           : checkRecords(host.records, class_, &written);

    const int pupils = options.pupils;
    const double median = quantileMs(trips, 0.5);
    const double p99 = quantileMs(trips, 0.99);
    const double cpu = (after.cpuSeconds - welcomed.cpuSeconds) / seconds * 100;
    const double perPupil = double(after.rssKiB - before.rssKiB) / pupils;
    const double perPupilJoined = double(welcomed.rssKiB - before.rssKiB) / pupils;
    const double marginal =
        pupils > 1 ? double(after.rssKiB - one.rssKiB) / (pupils - 1) : perPupil;
    const bool paced = !pace.isSaturated();
    if (paced)
        std::printf("paced: each pupil thinks %d to %d ms (evenly drawn) after each verdict\n",
                    pace.minMs, pace.maxMs);
    else
        std::printf("saturated: each pupil checks again as its verdict comes (as fast as the host "
                    "answers)\n");
    std::printf("  load average %s before, %s after\n", loadBefore.constData(),
                loadAfter.constData());
    std::printf("  checks %zu (%lld right, %lld wrong), %d attempts finished, %lld checks in the "
                "records; %.1f s, %.0f checks/s\n",
                trips.size(), static_cast<long long>(right),
                static_cast<long long>(qint64(trips.size()) - right), finished,
                static_cast<long long>(written), seconds, double(trips.size()) / seconds);
    std::printf("  verdicts against the battle table: %lld differences\n",
                static_cast<long long>(mismatches));
    for (const QString &sample :
         std::as_const(mismatchSamples).first(std::min<qsizetype>(mismatchSamples.size(), 20)))
        std::printf("    %s\n", qPrintable(sample));
    if (slips > 0)
        std::printf("  other differences from the protocol: %lld\n", static_cast<long long>(slips));
    for (const QString &sample :
         std::as_const(slipSamples).first(std::min<qsizetype>(slipSamples.size(), 4)))
        std::printf("    %s\n", qPrintable(sample));
    std::printf("  the records against what was played: %s\n",
                recordProblems.isEmpty()
                    ? "the same (checks, attempts, rows)"
                    : qPrintable(u"%1 differences"_s.arg(recordProblems.size())));
    for (const QString &problem :
         std::as_const(recordProblems).first(std::min<qsizetype>(recordProblems.size(), 20)))
        std::printf("    %s\n", qPrintable(problem));
    std::printf("  round trip of a check, median %.2f ms, 99th percentile %.2f ms, max %.2f ms",
                median, p99, quantileMs(trips, 1.0));
    if (paced)
        std::printf("   (goal: 99th <= 20 ms: %s)", verdict(p99 <= 20));
    std::printf("\n  round trip of `again`, median %.2f ms, 99th percentile %.2f ms (%zu)\n",
                quantileMs(agains, 0.5), quantileMs(agains, 0.99), agains.size());
    std::printf("  host CPU %.1f %% of one core (%.2f s over %.1f s)", cpu,
                after.cpuSeconds - welcomed.cpuSeconds, seconds);
    if (paced)
        std::printf("   (goal: <= 10 %%: %s)", verdict(cpu <= 10));
    std::printf("; the pupils' process %.1f %%\n", ownSeconds / seconds * 100);
    std::printf("  host memory: VmRSS %lld KiB with no pupil, %lld with the first, %lld with %d "
                "joined, %lld after the run (VmHWM %lld)\n",
                static_cast<long long>(before.rssKiB), static_cast<long long>(one.rssKiB),
                static_cast<long long>(welcomed.rssKiB), pupils,
                static_cast<long long>(after.rssKiB), static_cast<long long>(after.hwmKiB));
    std::printf("    per pupil: %.0f KiB after the run, %.0f KiB joined", perPupil, perPupilJoined);
    if (paced)
        std::printf("   (goal: <= 200 KiB: %s)",
                    verdict(std::max(perPupil, perPupilJoined) <= 200));
    std::printf("; %.0f KiB each after the first\n", marginal);
    std::printf("    after the run against no pupil: heap %+lld KiB (%.0f a pupil), mapped files "
                "%+lld KiB, shared %+lld KiB\n",
                static_cast<long long>(after.anonKiB - before.anonKiB),
                double(after.anonKiB - before.anonKiB) / pupils,
                static_cast<long long>(after.fileKiB - before.fileKiB),
                static_cast<long long>(after.shmemKiB - before.shmemKiB));
    std::printf("  host: %s, process %lld; records on %s (%s), %s\n",
                options.program.isEmpty() ? "the round's server without a window"
                                          : "the teacher's program with its window, offscreen",
                static_cast<long long>(host.pid), qPrintable(disk.rootPath()),
                disk.fileSystemType().constData(),
                options.pragmas.isEmpty()
                    ? "written as the program writes them (WAL, synchronous=FULL)"
                    : qPrintable(u"NOT as the program writes them: "_s + options.pragmas));
    if (disk.fileSystemType() == "tmpfs" || disk.fileSystemType() == "ramfs")
        std::printf("  (a folder in memory: a synchronous write costs nothing there, as it does on "
                    "no teacher's disk; see --records-folder)\n");
    std::fflush(stdout);
    return mismatches == 0 && recordProblems.isEmpty();
}

bool writeText(const char *path, const QByteArray &text) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = write(fd, text.constData(), std::size_t(text.size())) == text.size();
    close(fd);
    return written;
}

// A network namespace of its own with only loopback up; as root, or as anyone in a user
// namespace. Must come before any thread is started.
QString ownNetwork() {
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    if (unshare(CLONE_NEWNET) != 0) {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
            return QString::fromLocal8Bit(std::strerror(errno));
        writeText("/proc/self/setgroups", "deny");
        if (!writeText("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1") ||
            !writeText("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1"))
            return u"the user namespace could not be mapped"_s;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    const QString why = up ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    if (fd >= 0)
        close(fd);
    return up ? QString() : u"loopback could not be brought up: "_s + why;
}

// MIN-MAX in milliseconds, 0 < MIN <= MAX.
std::optional<Pace> paceOf(const QByteArray &text) {
    const QList<QByteArray> parts = text.split('-');
    bool minOk = false;
    bool maxOk = false;
    const int min = parts.value(0).toInt(&minOk);
    const int max = parts.value(parts.size() == 2 ? 1 : 0).toInt(&maxOk);
    if (parts.size() > 2 || !minOk || !maxOk || min <= 0 || max < min)
        return std::nullopt;
    return Pace{min, max};
}

} // namespace

int main(int argc, char *argv[]) {
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--host") == 0)
        return runHost(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                       argc == 5 ? QString::fromLocal8Bit(argv[4]) : QString());

    Options options;
    bool sharedNetwork = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray option = argv[i];
        const QByteArray value = i + 1 < argc ? QByteArray(argv[i + 1]) : QByteArray();
        if (option == "--pupils" && value.toInt() > 0)
            options.pupils = value.toInt(), ++i;
        else if (option == "--checks" && value.toInt() > 0)
            options.checks = value.toInt(), ++i;
        else if (option == "--pace" && paceOf(value))
            options.pace = *paceOf(value), ++i;
        else if (option == "--only" && (value == "paced" || value == "saturated"))
            options.paced = value == "paced", options.saturated = value == "saturated", ++i;
        else if (option == "--records-sync" && (value == "NORMAL" || value == "OFF"))
            options.pragmas += u"synchronous="_s + QString::fromLatin1(value) + u';', ++i;
        else if (option == "--records-cache" && value.toInt() > 0)
            options.pragmas += u"cache_size=-"_s + QString::number(value.toInt()) + u';', ++i;
        else if (option == "--records-folder" && !value.isEmpty())
            options.recordsFolder = QString::fromLocal8Bit(value), ++i;
        else if (option == "--program" && !value.isEmpty())
            options.program = QString::fromLocal8Bit(value), ++i;
        else if (option == "--trace" && !value.isEmpty())
            options.trace = QString::fromLocal8Bit(value), ++i;
        else if (option == "--shared-network")
            sharedNetwork = true;
        else {
            std::fprintf(stderr,
                         "usage: %s [--pupils N] [--checks N] [--pace MIN-MAX] [--only "
                         "paced|saturated] [--records-folder DIR] [--records-sync NORMAL|OFF] "
                         "[--records-cache KIB] [--program VALTESSA] [--trace FILE] "
                         "[--shared-network]\n",
                         argv[0]);
            return 2;
        }
    }
    if (!options.program.isEmpty() && !options.pragmas.isEmpty()) {
        std::fprintf(stderr, "--records-sync and --records-cache are for the host without a "
                             "window only\n");
        return 2;
    }
    const QString network = sharedNetwork ? u"not asked for"_s : ownNetwork();
    if (!options.program.isEmpty() && !network.isEmpty())
        std::fprintf(stderr,
                     "note: the teacher's program listens on port %u of this machine's "
                     "network\n",
                     unsigned(programPort));
    QCoreApplication app(argc, argv);
    sinceStart.start();
    std::printf("%d pupils x %d checks against one host in a process of its own, over WebSockets "
                "to 127.0.0.1; %s\n",
                options.pupils, options.checks,
                network.isEmpty()
                    ? "a network namespace of its own, loopback only"
                    : qPrintable(u"the machine's network (own namespace: "_s + network + u")"_s));
    std::printf("goals: 99th percentile of the round trip <= 20 ms, host <= 10 %% of one core, "
                "<= 200 KiB a pupil (at the pace)\n");
    std::fflush(stdout);
    bool ok = true;
    if (options.paced)
        ok = runClass(options, options.pace) && ok;
    if (options.saturated)
        ok = runClass(options, Pace{0, 0}) && ok;
    return ok ? 0 : 1;
}
