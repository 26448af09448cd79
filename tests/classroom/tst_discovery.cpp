#include "classroom/discovery.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using classroom::FoundRound;
using classroom::RoundBrowser;
using classroom::RoundPublisher;
using Availability = classroom::Discovery::Availability;

namespace {

// mDNS probes a name for most of a second and drops a round a second after its goodbye;
// a busy machine takes longer.
constexpr int networkDeadline = 30000;
constexpr int processDeadline = 20000;

QString tool(const QString &name) {
    return QStandardPaths::findExecutable(name, {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s});
}

// Runs a command to its end; on failure says what it printed.
bool run(const QString &program, const QStringList &arguments, QString *error) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(processDeadline);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    *error = program + u' ' + arguments.join(u' ') + u": "_s +
             QString::fromLocal8Bit(process.readAll()).trimmed() + u' ' + process.errorString();
    return false;
}

bool writeFile(const QString &path, const QString &text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

void stop(QProcess &process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(processDeadline)) {
        process.kill();
        process.waitForFinished(processDeadline);
    }
}

// A message bus of its own, set up as the system bus is for avahi-daemon and the program.
class Bus {
public:
    ~Bus() { stop(m_process); }

    bool start(const QString &directory, const QString &name, QString *error) {
        const QString config = directory + u'/' + name + u"-bus.conf"_s;
        const QString text =
            uR"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)"_s.arg(directory + u'/' + name + u"-bus"_s);
        if (!writeFile(config, text)) {
            *error = u"cannot write "_s + config;
            return false;
        }
        m_process.start(tool(u"dbus-daemon"_s),
                        {u"--config-file="_s + config, u"--nofork"_s, u"--print-address=1"_s});
        // The address comes once the bus listens.
        while (!m_process.canReadLine() && m_process.waitForReadyRead(processDeadline)) {
        }
        address = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (address.isEmpty())
            *error = u"dbus-daemon did not start: "_s +
                     QString::fromLocal8Bit(m_process.readAllStandardError()) +
                     m_process.errorString();
        return !address.isEmpty();
    }

    QString address;

private:
    QProcess m_process;
};

// Two machines of a school lab on one link: the teacher's and a pupil's network namespace,
// joined by a veth pair, each with its own bus and its own avahi-daemon, as the program
// finds them on a machine of its own. The addresses are link-local IPv4 and unique-local IPv6
// only (IPv6's own link-local addresses are not made).
class LabNetwork {
public:
    enum Side { Teacher, Pupil };

    ~LabNetwork() {
        for (Machine &machine : m_machines)
            stop(machine.avahi);
        QString ignored;
        for (const Machine &machine : m_machines)
            if (m_made)
                run(tool(u"ip"_s), {u"netns"_s, u"delete"_s, machine.namespaceName}, &ignored);
    }

    bool setUp(QString *error) {
        if (!m_directory.isValid() || QDir::tempPath().startsWith(u"/run/")) {
            *error = u"needs a temporary folder outside /run"_s;
            return false;
        }
        for (const QString &program : {u"ip"_s, u"dbus-daemon"_s, u"avahi-daemon"_s})
            if (tool(program).isEmpty()) {
                *error = program + u" is not installed (scripts/install-deps --tests)"_s;
                return false;
            }
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QString names[2][3] = {{u"teacher"_s, u"vt"_s, u"169.254.77.1"_s},
                                     {u"pupil"_s, u"vp"_s, u"169.254.77.2"_s}};
        for (int side = 0; side < 2; ++side) {
            Machine &machine = m_machines[side];
            machine.hostName = names[side][0];
            machine.namespaceName = u"valtessa-"_s + names[side][0] + u'-' + pid;
            machine.interfaceName = names[side][1] + pid;
            machine.ipv4 = names[side][2];
            machine.ipv6 = u"fd00:77::"_s + QString::number(side + 1);
        }
        const QString ip = tool(u"ip"_s);
        const Machine &teacher = m_machines[Teacher];
        const Machine &pupil = m_machines[Pupil];
        m_made = true;
        bool made = run(ip, {u"netns"_s, u"add"_s, teacher.namespaceName}, error) &&
                    run(ip, {u"netns"_s, u"add"_s, pupil.namespaceName}, error) &&
                    run(ip,
                        {u"link"_s, u"add"_s, teacher.interfaceName, u"netns"_s,
                         teacher.namespaceName, u"type"_s, u"veth"_s, u"peer"_s, u"name"_s,
                         pupil.interfaceName, u"netns"_s, pupil.namespaceName},
                        error);
        for (const Machine &machine : m_machines) {
            const QStringList in{u"-n"_s, machine.namespaceName};
            const QString &link = machine.interfaceName;
            made = made &&
                   run(ip, in + QStringList{u"link"_s, u"set"_s, u"lo"_s, u"up"_s}, error) &&
                   run(ip, in + QStringList{u"link"_s, u"set"_s, link, u"addrgenmode"_s, u"none"_s},
                       error) &&
                   run(ip,
                       in + QStringList{u"address"_s, u"add"_s, machine.ipv4 + u"/16"_s, u"dev"_s,
                                        link},
                       error) &&
                   run(ip,
                       in + QStringList{u"address"_s, u"add"_s, machine.ipv6 + u"/64"_s, u"dev"_s,
                                        link, u"nodad"_s},
                       error) &&
                   run(ip, in + QStringList{u"link"_s, u"set"_s, link, u"up"_s}, error);
        }
        if (!made) {
            error->prepend(u"cannot make the test's network namespaces (needs root): "_s);
            return false;
        }
        for (int side = 0; side < 2; ++side) {
            Machine &machine = m_machines[side];
            if (!machine.bus.start(m_directory.path(), machine.hostName, error))
                return false;
            const QString config = m_directory.path() + u'/' + machine.hostName + u"-avahi.conf"_s;
            const QString text =
                u"[server]\nhost-name=%1\ndomain-name=local\n"
                "use-ipv4=yes\nuse-ipv6=yes\nallow-interfaces=%2\n"
                "enable-dbus=yes\n"
                "[wide-area]\nenable-wide-area=no\n"
                "[publish]\npublish-hinfo=no\npublish-workstation=no\n"
                "[reflector]\nenable-reflector=no\n"_s.arg(machine.hostName, machine.interfaceName);
            if (!writeFile(config, text)) {
                *error = u"cannot write "_s + config;
                return false;
            }
            machine.avahiConfig = config;
            if (!startAvahi(static_cast<Side>(side), error))
                return false;
        }
        return true;
    }

    bool startAvahi(Side side, QString *error) {
        Machine &machine = m_machines[side];
        if (machine.avahi.state() != QProcess::NotRunning)
            return true;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, machine.bus.address);
        machine.avahi.setProcessEnvironment(environment);
        machine.avahi.setProcessChannelMode(QProcess::MergedChannels);
        // Its pid file and socket go to a /run of its own: the machine's avahi-daemon, if it has
        // one, and the other side's keep theirs.
        machine.avahi.start(
            tool(u"ip"_s),
            {u"netns"_s, u"exec"_s, machine.namespaceName, u"sh"_s, u"-c"_s,
             u"mount -t tmpfs -o size=1m,mode=0755 valtessa-test /run && "
             "mkdir /run/avahi-daemon && "
             "exec \"$0\" --no-drop-root --no-chroot --no-rlimits --no-proc-title -f \"$1\""_s,
             tool(u"avahi-daemon"_s), machine.avahiConfig});
        if (!machine.avahi.waitForStarted(processDeadline)) {
            *error = u"avahi-daemon did not start: "_s + machine.avahi.errorString();
            return false;
        }
        return true;
    }

    void stopAvahi(Side side) {
        Machine &machine = m_machines[side];
        stop(machine.avahi);
        machine.log += QString::fromLocal8Bit(machine.avahi.readAll());
    }

    QString busAddress(Side side) const { return m_machines[side].bus.address; }
    QString hostName(Side side) const { return m_machines[side].hostName; }
    QString ipv4(Side side) const { return m_machines[side].ipv4; }
    QString ipv6(Side side) const { return m_machines[side].ipv6; }

    // What the avahi-daemons said, for a failure's message.
    QString logs() {
        QString text;
        for (Machine &machine : m_machines) {
            machine.log += QString::fromLocal8Bit(machine.avahi.readAll());
            text += u"\n--- avahi-daemon of "_s + machine.hostName + u":\n"_s + machine.log;
        }
        return text;
    }

private:
    struct Machine {
        QString hostName;
        QString namespaceName;
        QString interfaceName;
        QString ipv4;
        QString ipv6;
        Bus bus;
        QString avahiConfig;
        QProcess avahi;
        QString log;
    };

    QTemporaryDir m_directory;
    bool m_made = false;
    Machine m_machines[2];
};

QStringList names(const QList<FoundRound> &rounds) {
    QStringList list;
    for (const FoundRound &round : rounds)
        list.append(round.name);
    return list;
}

// The names of the rounds a spy of roundFound, roundChanged or roundLost heard of. A round of
// an earlier test may still be heard of for the second mDNS keeps it after its goodbye.
QStringList heardOf(const QSignalSpy &spy) {
    QStringList list;
    for (const QList<QVariant> &arguments : spy) {
        const QVariant &argument = arguments.at(0);
        list.append(argument.canConvert<FoundRound>() ? argument.value<FoundRound>().name
                                                      : argument.toString());
    }
    return list;
}

QStringList addresses(const FoundRound &round) {
    QStringList list;
    for (const QHostAddress &address : round.addresses)
        list.append(address.toString());
    return list;
}

} // namespace

class TestDiscovery : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void serviceName_data();
    void serviceName();
    void txtRecord_data();
    void txtRecord();
    void readTxt_data();
    void readTxt();
    void address_data();
    void address();
    void unavailable_data();
    void unavailable();

    void roundOnTheNetwork_data();
    void roundOnTheNetwork();
    void sameTitleTwice_data();
    void sameTitleTwice();
    void daemonRestarts_data();
    void daemonRestarts();

private:
    LabNetwork *network();

    QTemporaryDir m_directory;
    Bus m_busWithoutAvahi;
    std::unique_ptr<LabNetwork> m_network;
    QString m_networkError;
};

void TestDiscovery::initTestCase() {
    QVERIFY(m_directory.isValid());
    // The program's system bus, for the case where the machine has none.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS",
            "unix:path=" + QFile::encodeName(m_directory.path()) + "/no-such-bus");
    QString error;
    QVERIFY2(m_busWithoutAvahi.start(m_directory.path(), u"empty"_s, &error), qPrintable(error));
}

// A test that failed with an avahi-daemon stopped leaves it to the next to start it again.
void TestDiscovery::init() {
    QString error;
    if (m_network)
        for (const LabNetwork::Side side : {LabNetwork::Teacher, LabNetwork::Pupil})
            QVERIFY2(m_network->startAvahi(side, &error), qPrintable(error));
}

void TestDiscovery::cleanupTestCase() {
    m_network.reset();
}

// The network is made when a test first needs it, once; it cannot be made without root.
LabNetwork *TestDiscovery::network() {
    if (!m_network && m_networkError.isEmpty()) {
        auto network = std::make_unique<LabNetwork>();
        if (network->setUp(&m_networkError))
            m_network = std::move(network);
    }
    return m_network.get();
}

void TestDiscovery::serviceName_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("hostName");
    QTest::addColumn<QString>("name");

    QTest::newRow("title and host") << u"Битки"_s << u"lab-pc-03"_s << u"Битки — lab-pc-03"_s;
    QTest::newRow("a long title is cut by whole letters to 63 bytes")
        << u"Битките на България от Плиска до Освобождението"_s << u"lab-pc-03"_s
        << u"Битките на България от Пл… — lab-pc-03"_s;
    QTest::newRow("a flag is two code points of four bytes each, never split")
        << u"Знамена 🇧🇬🇧🇬🇧🇬🇧🇬🇧🇬🇧🇬🇧🇬🇧🇬"_s << u"lab-pc-03"_s << u"Знамена 🇧🇬🇧🇬🇧🇬… — lab-pc-03"_s;
    QTest::newRow("a letter and its combining accent stay together")
        << u"Обсадите на крепостите, и\u0306 градовете"_s << u"lab-pc-03"_s
        << u"Обсадите на крепостите,… — lab-pc-03"_s;
    QTest::newRow("line breaks and runs of spaces are one space")
        << u"  Битки\r\nи\tобсади  "_s << u"lab-pc-03"_s << u"Битки и обсади — lab-pc-03"_s;
    QTest::newRow("no title: the host alone") << QString() << u"lab-pc-03"_s << u"lab-pc-03"_s;
    QTest::newRow("a host name of 63 bytes leaves no room for the title")
        << u"Битки"_s << QString(63, u'h') << QString(63, u'h');
}

void TestDiscovery::serviceName() {
    QFETCH(QString, title);
    QFETCH(QString, hostName);
    QFETCH(QString, name);

    const QString made = classroom::roundServiceName(title, hostName);
    QCOMPARE(made, name);
    QVERIFY(made.toUtf8().size() <= 63);
}

void TestDiscovery::txtRecord_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("readTitle");

    QTest::newRow("a title") << u"Битки"_s << u"Битки"_s;
    QTest::newRow("a title with =") << u"Битки = обсади"_s << u"Битки = обсади"_s;
    QTest::newRow("a title past 255 bytes is cut")
        << QString(200, u'Б') << QString(123, u'Б') + u"…"_s;
    QTest::newRow("no title") << QString() << QString();
}

void TestDiscovery::txtRecord() {
    QFETCH(QString, title);
    QFETCH(QString, readTitle);

    const QList<QByteArray> record = classroom::roundTxtRecord(title, 7);
    for (const QByteArray &entry : record)
        QVERIFY2(entry.size() <= 255, entry.constData());
    const classroom::RoundTxt txt = classroom::readRoundTxt(record);
    QCOMPARE(txt.title, readTitle);
    QCOMPARE(txt.protocolVersion, 7);
}

void TestDiscovery::readTxt_data() {
    QTest::addColumn<QList<QByteArray>>("record");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("protocolVersion");

    QTest::newRow("as published") << QList<QByteArray>{"v=1", "title=Битки"} << u"Битки"_s << 1;
    QTest::newRow("keys in any case, the first of a key counts")
        << QList<QByteArray>{"V=2", "v=3", "TITLE=Битки", "title=Обсади"} << u"Битки"_s << 2;
    QTest::newRow("nothing") << QList<QByteArray>{} << QString() << 0;
    QTest::newRow("a key without a value") << QList<QByteArray>{"v", "title"} << QString() << 0;
    QTest::newRow("a version that is no number") << QList<QByteArray>{"v=один"} << QString() << 0;
    QTest::newRow("a negative version") << QList<QByteArray>{"v=-1"} << QString() << 0;
    QTest::newRow("a version past any int")
        << QList<QByteArray>{"v=99999999999999999999"} << QString() << 0;
    QTest::newRow("a string without a key is no title")
        << QList<QByteArray>{"=Битки"} << QString() << 0;
    QTest::newRow("bytes that are no UTF-8")
        << QList<QByteArray>{"title=\xff\xfe Битки"} << u"\ufffd\ufffd Битки"_s << 0;
    QTest::newRow("control and direction characters from the network")
        << QList<QByteArray>{"title=Битки\n\x1b[2J\xe2\x80\xaeи обсади"} << u"Битки [2Jи обсади"_s
        << 0;
}

void TestDiscovery::readTxt() {
    QFETCH(QList<QByteArray>, record);
    QFETCH(QString, title);
    QFETCH(int, protocolVersion);

    const classroom::RoundTxt txt = classroom::readRoundTxt(record);
    QCOMPARE(txt.title, title);
    QCOMPARE(txt.protocolVersion, protocolVersion);
}

void TestDiscovery::address_data() {
    QTest::addColumn<QString>("resolved");
    QTest::addColumn<int>("interfaceIndex");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("scope");

    QTest::newRow("IPv4") << u"169.254.77.1"_s << 3 << u"169.254.77.1"_s << QString();
    QTest::newRow("IPv6 that needs no interface")
        << u"fd00:77::1"_s << 3 << u"fd00:77::1"_s << QString();
    QTest::newRow("link-local IPv6 is reached through its interface")
        << u"fe80::1"_s << 3 << u"fe80::1%3"_s << u"3"_s;
    QTest::newRow("link-local IPv6 without an interface")
        << u"fe80::1"_s << -1 << QString() << QString();
    QTest::newRow("a host name is no address")
        << u"lab-pc-03.local"_s << 3 << QString() << QString();
}

void TestDiscovery::address() {
    QFETCH(QString, resolved);
    QFETCH(int, interfaceIndex);
    QFETCH(QString, address);
    QFETCH(QString, scope);

    const QHostAddress made = classroom::roundAddress(resolved, interfaceIndex);
    QCOMPARE(made.isNull(), address.isEmpty());
    if (!made.isNull()) {
        QCOMPARE(made.toString(), address);
        QCOMPARE(made.scopeId(), scope);
    }
}

void TestDiscovery::unavailable_data() {
    QTest::addColumn<bool>("systemBus");
    QTest::addColumn<QString>("error");

    QTest::newRow("no system bus") << true << u"Системната шина D-Bus не е достъпна."_s;
    QTest::newRow("a bus without avahi-daemon") << false << u"Услугата avahi-daemon не работи."_s;
}

// Without avahi-daemon, publishing and finding say so and do nothing else.
void TestDiscovery::unavailable() {
    QFETCH(bool, systemBus);
    QFETCH(QString, error);

    std::unique_ptr<RoundPublisher> publisher;
    std::unique_ptr<RoundBrowser> browser;
    if (systemBus) {
        publisher = std::make_unique<RoundPublisher>();
        browser = std::make_unique<RoundBrowser>();
    } else {
        publisher = std::make_unique<RoundPublisher>(m_busWithoutAvahi.address);
        browser = std::make_unique<RoundBrowser>(m_busWithoutAvahi.address);
    }
    QSignalSpy published(publisher.get(), &RoundPublisher::published);
    QSignalSpy failed(publisher.get(), &RoundPublisher::failed);
    QSignalSpy told(browser.get(), &RoundBrowser::availabilityChanged);
    publisher->publish(u"Битки"_s, 48123, 1);

    QTRY_COMPARE(publisher->availability(), Availability::Unavailable);
    QTRY_COMPARE(browser->availability(), Availability::Unavailable);
    QCOMPARE(publisher->errorString(), error);
    QCOMPARE(browser->errorString(), error);
    QCOMPARE(told.size(), 1);
    QCOMPARE(published.size(), 0);
    QCOMPARE(failed.size(), 0);
    QCOMPARE(publisher->publishedName(), QString());
    QCOMPARE(browser->rounds().size(), 0);
}

void TestDiscovery::roundOnTheNetwork_data() {
    QTest::addColumn<QString>("end");

    QTest::newRow("the round ends") << u"unpublish"_s;
    QTest::newRow("the teacher's program closes") << u"destroy"_s;
    QTest::newRow("another quiz is published in its place") << u"publish"_s;
}

// The teacher's round is found by a pupil's program on another machine, resolved to the
// teacher's addresses and port, and gone from its list when it ends.
void TestDiscovery::roundOnTheNetwork() {
    QFETCH(QString, end);
    LabNetwork *lab = network();
    if (lab == nullptr)
        QFAIL(qPrintable(m_networkError));

    auto publisher = std::make_unique<RoundPublisher>(lab->busAddress(LabNetwork::Teacher));
    RoundBrowser browser(lab->busAddress(LabNetwork::Pupil));
    QSignalSpy published(publisher.get(), &RoundPublisher::published);
    QSignalSpy found(&browser, &RoundBrowser::roundFound);
    QSignalSpy lost(&browser, &RoundBrowser::roundLost);
    publisher->publish(u"Битки"_s, 48123, 1);

    const QString name = u"Битки — teacher"_s;
    QTRY_VERIFY2_WITH_TIMEOUT(published.size() == 1, qPrintable(lab->logs()), networkDeadline);
    QCOMPARE(published.at(0).at(0).toString(), name);
    QCOMPARE(publisher->publishedName(), name);
    QCOMPARE(publisher->availability(), Availability::Available);
    // Seen over IPv4 and over IPv6, each resolved on its own.
    QTRY_VERIFY2_WITH_TIMEOUT(browser.rounds().size() == 1 &&
                                  browser.rounds().at(0).addresses.size() == 2,
                              qPrintable(lab->logs()), networkDeadline);
    const FoundRound round = browser.rounds().at(0);
    QCOMPARE(round.name, name);
    QCOMPARE(round.title, u"Битки"_s);
    QCOMPARE(round.hostName, u"teacher.local"_s);
    QCOMPARE(addresses(round),
             (QStringList{lab->ipv4(LabNetwork::Teacher), lab->ipv6(LabNetwork::Teacher)}));
    QCOMPARE(round.port, quint16(48123));
    QCOMPARE(round.protocolVersion, 1);
    QCOMPARE(heardOf(found).count(name), 1);

    if (end == u"unpublish") {
        publisher->unpublish();
        QCOMPARE(publisher->publishedName(), QString());
    } else if (end == u"destroy") {
        publisher.reset();
    } else {
        publisher->publish(u"Обсади"_s, 48124, 1);
        QTRY_VERIFY_WITH_TIMEOUT(names(browser.rounds()) == QStringList{u"Обсади — teacher"_s},
                                 networkDeadline);
        QCOMPARE(browser.rounds().at(0).title, u"Обсади"_s);
        QCOMPARE(browser.rounds().at(0).port, quint16(48124));
    }
    QTRY_VERIFY_WITH_TIMEOUT(heardOf(lost).contains(name), networkDeadline);
    QCOMPARE(heardOf(lost).count(name), 1);
    QVERIFY(!names(browser.rounds()).contains(name));
}

void TestDiscovery::sameTitleTwice_data() {
    QTest::addColumn<QString>("title");

    QTest::newRow("a short title") << u"Битки"_s;
    QTest::newRow("a title cut to fit") << u"Битките на България от Плиска до Освобождението"_s;
}

// Two rounds of one quiz on one machine: avahi-daemon gives the second another name.
void TestDiscovery::sameTitleTwice() {
    QFETCH(QString, title);
    LabNetwork *lab = network();
    if (lab == nullptr)
        QFAIL(qPrintable(m_networkError));

    RoundPublisher first(lab->busAddress(LabNetwork::Teacher));
    RoundPublisher second(lab->busAddress(LabNetwork::Teacher));
    RoundBrowser browser(lab->busAddress(LabNetwork::Pupil));
    QSignalSpy failed(&second, &RoundPublisher::failed);
    first.publish(title, 48123, 1);
    QTRY_VERIFY2_WITH_TIMEOUT(!first.publishedName().isEmpty(), qPrintable(lab->logs()),
                              networkDeadline);
    second.publish(title, 48124, 1);
    QTRY_VERIFY2_WITH_TIMEOUT(!second.publishedName().isEmpty() || !failed.isEmpty(),
                              qPrintable(lab->logs()), networkDeadline);

    QCOMPARE(first.publishedName(), classroom::roundServiceName(title, u"teacher"_s));
    QVERIFY(second.publishedName().endsWith(u" #2"));
    QVERIFY(second.publishedName().toUtf8().size() <= 63);
    QCOMPARE(failed.size(), 0);
    QStringList both{first.publishedName(), second.publishedName()};
    both.sort();
    QTRY_COMPARE_WITH_TIMEOUT(names(browser.rounds()), both, networkDeadline);
}

void TestDiscovery::daemonRestarts_data() {
    QTest::addColumn<int>("side");

    QTest::newRow("the teacher's avahi-daemon") << int(LabNetwork::Teacher);
    QTest::newRow("the pupil's avahi-daemon") << int(LabNetwork::Pupil);
}

// avahi-daemon stops and starts again while a round runs: the round is listed and found again
// without anyone asking.
void TestDiscovery::daemonRestarts() {
    QFETCH(int, side);
    LabNetwork *lab = network();
    if (lab == nullptr)
        QFAIL(qPrintable(m_networkError));

    RoundPublisher publisher(lab->busAddress(LabNetwork::Teacher));
    RoundBrowser browser(lab->busAddress(LabNetwork::Pupil));
    QSignalSpy published(&publisher, &RoundPublisher::published);
    QSignalSpy lost(&browser, &RoundBrowser::roundLost);
    publisher.publish(u"Битки"_s, 48123, 1);
    const QStringList listed{u"Битки — teacher"_s};
    QTRY_VERIFY2_WITH_TIMEOUT(names(browser.rounds()) == listed, qPrintable(lab->logs()),
                              networkDeadline);

    lab->stopAvahi(static_cast<LabNetwork::Side>(side));
    const classroom::Discovery *stopped =
        side == LabNetwork::Teacher ? static_cast<const classroom::Discovery *>(&publisher)
                                    : &browser;
    QTRY_COMPARE_WITH_TIMEOUT(stopped->availability(), Availability::Unavailable, networkDeadline);
    QCOMPARE(stopped->errorString(), u"Услугата avahi-daemon спря."_s);
    QTRY_VERIFY_WITH_TIMEOUT(heardOf(lost).contains(listed.at(0)), networkDeadline);
    QCOMPARE(browser.rounds().size(), 0);
    if (side == LabNetwork::Teacher)
        QCOMPARE(publisher.publishedName(), QString());

    QString error;
    QVERIFY2(lab->startAvahi(static_cast<LabNetwork::Side>(side), &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(stopped->availability(), Availability::Available, networkDeadline);
    QTRY_VERIFY2_WITH_TIMEOUT(names(browser.rounds()) == listed, qPrintable(lab->logs()),
                              networkDeadline);
    QCOMPARE(publisher.publishedName(), listed.at(0));
    QCOMPARE(published.size(), side == LabNetwork::Teacher ? 2 : 1);
}

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
