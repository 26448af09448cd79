#include "classroom/classclient.h"
#include "classroom/classhost.h"
#include "classroom/classrecords.h"
#include "classroom/localnetwork.h"
#include "classroom/round/protocol.h"
#include "content/battletable.h"
#include "content/bulgarian.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <memory>

using namespace Qt::StringLiterals;
using namespace classroom;

namespace {

// A pupil of the test: a real client, and what it was told.
struct Pupil {
    std::unique_ptr<ClassClient> client;
    std::optional<Welcome> welcome;
    std::vector<Verdict> verdicts;
    std::optional<Finished> finished;
    QStringList refusals;
};

std::unique_ptr<Pupil> pupilOf(quint16 port, const QString &code, const QString &name) {
    auto pupil = std::make_unique<Pupil>();
    pupil->client = std::make_unique<ClassClient>(RoundAddress{u"127.0.0.1"_s, port, code}, name);
    Pupil *p = pupil.get();
    QObject::connect(p->client.get(), &ClassClient::welcomed,
                     [p](const Welcome &w) { p->welcome = w; });
    QObject::connect(p->client.get(), &ClassClient::verdict,
                     [p](const Verdict &v) { p->verdicts.push_back(v); });
    QObject::connect(p->client.get(), &ClassClient::finished,
                     [p](const Finished &f) { p->finished = f; });
    QObject::connect(p->client.get(), &ClassClient::refused,
                     [p](const QString &r) { p->refusals << r; });
    p->client->connectToRound();
    return pupil;
}

// The battles' triples, and a wrong one for each: the row's place with the next row's winner.
QStringList triple(int row) {
    const content::BattleRow &battle = content::battleTable[std::size_t(row)];
    return {battle.place.toString(), battle.winner.toString(), battle.defeated.toString()};
}

QStringList wrongTriple(int row) {
    QStringList choice = triple(row);
    choice[1] = triple((row + 1) % content::battleCount)[1];
    return choice;
}

} // namespace

class TestClassroom : public QObject {
    Q_OBJECT

private slots:
    void localNetwork_data();
    void localNetwork();
    void badMessages_data();
    void badMessages();
    void theFrontAnswersRequests_data();
    void theFrontAnswersRequests();
    void aClassPlaysToTheEnd();
    void aDroppedPupilCarriesOnWithNothingCountedTwice();
    void theAnswerKeyStaysWithTheTeacher();
    void aRemovedPupilUnderAnotherNameWaitsForTheTeacher();
};

void TestClassroom::localNetwork_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("local");
    for (const char *address :
         {"127.0.0.1", "10.1.2.3", "172.16.0.1", "172.31.255.254", "192.168.1.10", "169.254.7.9",
          "::1", "fd12:3456::1", "fe80::1", "::ffff:192.168.0.5"})
        QTest::newRow(address) << QString::fromLatin1(address) << true;
    for (const char *address : {"8.8.8.8", "172.32.0.1", "172.15.255.255", "192.169.0.1",
                                "100.64.0.1", "2001:db8::1", "::ffff:8.8.4.4", "224.0.0.251"})
        QTest::newRow(address) << QString::fromLatin1(address) << false;
}

void TestClassroom::localNetwork() {
    QFETCH(QString, address);
    QFETCH(bool, local);
    QCOMPARE(isLocalNetwork(QHostAddress(address)), local);
}

void TestClassroom::badMessages_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("not JSON") << "{\"type\":"_ba;
    QTest::newRow("not an object") << "[1,2]"_ba;
    QTest::newRow("unknown type") << R"({"type":"peek"})"_ba;
    QTest::newRow("other protocol")
        << R"({"type":"join","protocol":2,"code":"1234","name":"А"})"_ba;
    QTest::newRow("code of three digits")
        << R"({"type":"join","protocol":1,"code":"123","name":"А"})"_ba;
    QTest::newRow("empty name") << R"({"type":"join","protocol":1,"code":"1234","name":"  "})"_ba;
    QTest::newRow("control character in the name")
        << "{\"type\":\"join\",\"protocol\":1,\"code\":\"1234\",\"name\":\"\\u0007\"}"_ba;
    QTest::newRow("token not hex")
        << R"({"type":"resume","protocol":1,"token":"zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz"})"_ba;
    QTest::newRow("one entry") << R"({"type":"check","serial":1,"choice":["а"]})"_ba;
    QTest::newRow("four entries") << R"({"type":"check","serial":1,"choice":["а","б","в","г"]})"_ba;
    QTest::newRow("an entry not text") << R"({"type":"check","serial":1,"choice":["а",2]})"_ba;
    QTest::newRow("serial not whole") << R"({"type":"check","serial":1.5,"choice":["а","б"]})"_ba;
    QTest::newRow("no serial") << R"({"type":"again"})"_ba;
    QTest::newRow("too large") << QByteArray(maxClientMessageBytes + 1, ' ');
}

void TestClassroom::badMessages() {
    QFETCH(QByteArray, bytes);
    QVERIFY(std::holds_alternative<BadMessage>(parseClientMessage(bytes)));
}

void TestClassroom::theFrontAnswersRequests_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("statusLine");
    const QByteArray ok = "HTTP/1.1 200 OK";
    QTest::newRow("the page from the join link")
        << "GET /?code=1234 HTTP/1.1\r\nHost: x\r\n\r\n"_ba << ok;
    QTest::newRow("its script") << "GET /valtessa.js HTTP/1.1\r\n\r\n"_ba << ok;
    QTest::newRow("its icon, head only") << "HEAD /icon.png HTTP/1.0\r\n\r\n"_ba << ok;
    QTest::newRow("a file of the disk") << "GET /../../etc/passwd HTTP/1.1\r\n\r\n"_ba
                                        << "HTTP/1.1 404 Not Found"_ba;
    QTest::newRow("a form sent") << "POST / HTTP/1.1\r\nContent-Length: 0\r\n\r\n"_ba
                                 << "HTTP/1.1 405 Method Not Allowed"_ba;
    QTest::newRow("the round without the handshake") << "GET /ws HTTP/1.1\r\n\r\n"_ba
                                                     << "HTTP/1.1 400 Bad Request"_ba;
    QTest::newRow("a bare line feed") << "GET / HTTP/1.1\nHost: x\r\n\r\n"_ba
                                      << "HTTP/1.1 400 Bad Request"_ba;
    QTest::newRow("a folded header") << "GET / HTTP/1.1\r\nA: b\r\n c\r\n\r\n"_ba
                                     << "HTTP/1.1 400 Bad Request"_ba;
    QTest::newRow("HTTP/2") << "GET / HTTP/2.0\r\n\r\n"_ba
                            << "HTTP/1.1 505 HTTP Version Not Supported"_ba;
    QTest::newRow("a path of 3 KiB") << "GET /" + QByteArray(3 * 1024, 'a') + " HTTP/1.1\r\n\r\n"
                                     << "HTTP/1.1 414 URI Too Long"_ba;
    QTest::newRow("65 headers") << "GET / HTTP/1.1\r\n" + QByteArray("A: b\r\n").repeated(65) +
                                       "\r\n"
                                << "HTTP/1.1 431 Request Header Fields Too Large"_ba;
    QTest::newRow("a header of 1 MiB")
        << "GET / HTTP/1.1\r\nA: " + QByteArray(1024 * 1024, 'a') + "\r\n\r\n"
        << "HTTP/1.1 431 Request Header Fields Too Large"_ba;
}

// What the round's port answers a browser, and that a pupil in the round plays on meanwhile.
void TestClassroom::theFrontAnswersRequests() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, statusLine);
    ClassHost host(std::make_unique<ClassRound>(content::builtInQuiz(), QString(), u"1234"_s),
                   nullptr, 0);
    QVERIFY(host.listen(0));
    const auto pupil = pupilOf(host.port(), u"1234"_s, u"Мария"_s);
    QTRY_VERIFY(pupil->welcome.has_value());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, host.port());
    QVERIFY(socket.waitForConnected());
    socket.write(request);
    QByteArray response;
    QTRY_VERIFY(
        (response += socket.readAll(), socket.state() == QAbstractSocket::UnconnectedState));
    response += socket.readAll();
    QCOMPARE(response.first(response.indexOf("\r\n")), statusLine);
    QVERIFY(response.contains("\r\nContent-Security-Policy: default-src 'none';"));
    if (request.startsWith("HEAD"))
        QVERIFY(response.endsWith("\r\n\r\n"));
    QVERIFY(pupil->client->check(triple(0)));
    QTRY_COMPARE(pupil->verdicts.size(), std::size_t(1));
    QVERIFY(pupil->verdicts[0].right);
}

// Thirty pupils play the battles at once, each with wrong checks of its own between the right
// ones: every verdict is what a round alone gives, and the teacher's figures, live and as the
// records give them back, are what was played.
void TestClassroom::aClassPlaysToTheEnd() {
    QTemporaryDir folder;
    ClassRecords records(folder.filePath(u"records.sqlite"_s));
    QVERIFY2(records.isOpen(), qPrintable(records.error()));
    auto round = std::make_unique<ClassRound>(content::builtInQuiz(), u"10 б"_s, u"4821"_s);
    const int recordsRound = records.addRound(*round, 0);
    ClassHost host(std::move(round), &records, recordsRound);
    QVERIFY2(host.listen(0), qPrintable(host.error()));

    constexpr int pupils = 30;
    std::vector<std::unique_ptr<Pupil>> class_;
    std::vector<int> wrongs(pupils);
    for (int i = 0; i < pupils; ++i) {
        class_.push_back(pupilOf(host.port(), u"4821"_s, u"Ученик "_s + QString::number(i + 1)));
        wrongs[std::size_t(i)] = i % 4;
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(class_.begin(), class_.end(),
                                         [](const auto &p) { return p->welcome.has_value(); }),
                             20000);
    // Each pupil its wrong checks first, then every row in order, one check after each verdict.
    for (int i = 0; i < pupils; ++i) {
        Pupil *pupil = class_[std::size_t(i)].get();
        const int wrong = wrongs[std::size_t(i)];
        const auto next = [pupil, wrong] {
            const int done = int(pupil->verdicts.size());
            if (done < wrong + content::battleCount)
                pupil->client->check(done < wrong ? wrongTriple(done) : triple(done - wrong));
        };
        connect(pupil->client.get(), &ClassClient::verdict, this, next, Qt::QueuedConnection);
        next();
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(class_.begin(), class_.end(),
                                         [](const auto &p) { return p->finished.has_value(); }),
                             60000);
    for (int i = 0; i < pupils; ++i) {
        const Pupil &pupil = *class_[std::size_t(i)];
        const int wrong = wrongs[std::size_t(i)];
        for (int v = 0; v < int(pupil.verdicts.size()); ++v) {
            QCOMPARE(pupil.verdicts[std::size_t(v)].right, v >= wrong);
            if (v >= wrong)
                QCOMPARE(pupil.verdicts[std::size_t(v)].shown,
                         content::battleTable[std::size_t(v - wrong)].explanation.toString());
        }
        QCOMPARE(pupil.finished->summary.rightAnswers, qint64(content::battleCount));
        QCOMPARE(pupil.finished->summary.wrongAnswers, qint64(wrong));
        QCOMPARE(pupil.finished->summary.missedRows.size(), qsizetype(wrong));
    }
    const auto checkFigures = [&](const ClassRound &figures) {
        const std::vector<PupilFigures> table = figures.pupils();
        QCOMPARE(int(table.size()), pupils);
        for (const PupilFigures &pupil : table) {
            QCOMPARE(pupil.matched, qint64(content::battleCount));
            QCOMPARE(pupil.wrong, qint64(wrongs[std::size_t(pupil.pupil - 1)]));
            QVERIFY(pupil.finished);
            // The teacher's table times the attempt as the pupil's summary does.
            QCOMPARE(pupil.endedAt - pupil.firstCheckAt,
                     class_[std::size_t(pupil.pupil - 1)]->finished->summary.milliseconds);
        }
        const std::vector<RowFigures> rows = figures.rows();
        for (int row = 0; row < content::battleCount; ++row) {
            QCOMPARE(rows[std::size_t(row)].matched, qint64(pupils));
            // Pupils with more than `row` wrong checks chose this row's place wrongly.
            const auto expected = std::count_if(wrongs.begin(), wrongs.end(),
                                                [row](int wrong) { return wrong > row; });
            QCOMPARE(rows[std::size_t(row)].wrongChecks, qint64(expected));
        }
    };
    checkFigures(host.round());
    const std::unique_ptr<ClassRound> reloaded = records.load(recordsRound);
    QVERIFY(reloaded != nullptr);
    checkFigures(*reloaded);
}

// A pupil whose link drops with a check on its way comes back by itself: the check is decided
// once, and the round goes on from where it was.
void TestClassroom::aDroppedPupilCarriesOnWithNothingCountedTwice() {
    ClassHost host(std::make_unique<ClassRound>(content::builtInQuiz(), QString(), u"0007"_s),
                   nullptr, 0);
    QVERIFY(host.listen(0));
    const auto pupil = pupilOf(host.port(), u"0007"_s, u"Мария"_s);
    QTRY_VERIFY(pupil->welcome.has_value());
    QVERIFY(pupil->client->check(triple(0)));
    QTRY_COMPARE(pupil->verdicts.size(), std::size_t(1));
    // The link drops as the next check goes out; the client sends it again when it is back.
    QSignalSpy online(pupil->client.get(), &ClassClient::onlineChanged);
    QVERIFY(pupil->client->check(wrongTriple(1)));
    pupil->client->findChild<QWebSocket *>()->abort();
    QTRY_VERIFY_WITH_TIMEOUT(online.size() >= 2 && online.last().first().toBool(), 10000);
    QTRY_COMPARE(pupil->verdicts.size(), std::size_t(2));
    QVERIFY(!pupil->verdicts[1].right);
    QCOMPARE(pupil->verdicts[1].wrongAnswers, qint64(1));
    QVERIFY(pupil->client->check(triple(1)));
    QTRY_COMPARE(pupil->verdicts.size(), std::size_t(3));
    const PupilFigures figures = *host.round().pupil(1);
    QCOMPARE(figures.matched, qint64(2));
    QCOMPARE(figures.wrong, qint64(1));
    // The lists it got back hold what is left: fifteen places before the second match.
    QCOMPARE(pupil->welcome->attempt.lists[0].size(), qsizetype(content::battleCount - 1));
    QVERIFY(!pupil->welcome->attempt.lists[0].contains(triple(0)[0]));
}

// Everything a pupil's program receives, byte for byte: each list sorted on its own, a row's
// explanation only in the verdict that matches it, and no two answers of a row together before.
void TestClassroom::theAnswerKeyStaysWithTheTeacher() {
    ClassHost host(std::make_unique<ClassRound>(content::builtInQuiz(), QString(), u"1111"_s),
                   nullptr, 0);
    QVERIFY(host.listen(0));
    QWebSocket socket;
    QStringList received;
    connect(&socket, &QWebSocket::textMessageReceived, &socket,
            [&received](const QString &text) { received << text; });
    socket.open(QUrl(u"ws://127.0.0.1:"_s + QString::number(host.port()) + u"/ws"_s));
    QTRY_VERIFY(socket.state() == QAbstractSocket::ConnectedState);
    socket.sendTextMessage(QString::fromUtf8(encode(Join{u"1111"_s, u"Петър"_s})));
    QTRY_COMPARE(received.size(), qsizetype(1));
    const Welcome welcome =
        std::get<Welcome>(std::get<HostMessage>(parseHostMessage(received[0].toUtf8())));
    const content::EntryOrder order;
    for (int column = 0; column < 3; ++column) {
        QStringList sorted = welcome.attempt.lists[std::size_t(column)];
        std::stable_sort(
            sorted.begin(), sorted.end(),
            [&order](const QString &a, const QString &b) { return order.compare(a, b) < 0; });
        QCOMPARE(welcome.attempt.lists[std::size_t(column)], sorted);
    }
    // Row by row: a wrong check (while the next row is left to take a winner from), then the
    // right one; each message after the welcome is searched.
    qint64 serial = 0;
    for (int row = 0; row < content::battleCount; ++row) {
        QList<QStringList> checks;
        if (row + 1 < content::battleCount)
            checks.append(wrongTriple(row));
        checks.append(triple(row));
        for (const QStringList &choice : checks) {
            const qsizetype before = received.size();
            socket.sendTextMessage(QString::fromUtf8(encode(Check{++serial, choice})));
            QTRY_VERIFY(received.size() > before);
            for (qsizetype i = before; i < received.size(); ++i) {
                const QString &message = received[i];
                for (int later = row; later < content::battleCount; ++later) {
                    const content::BattleRow &key = content::battleTable[std::size_t(later)];
                    const bool matched = later == row && choice == triple(row);
                    QVERIFY2(matched || !message.contains(key.explanation), qPrintable(message));
                    QVERIFY2(matched || !message.contains(key.winner) ||
                                 !message.contains(key.defeated),
                             qPrintable(message));
                }
            }
        }
    }
    QVERIFY(!received.filter(u"\"finished\""_s).isEmpty());
}

// Removed, the pupil is refused by its name and its token; back from the same device under
// another name, it waits until the teacher lets it in.
void TestClassroom::aRemovedPupilUnderAnotherNameWaitsForTheTeacher() {
    ClassHost host(std::make_unique<ClassRound>(content::builtInQuiz(), QString(), u"2468"_s),
                   nullptr, 0);
    QVERIFY(host.listen(0));
    const auto removed = pupilOf(host.port(), u"2468"_s, u"Мария"_s);
    QTRY_VERIFY(removed->welcome.has_value());
    host.removePupil(1);
    QTRY_COMPARE(removed->refusals.size(), qsizetype(1));
    const auto again = pupilOf(host.port(), u"2468"_s, u"мария"_s);
    QTRY_COMPARE(again->refusals.size(), qsizetype(1));
    const auto disguised = pupilOf(host.port(), u"2468"_s, u"Ива"_s);
    QTRY_COMPARE(host.heldNames(), QStringList{u"Ива"_s});
    QVERIFY(!disguised->welcome.has_value());
    host.approve(u"Ива"_s);
    QTRY_VERIFY(disguised->welcome.has_value());
    QCOMPARE(host.round().pupils().size(), std::size_t(2));
    QVERIFY(host.heldNames().isEmpty());
}

QTEST_GUILESS_MAIN(TestClassroom)
#include "tst_classroom.moc"
