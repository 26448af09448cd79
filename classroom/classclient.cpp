#include "classroom/classclient.h"

#include <QWebSocket>

using namespace Qt::StringLiterals;

namespace classroom {

namespace {

// The link is checked every five seconds: one silent for fifteen is taken for dropped.
constexpr int pingSeconds = 5;
constexpr int silenceSeconds = 15;

} // namespace

ClassClient::ClassClient(RoundAddress address, QString name, QObject *parent)
    : QObject(parent)
    , m_address(std::move(address))
    , m_name(std::move(name))
    , m_socket(new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this)) {
    m_socket->setMaxAllowedIncomingMessageSize(64 * 1024 * 1024);
    connect(m_socket, &QWebSocket::connected, this, &ClassClient::opened);
    connect(m_socket, &QWebSocket::disconnected, this, &ClassClient::closed);
    connect(m_socket, &QWebSocket::textMessageReceived, this, &ClassClient::receive);
    connect(m_socket, &QWebSocket::pong, this, [this] { m_silence.start(); });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &ClassClient::open);
    m_silence.setSingleShot(true);
    m_silence.setInterval(silenceSeconds * 1000);
    connect(&m_silence, &QTimer::timeout, m_socket, &QWebSocket::abort);
    m_ping.setInterval(pingSeconds * 1000);
    connect(&m_ping, &QTimer::timeout, this, [this] { m_socket->ping(); });
}

ClassClient::~ClassClient() {
    m_stopped = true;
    m_socket->abort();
}

void ClassClient::connectToRound() {
    m_stopped = false;
    open();
}

void ClassClient::open() {
    if (m_stopped)
        return;
    QUrl url;
    url.setScheme(u"ws"_s);
    url.setHost(m_address.host);
    url.setPort(m_address.port);
    url.setPath(u"/ws"_s);
    ++m_attempts;
    m_socket->open(url);
}

void ClassClient::opened() {
    m_attempts = 0;
    m_silence.start();
    m_ping.start();
    if (m_welcomed)
        send(Resume{m_token});
    else
        send(Join{m_address.code, m_name});
}

void ClassClient::closed() {
    m_silence.stop();
    m_ping.stop();
    if (m_online) {
        m_online = false;
        emit onlineChanged(false);
    }
    retryLater();
}

// Again after a second, then after two and three, then every three seconds: a lab's Wi-Fi or
// the teacher's busy machine comes back in seconds, and a class of thirty must not flood it.
void ClassClient::retryLater() {
    if (m_stopped || m_retry.isActive())
        return;
    m_retry.start(std::min(m_attempts, 3) * 1000 + 50);
}

void ClassClient::receive(const QString &text) {
    m_silence.start();
    const auto parsed = parseHostMessage(text.toUtf8());
    if (std::holds_alternative<BadMessage>(parsed))
        return; // a message of a later program, which this one does not know
    const HostMessage &message = std::get<HostMessage>(parsed);
    if (const auto *welcome = std::get_if<Welcome>(&message)) {
        m_token = welcome->token;
        m_welcomed = true;
        m_nextSerial = std::max(m_nextSerial, welcome->attempt.nextSerial);
        if (!m_online) {
            m_online = true;
            emit onlineChanged(true);
        }
        emit welcomed(*welcome);
        // A request sent before the link dropped, again: the host answers it once.
        if (m_pending)
            m_socket->sendTextMessage(QString::fromUtf8(encode(*m_pending)));
    } else if (const auto *answer = std::get_if<Verdict>(&message)) {
        m_pending.reset();
        emit verdict(*answer);
    } else if (const auto *attempt = std::get_if<Started>(&message)) {
        m_pending.reset();
        emit started(attempt->attempt);
    } else if (const auto *end = std::get_if<Finished>(&message)) {
        m_pending.reset();
        emit finished(*end);
    } else if (const auto *waiting = std::get_if<Held>(&message)) {
        emit held(waiting->reason);
    } else if (const auto *refusal = std::get_if<Refused>(&message)) {
        m_stopped = true;
        m_retry.stop();
        emit refused(refusal->reason);
    }
}

void ClassClient::send(const ClientMessage &message) {
    m_socket->sendTextMessage(QString::fromUtf8(encode(message)));
}

bool ClassClient::check(const QStringList &choice) {
    if (m_pending || !m_welcomed)
        return false;
    m_pending = Check{m_nextSerial++, choice};
    if (m_online)
        send(*m_pending);
    return true;
}

bool ClassClient::again(bool practice) {
    if (m_pending || !m_welcomed)
        return false;
    m_pending = Again{m_nextSerial++, practice};
    if (m_online)
        send(*m_pending);
    return true;
}

void ClassClient::leave() {
    m_stopped = true;
    m_retry.stop();
    if (m_online)
        send(Leave{});
    m_socket->close();
}

} // namespace classroom
