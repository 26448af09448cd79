#include "classroom/discovery.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QPointer>
#include <QStringView>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <functional>
#include <utility>

using namespace Qt::StringLiterals;

namespace classroom {

namespace {

// avahi-daemon's D-Bus interface (avahi-common/defs.h and the introspection files it installs).
namespace avahi {
const QString service = u"org.freedesktop.Avahi"_s;
const QString serverPath = u"/"_s;
const QString server = u"org.freedesktop.Avahi.Server"_s;
const QString server2 = u"org.freedesktop.Avahi.Server2"_s;
const QString entryGroup = u"org.freedesktop.Avahi.EntryGroup"_s;
const QString serviceBrowser = u"org.freedesktop.Avahi.ServiceBrowser"_s;
const QString collisionError = u"org.freedesktop.Avahi.CollisionError"_s;

constexpr int anyInterface = -1;
constexpr int anyProtocol = -1;

enum ServerState {
    ServerRegistering = 1,
    ServerRunning = 2,
    ServerCollision = 3,
    ServerFailure = 4
};
enum GroupState { GroupEstablished = 2, GroupCollision = 3, GroupFailure = 4 };
} // namespace avahi

// A name on the network and a TXT string have these many bytes at most (RFC 6763).
constexpr int nameBytes = 63;
constexpr int txtStringBytes = 255;
// A network full of rounds, or a host flooding it with names, stops here.
constexpr qsizetype maxRounds = 256;
// avahi-daemon offers „Битки — lab-pc-03 #2“, „#3“… for a taken name; a network answering
// every one of them as taken is not worth asking further.
constexpr int maxRenames = 20;
// avahi-daemon answers at once; resolving a round waits for its host, which avahi-daemon gives
// up on after a few seconds itself.
constexpr int callTimeout = 5000;
constexpr int resolveTimeout = 15000;

QString noBusText() {
    return u"Системната шина D-Bus не е достъпна."_s;
}
QString notRunningText() {
    return u"Услугата avahi-daemon не работи."_s;
}
QString stoppedText() {
    return u"Услугата avahi-daemon спря."_s;
}
QString noAnswerText() {
    return u"Услугата avahi-daemon не отговаря."_s;
}
QString unusableText() {
    return u"Услугата avahi-daemon не може да се използва."_s;
}
QString networkFailureText() {
    return u"Услугата avahi-daemon не може да работи в тази мрежа."_s;
}
QString tooOldText() {
    return u"Услугата avahi-daemon е твърде стара, за да търси кръгове в мрежата."_s;
}
QString browseFailedText() {
    return u"Услугата avahi-daemon не успя да търси кръгове в мрежата."_s;
}
QString publishFailedText() {
    return u"Услугата avahi-daemon не успя да обяви кръга в мрежата."_s;
}
QString namesTakenText() {
    return u"Всички опитани имена на кръга са заети в мрежата."_s;
}

bool isError(const QDBusMessage &reply) {
    return reply.type() != QDBusMessage::ReplyMessage;
}

// Why a call to avahi-daemon got no answer, for the user.
QString callErrorText(const QDBusMessage &reply) {
    const QString name = reply.errorName();
    if (name == u"org.freedesktop.DBus.Error.ServiceUnknown" ||
        name == u"org.freedesktop.DBus.Error.NameHasNoOwner")
        return notRunningText();
    if (name == u"org.freedesktop.DBus.Error.NoReply" ||
        name == u"org.freedesktop.DBus.Error.Timeout" ||
        name == u"org.freedesktop.DBus.Error.TimedOut")
        return noAnswerText();
    return unusableText();
}

// Text from the network, or a title, as one line: no control characters, no direction
// overrides, no runs of spaces.
QString plainLine(const QString &text) {
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069))
            continue;
        const QChar::Category category = c.category();
        const bool breaks = category == QChar::Other_Control || category == QChar::Separator_Line ||
                            category == QChar::Separator_Paragraph;
        line.append(breaks ? QChar(u' ') : c);
    }
    return line.simplified();
}

// text if its UTF-8 fits in maxBytes; otherwise as many whole characters of it as fit with „…“
// after them, or nothing if not one does.
QString fitUtf8(const QString &text, qsizetype maxBytes) {
    if (text.toUtf8().size() <= maxBytes)
        return text;
    const QString ellipsis = u"…"_s;
    const qsizetype budget = maxBytes - ellipsis.toUtf8().size();
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype fits = 0;
    qsizetype bytes = 0;
    for (qsizetype next = graphemes.toNextBoundary(); next > 0; next = graphemes.toNextBoundary()) {
        bytes += QStringView(text).sliced(fits, next - fits).toUtf8().size();
        if (bytes > budget)
            break;
        fits = next;
    }
    const QString kept = text.left(fits).trimmed();
    return kept.isEmpty() ? QString() : kept + ellipsis;
}

QList<QByteArray> byteArrays(const QVariant &value) {
    if (value.canConvert<QDBusArgument>()) {
        QList<QByteArray> list;
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentType() != QDBusArgument::ArrayType)
            return {};
        argument.beginArray();
        while (!argument.atEnd()) {
            QByteArray bytes;
            argument >> bytes;
            list.append(bytes);
        }
        argument.endArray();
        return list;
    }
    return value.value<QList<QByteArray>>();
}

QVariant txtArgument(const QList<QByteArray> &record) {
    QDBusArgument argument;
    argument.beginArray(QMetaType::fromType<QByteArray>());
    for (const QByteArray &entry : record)
        argument << entry;
    argument.endArray();
    return QVariant::fromValue(argument);
}

QDBusConnection connectTo(const QString &address) {
    if (address.isEmpty())
        return QDBusConnection::systemBus();
    return QDBusConnection::connectToBus(address, u"valtessa-avahi "_s + address);
}

// IPv4 first, then IPv6 addresses that need no interface, then link-local ones.
int addressRank(const QHostAddress &address) {
    if (address.protocol() == QAbstractSocket::IPv4Protocol)
        return 0;
    return address.isLinkLocal() ? 2 : 1;
}

} // namespace

// The link to avahi-daemon: the bus, which daemon answers on it now, whether its server is
// running, and the signals it sends. Every call is asynchronous; a reply from a daemon that has
// gone since is dropped.
class AvahiLink : public QObject {
    Q_OBJECT

public:
    using Reply = std::function<void(const QDBusMessage &)>;

    AvahiLink(const QString &busAddress, Discovery *discovery);

    bool isRunning() const { return m_running; }

    // Calls method on avahi-daemon; onReply gets the reply or the error, unless context is gone
    // by then or avahi-daemon was replaced. Without onReply, no reply is waited for.
    void call(QObject *context, const QString &path, const QString &interface,
              const QString &method, const QVariantList &arguments, Reply onReply = {},
              int timeout = callTimeout);

signals:
    // avahi-daemon's server runs: its host name is settled, rounds can be listed and found.
    void running();
    // It does not any more: it is renaming the host, or (daemonGone) the daemon and everything
    // it held for this program are gone.
    void stopped(bool daemonGone);
    // A signal from avahi-daemon, other than its server's state.
    void signalled(const QDBusMessage &message);

private:
    // Slots: avahi-daemon's signals come to receive(), by name.
    Q_SLOT void receive(const QDBusMessage &message);
    Q_SLOT void reportNoBus();
    void probe();
    void ownerChanged(const QString &owner);
    void serverState(int state);

    Discovery *m_discovery;
    QDBusConnection m_bus;
    QString m_daemon;
    quint64 m_epoch = 0;
    bool m_running = false;
};

AvahiLink::AvahiLink(const QString &busAddress, Discovery *discovery)
    : QObject(discovery)
    , m_discovery(discovery)
    , m_bus(connectTo(busAddress)) {
    if (!m_bus.isConnected()) {
        // Said once the caller has connected to the signal.
        QMetaObject::invokeMethod(this, "reportNoBus", Qt::QueuedConnection);
        return;
    }
    // Any sender and path: the sender is checked against the daemon answering now, and the paths
    // of browsers and groups are known only once avahi-daemon has made them.
    const std::pair<QString, QString> heard[] = {
        {avahi::server, u"StateChanged"_s},    {avahi::entryGroup, u"StateChanged"_s},
        {avahi::serviceBrowser, u"ItemNew"_s}, {avahi::serviceBrowser, u"ItemRemove"_s},
        {avahi::serviceBrowser, u"Failure"_s},
    };
    for (const auto &[interface, member] : heard)
        m_bus.connect(QString(), QString(), interface, member, this, SLOT(receive(QDBusMessage)));
    auto *watcher = new QDBusServiceWatcher(avahi::service, m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(
        watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString &, const QString &, const QString &owner) { ownerChanged(owner); });
    probe();
}

void AvahiLink::call(QObject *context, const QString &path, const QString &interface,
                     const QString &method, const QVariantList &arguments, Reply onReply,
                     int timeout) {
    QDBusMessage message = QDBusMessage::createMethodCall(avahi::service, path, interface, method);
    message.setArguments(arguments);
    // avahi-daemon runs or it does not: this program never has the bus start it.
    message.setAutoStartService(false);
    if (!onReply) {
        m_bus.send(message);
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, timeout), context);
    connect(watcher, &QDBusPendingCallWatcher::finished, context,
            [this, epoch = m_epoch, onReply = std::move(onReply)](QDBusPendingCallWatcher *done) {
                done->deleteLater();
                if (epoch == m_epoch)
                    onReply(done->reply());
            });
}

void AvahiLink::reportNoBus() {
    m_discovery->setAvailability(Discovery::Availability::Unavailable, noBusText());
}

void AvahiLink::probe() {
    call(this, avahi::serverPath, avahi::server, u"GetState"_s, {},
         [this](const QDBusMessage &reply) {
             if (isError(reply)) {
                 m_discovery->setAvailability(Discovery::Availability::Unavailable,
                                              callErrorText(reply));
                 return;
             }
             if (m_daemon.isEmpty())
                 m_daemon = reply.service();
             serverState(reply.arguments().value(0).toInt());
         });
}

void AvahiLink::ownerChanged(const QString &owner) {
    ++m_epoch;
    m_running = false;
    const bool hadDaemon = !std::exchange(m_daemon, owner).isEmpty();
    if (hadDaemon)
        emit stopped(true);
    if (owner.isEmpty())
        m_discovery->setAvailability(Discovery::Availability::Unavailable, stoppedText());
    else
        probe();
}

void AvahiLink::serverState(int state) {
    if (state == avahi::ServerFailure)
        m_discovery->setAvailability(Discovery::Availability::Unavailable, networkFailureText());
    else
        m_discovery->setAvailability(Discovery::Availability::Available);
    if (state == avahi::ServerRunning) {
        if (!std::exchange(m_running, true))
            emit running();
    } else if (std::exchange(m_running, false)) {
        emit stopped(false);
    }
}

void AvahiLink::receive(const QDBusMessage &message) {
    if (m_daemon.isEmpty() || message.service() != m_daemon)
        return;
    if (message.interface() == avahi::server) {
        if (message.path() == avahi::serverPath)
            serverState(message.arguments().value(0).toInt());
        return;
    }
    emit signalled(message);
}

// --- what a round's record on the network says

QString roundServiceName(const QString &title, const QString &hostName) {
    const QString host = fitUtf8(plainLine(hostName), nameBytes);
    const QString tail = u" — "_s + host;
    const QString head = fitUtf8(plainLine(title), nameBytes - tail.toUtf8().size());
    return head.isEmpty() ? host : head + tail;
}

QList<QByteArray> roundTxtRecord(const QString &title, int protocolVersion) {
    QList<QByteArray> record{"v=" + QByteArray::number(protocolVersion)};
    const QByteArray key = "title=";
    const QString text = fitUtf8(plainLine(title), txtStringBytes - key.size());
    if (!text.isEmpty())
        record.append(key + text.toUtf8());
    return record;
}

RoundTxt readRoundTxt(const QList<QByteArray> &record) {
    RoundTxt txt;
    bool haveTitle = false;
    bool haveVersion = false;
    for (const QByteArray &entry : record) {
        const qsizetype equals = entry.indexOf('=');
        const QByteArray key = (equals < 0 ? entry : entry.left(equals)).toLower();
        const QByteArray value = equals < 0 ? QByteArray() : entry.mid(equals + 1);
        if (key == "v" && !std::exchange(haveVersion, true)) {
            const bool digits = !value.isEmpty() && value.size() <= 6 &&
                                std::all_of(value.begin(), value.end(),
                                            [](char c) { return c >= '0' && c <= '9'; });
            txt.protocolVersion = digits ? value.toInt() : 0;
        } else if (key == "title" && !std::exchange(haveTitle, true)) {
            txt.title = plainLine(QString::fromUtf8(value));
        }
    }
    return txt;
}

QHostAddress roundAddress(const QString &address, int interfaceIndex) {
    QHostAddress parsed;
    if (!parsed.setAddress(address))
        return {};
    if (parsed.protocol() == QAbstractSocket::IPv6Protocol && parsed.isLinkLocal()) {
        // The name of the interface is looked up by whoever connects; its index is what avahi
        // gives, and it cannot name another interface.
        if (interfaceIndex <= 0)
            return {};
        parsed.setScopeId(QString::number(interfaceIndex));
    }
    return parsed;
}

// --- Discovery

Discovery::Discovery(const QString &busAddress, QObject *parent)
    : QObject(parent)
    , m_link(new AvahiLink(busAddress, this)) {}

Discovery::~Discovery() = default;

void Discovery::setAvailability(Availability availability, const QString &error) {
    m_error = availability == Availability::Unavailable ? error : QString();
    if (std::exchange(m_availability, availability) != availability)
        emit availabilityChanged(availability);
}

// --- RoundPublisher

RoundPublisher::RoundPublisher(QObject *parent)
    : RoundPublisher(QString(), parent) {}

RoundPublisher::RoundPublisher(const QString &busAddress, QObject *parent)
    : Discovery(busAddress, parent) {
    connect(link(), &AvahiLink::running, this, &RoundPublisher::advance);
    connect(link(), &AvahiLink::stopped, this, &RoundPublisher::serverStopped);
    connect(link(), &AvahiLink::signalled, this, [this](const QDBusMessage &message) {
        if (!m_groupPath.isEmpty() && message.path() == m_groupPath &&
            message.interface() == avahi::entryGroup && message.member() == u"StateChanged")
            groupStateChanged(message.arguments().value(0).toInt());
    });
}

RoundPublisher::~RoundPublisher() {
    // The calls already sent reach avahi-daemon first: what they listed goes with the group.
    if (!m_groupPath.isEmpty())
        link()->call(nullptr, m_groupPath, avahi::entryGroup, u"Free"_s, {});
}

void RoundPublisher::publish(const QString &title, quint16 port, int protocolVersion) {
    if (m_wanted && title == m_title && port == m_port && protocolVersion == m_protocolVersion)
        return;
    m_wanted = true;
    m_title = title;
    m_port = port;
    m_protocolVersion = protocolVersion;
    m_name.clear();
    m_renames = 0;
    m_publishedName.clear();
    ++m_generation;
    advance();
}

void RoundPublisher::unpublish() {
    if (!std::exchange(m_wanted, false))
        return;
    m_name.clear();
    m_publishedName.clear();
    ++m_generation;
    if (!m_groupPath.isEmpty())
        link()->call(nullptr, m_groupPath, avahi::entryGroup, u"Reset"_s, {});
}

// Takes the next step towards listing the round: the host name, a group, the service.
void RoundPublisher::advance() {
    if (!m_wanted || !link()->isRunning() || m_sent == m_generation)
        return;
    if (m_hostName.isEmpty()) {
        if (std::exchange(m_hostNamePending, true))
            return;
        link()->call(this, avahi::serverPath, avahi::server, u"GetHostName"_s, {},
                     [this, run = m_run](const QDBusMessage &reply) {
                         if (run != m_run)
                             return;
                         m_hostNamePending = false;
                         if (isError(reply)) {
                             fail(publishFailedText());
                             return;
                         }
                         m_hostName = reply.arguments().value(0).toString();
                         advance();
                     });
        return;
    }
    if (m_groupPath.isEmpty()) {
        if (std::exchange(m_groupPending, true))
            return;
        link()->call(
            this, avahi::serverPath, avahi::server, u"EntryGroupNew"_s, {},
            [this, run = m_run](const QDBusMessage &reply) {
                const QString path =
                    isError(reply)
                        ? QString()
                        : qvariant_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
                if (run != m_run) {
                    if (!path.isEmpty())
                        link()->call(nullptr, path, avahi::entryGroup, u"Free"_s, {});
                    return;
                }
                m_groupPending = false;
                if (path.isEmpty()) {
                    fail(publishFailedText());
                    return;
                }
                m_groupPath = path;
                advance();
            });
        return;
    }
    addService();
}

void RoundPublisher::addService() {
    if (m_name.isEmpty())
        m_name = roundServiceName(m_title, m_hostName);
    const quint64 generation = m_generation;
    m_sent = generation;
    // One group holds one round: whatever it listed before goes first.
    link()->call(nullptr, m_groupPath, avahi::entryGroup, u"Reset"_s, {});
    const QVariantList service{avahi::anyInterface,
                               avahi::anyProtocol,
                               0u,
                               m_name,
                               QString::fromLatin1(roundServiceType),
                               QString(),
                               QString(),
                               QVariant::fromValue<quint16>(m_port),
                               txtArgument(roundTxtRecord(m_title, m_protocolVersion))};
    link()->call(this, m_groupPath, avahi::entryGroup, u"AddService"_s, service,
                 [this, generation](const QDBusMessage &added) {
                     if (generation != m_generation)
                         return;
                     if (isError(added)) {
                         // A round of this program on this machine has the name already.
                         if (added.errorName() == avahi::collisionError)
                             takeAlternativeName();
                         else
                             fail(publishFailedText());
                         return;
                     }
                     link()->call(this, m_groupPath, avahi::entryGroup, u"Commit"_s, {},
                                  [this, generation](const QDBusMessage &committed) {
                                      if (generation != m_generation)
                                          return;
                                      if (isError(committed)) {
                                          fail(publishFailedText());
                                          return;
                                      }
                                      m_committed = generation;
                                      // The group may have settled before this reply came.
                                      link()->call(
                                          this, m_groupPath, avahi::entryGroup, u"GetState"_s, {},
                                          [this, generation](const QDBusMessage &state) {
                                              if (generation == m_generation && !isError(state))
                                                  groupStateChanged(
                                                      state.arguments().value(0).toInt());
                                          });
                                  });
                 });
}

void RoundPublisher::takeAlternativeName() {
    m_publishedName.clear();
    if (++m_renames > maxRenames) {
        fail(namesTakenText());
        return;
    }
    const quint64 generation = ++m_generation;
    m_sent = generation;
    link()->call(this, avahi::serverPath, avahi::server, u"GetAlternativeServiceName"_s, {m_name},
                 [this, generation](const QDBusMessage &reply) {
                     if (generation != m_generation)
                         return;
                     const QString name = reply.arguments().value(0).toString();
                     if (isError(reply) || name.isEmpty()) {
                         fail(publishFailedText());
                         return;
                     }
                     m_name = name;
                     addService();
                 });
}

void RoundPublisher::groupStateChanged(int state) {
    if (!m_wanted || m_committed != m_generation)
        return;
    switch (state) {
    case avahi::GroupEstablished:
        if (m_publishedName != m_name) {
            m_publishedName = m_name;
            emit published(m_name);
        }
        break;
    case avahi::GroupCollision:
        // Another host on the network has the name.
        takeAlternativeName();
        break;
    case avahi::GroupFailure:
        fail(publishFailedText());
        break;
    default:
        break;
    }
}

void RoundPublisher::fail(const QString &error) {
    // Nothing more is tried until avahi-daemon's server starts again, or another publish().
    m_sent = m_generation;
    m_publishedName.clear();
    emit failed(error);
}

void RoundPublisher::serverStopped(bool daemonGone) {
    // The round is listed again, under a name with the host name the server settles on.
    ++m_run;
    ++m_generation;
    m_sent = 0;
    m_committed = 0;
    m_hostName.clear();
    m_hostNamePending = false;
    m_name.clear();
    m_renames = 0;
    m_publishedName.clear();
    if (daemonGone) {
        m_groupPath.clear();
        m_groupPending = false;
    } else {
        // Its records name the host by its former name.
        m_groupPending = false;
        if (!m_groupPath.isEmpty())
            link()->call(nullptr, m_groupPath, avahi::entryGroup, u"Reset"_s, {});
    }
}

// --- RoundBrowser

RoundBrowser::RoundBrowser(QObject *parent)
    : RoundBrowser(QString(), parent) {}

RoundBrowser::RoundBrowser(const QString &busAddress, QObject *parent)
    : Discovery(busAddress, parent) {
    connect(link(), &AvahiLink::running, this, &RoundBrowser::start);
    connect(link(), &AvahiLink::stopped, this, [this](bool daemonGone) {
        // A browser outlives a host rename; it does not outlive the daemon.
        if (daemonGone) {
            m_browserPath.clear();
            m_browserPending = false;
            loseAll();
        }
    });
    connect(link(), &AvahiLink::signalled, this, [this](const QDBusMessage &message) {
        if (m_browserPath.isEmpty() || message.path() != m_browserPath ||
            message.interface() != avahi::serviceBrowser)
            return;
        const QVariantList arguments = message.arguments();
        const QString member = message.member();
        if ((member == u"ItemNew" || member == u"ItemRemove") && arguments.size() >= 5) {
            const int interfaceIndex = arguments[0].toInt();
            const int protocol = arguments[1].toInt();
            const QString name = arguments[2].toString();
            if (member == u"ItemNew")
                itemNew(interfaceIndex, protocol, name, arguments[4].toString());
            else
                itemRemove(interfaceIndex, protocol, name);
        } else if (member == u"Failure") {
            link()->call(nullptr, std::exchange(m_browserPath, QString()), avahi::serviceBrowser,
                         u"Free"_s, {});
            loseAll();
            setAvailability(Availability::Unavailable, browseFailedText());
        }
    });
}

RoundBrowser::~RoundBrowser() {
    if (!m_browserPath.isEmpty())
        link()->call(nullptr, m_browserPath, avahi::serviceBrowser, u"Free"_s, {});
}

QList<FoundRound> RoundBrowser::rounds() const {
    QList<FoundRound> found;
    for (const Entry &entry : m_entries)
        if (entry.reported)
            found.append(*entry.reported);
    return found;
}

void RoundBrowser::start() {
    if (!m_browserPath.isEmpty() || std::exchange(m_browserPending, true))
        return;
    // Prepared, then started: no round is announced before the browser's signals are heard.
    const QVariantList browse{avahi::anyInterface, avahi::anyProtocol,
                              QString::fromLatin1(roundServiceType), QString(), 0u};
    link()->call(
        this, avahi::serverPath, avahi::server2, u"ServiceBrowserPrepare"_s, browse,
        [this](const QDBusMessage &prepared) {
            m_browserPending = false;
            if (isError(prepared)) {
                const bool old =
                    prepared.errorName() == u"org.freedesktop.DBus.Error.UnknownMethod";
                setAvailability(Availability::Unavailable, old ? tooOldText() : browseFailedText());
                return;
            }
            m_browserPath = qvariant_cast<QDBusObjectPath>(prepared.arguments().value(0)).path();
            link()->call(this, m_browserPath, avahi::serviceBrowser, u"Start"_s, {},
                         [this](const QDBusMessage &started) {
                             if (isError(started))
                                 setAvailability(Availability::Unavailable, browseFailedText());
                         });
        });
}

void RoundBrowser::itemNew(int interfaceIndex, int protocol, const QString &name,
                           const QString &domain) {
    auto entry = m_entries.find(name);
    if (entry == m_entries.end()) {
        if (m_entries.size() >= maxRounds)
            return;
        entry = m_entries.insert(name, Entry{});
    }
    for (const Sighting &sighting : std::as_const(entry->sightings))
        if (sighting.interfaceIndex == interfaceIndex && sighting.protocol == protocol)
            return;
    Sighting sighting;
    sighting.interfaceIndex = interfaceIndex;
    sighting.protocol = protocol;
    sighting.domain = domain;
    sighting.serial = ++m_serial;
    entry->sightings.append(sighting);
    // The address asked for is of the protocol the round was seen on.
    const QVariantList resolve{
        interfaceIndex, protocol, name, QString::fromLatin1(roundServiceType),
        domain,         protocol, 0u};
    link()->call(
        this, avahi::serverPath, avahi::server, u"ResolveService"_s, resolve,
        [this, name, serial = sighting.serial](const QDBusMessage &reply) {
            // A round that does not resolve stays unlisted on this way; another may resolve.
            if (!isError(reply))
                resolved(name, serial, reply.arguments());
        },
        resolveTimeout);
}

void RoundBrowser::itemRemove(int interfaceIndex, int protocol, const QString &name) {
    const auto entry = m_entries.find(name);
    if (entry == m_entries.end())
        return;
    entry->sightings.removeIf([&](const Sighting &sighting) {
        return sighting.interfaceIndex == interfaceIndex && sighting.protocol == protocol;
    });
    update(name);
}

void RoundBrowser::resolved(const QString &name, quint64 serial, const QVariantList &reply) {
    const auto entry = m_entries.find(name);
    if (entry == m_entries.end() || reply.size() < 11)
        return;
    const auto sighting =
        std::find_if(entry->sightings.begin(), entry->sightings.end(),
                     [serial](const Sighting &candidate) { return candidate.serial == serial; });
    if (sighting == entry->sightings.end())
        return;
    const QHostAddress address = roundAddress(reply[7].toString(), reply[0].toInt());
    const uint port = reply[8].toUInt();
    if (address.isNull() || port == 0 || port > 0xFFFF)
        return;
    sighting->resolved = true;
    sighting->hostName = reply[5].toString();
    sighting->address = address;
    sighting->port = static_cast<quint16>(port);
    sighting->txt = byteArrays(reply[9]);
    update(name);
}

void RoundBrowser::update(const QString &name) {
    const auto entry = m_entries.find(name);
    if (entry == m_entries.end())
        return;
    std::optional<FoundRound> round;
    for (const Sighting &sighting : std::as_const(entry->sightings)) {
        if (!sighting.resolved)
            continue;
        if (!round) {
            const RoundTxt txt = readRoundTxt(sighting.txt);
            round = FoundRound{};
            round->name = name;
            round->title = txt.title.isEmpty() ? plainLine(name) : txt.title;
            round->hostName = sighting.hostName;
            round->port = sighting.port;
            round->protocolVersion = txt.protocolVersion;
        }
        if (!round->addresses.contains(sighting.address))
            round->addresses.append(sighting.address);
    }
    if (round)
        std::stable_sort(round->addresses.begin(), round->addresses.end(),
                         [](const QHostAddress &a, const QHostAddress &b) {
                             return addressRank(a) < addressRank(b);
                         });
    const std::optional<FoundRound> before = std::exchange(entry->reported, round);
    if (entry->sightings.isEmpty())
        m_entries.erase(entry);
    // Last: whoever hears the signal may do anything, even delete this browser.
    if (!round) {
        if (before)
            emit roundLost(name);
    } else if (!before) {
        emit roundFound(*round);
    } else if (*before != *round) {
        emit roundChanged(*round);
    }
}

void RoundBrowser::loseAll() {
    QStringList lost;
    for (auto entry = m_entries.cbegin(); entry != m_entries.cend(); ++entry)
        if (entry->reported)
            lost.append(entry.key());
    m_entries.clear();
    const QPointer<RoundBrowser> alive(this);
    for (const QString &name : std::as_const(lost)) {
        emit roundLost(name);
        if (alive.isNull())
            return;
    }
}

} // namespace classroom

#include "discovery.moc"
