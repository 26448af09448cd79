#include "classroom/classhost.h"

#include "classroom/localnetwork.h"
#include "classroom/round/pupilspage.h"

#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

using namespace Qt::StringLiterals;

namespace classroom {

namespace {

// Time to send a whole request, and then to join or come back.
constexpr int requestSeconds = 10;
// Connections not yet in the round, from all addresses and from one: a class is some thirty.
constexpr int maxWaitingConnections = 256;
constexpr int maxConnectionsPerAddress = 64;
// Wrong codes from one address in a minute before it is held off for a minute.
constexpr int wrongCodesAllowed = 10;
constexpr qint64 wrongCodeWindow = 60 * 1000;
constexpr qint64 holdOff = 60 * 1000;
// A pupil's link is checked this often; one that has not answered for three times as long is
// dropped, as a pulled cable is noticed.
constexpr int keepAliveSeconds = 5;
constexpr int silenceLimitSeconds = 3 * keepAliveSeconds;

QString requestDeadlineName() {
    return u"valtessa-request-deadline"_s;
}

// The round's WebSocket as the page reaches it: the address the request came to, which is the
// host's own, never what the request says.
QByteArray webSocketOf(const QTcpSocket &socket) {
    QHostAddress address = socket.localAddress();
    bool isIPv4 = false;
    if (const quint32 ipv4 = address.toIPv4Address(&isIPv4); isIPv4)
        address = QHostAddress(ipv4);
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + address.toString() + u']'
                             : address.toString();
    return "ws://" + host.toLatin1() + ':' + QByteArray::number(socket.localPort());
}

} // namespace

ClassHost::ClassHost(std::unique_ptr<ClassRound> round, ClassRecords *records, int recordsRound,
                     QObject *parent)
    : QObject(parent)
    , m_round(std::move(round))
    , m_records(records)
    , m_recordsRound(recordsRound)
    , m_tcp(new QTcpServer(this))
    , m_webSockets(new QWebSocketServer(u"valtessa"_s, QWebSocketServer::NonSecureMode, this))
    , m_clock([] { return QDateTime::currentMSecsSinceEpoch(); }) {
    m_webSockets->setHandshakeTimeout(requestSeconds * 1000);
    connect(m_tcp, &QTcpServer::newConnection, this, &ClassHost::acceptTcp);
    connect(m_webSockets, &QWebSocketServer::newConnection, this, &ClassHost::acceptWebSocket);
    m_round->setRecorder([this](const RoundEvent &event) { writeRecord(event); });
    m_keepAlive.setInterval(keepAliveSeconds * 1000);
    connect(&m_keepAlive, &QTimer::timeout, this, &ClassHost::keepAlive);
    m_retryRecords.setInterval(5000);
    connect(&m_retryRecords, &QTimer::timeout, this, &ClassHost::flushRecords);
}

ClassHost::~ClassHost() {
    stop();
}

bool ClassHost::listen(quint16 port) {
    if (!m_tcp->listen(QHostAddress::Any, port)) {
        m_error = m_tcp->serverError() == QAbstractSocket::AddressInUseError
                      ? u"портът "_s + QString::number(port) +
                            u" е зает от друга програма; изберете друг"_s
                      : u"кръгът не може да бъде отворен: "_s + m_tcp->errorString();
        return false;
    }
    m_error.clear();
    m_keepAlive.start();
    return true;
}

void ClassHost::stop() {
    m_keepAlive.stop();
    m_tcp->close();
    const auto sockets = m_connections.keys();
    for (QWebSocket *socket : sockets)
        socket->close(QWebSocketProtocol::CloseCodeGoingAway);
}

bool ClassHost::isListening() const {
    return m_tcp->isListening();
}

quint16 ClassHost::port() const {
    return m_tcp->serverPort();
}

QUrl ClassHost::joinLink() const {
    return classroom::joinLink(localNetworkAddress(), port(), m_round->code());
}

bool ClassHost::isOnline(int pupil) const {
    return m_online.contains(pupil);
}

qint64 ClassHost::offlineSince(int pupil) const {
    return m_offlineSince.value(pupil, 0);
}

QStringList ClassHost::heldNames() const {
    QStringList names;
    for (const Connection &connection : m_connections)
        if (!connection.heldName.isEmpty() && !names.contains(connection.heldName))
            names << connection.heldName;
    return names;
}

void ClassHost::acceptTcp() {
    while (QTcpSocket *socket = m_tcp->nextPendingConnection()) {
        const QHostAddress peer = socket->peerAddress();
        int fromPeer = 0;
        for (const Connection &connection : std::as_const(m_connections))
            fromPeer += connection.address.isEqual(peer) ? 1 : 0;
        // Only the room is answered; a flood of connections is turned away at the door.
        if (!isLocalNetwork(peer) || m_connections.size() >= maxWaitingConnections * 4 ||
            fromPeer >= maxConnectionsPerAddress ||
            m_tcp->findChildren<QTcpSocket *>().size() > maxWaitingConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A request's head is read whole before anything is done with it: no more is taken in.
        socket->setReadBufferSize(maxRequestHeadBytes + 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The socket stays the TCP server's child when the round's WebSocket takes it over, so
        // the deadline is a timer of its own that readRequest stops then.
        auto *deadline = new QTimer(socket);
        deadline->setObjectName(requestDeadlineName());
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, &QTcpSocket::abort);
        deadline->start(requestSeconds * 1000);
    }
}

// The request's line and headers, seen without taking them: the round's WebSocket reads them
// itself. Anything but the WebSocket's handshake is answered by the pupils' page and closed.
void ClassHost::readRequest(QTcpSocket *socket) {
    const auto parsed = parseRequestHead(socket->peek(maxRequestHeadBytes + 1));
    if (!parsed)
        return;
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    QByteArray response;
    if (const auto *refused = std::get_if<RefusedRequest>(&*parsed)) {
        response = httpError(refused->status);
    } else {
        const auto &request = std::get<RequestHead>(*parsed);
        if (request.path == "/ws" && request.method == "GET" && request.webSocketUpgrade) {
            // From here the handshake's timeout and then the time to join apply, and a pupil in
            // the round stays as long as its link answers.
            delete socket->findChild<QTimer *>(requestDeadlineName(), Qt::FindDirectChildrenOnly);
            socket->setReadBufferSize(0);
            m_webSockets->handleConnection(socket);
            return;
        }
        response =
            request.path == "/ws" ? httpError(400) : pageResponse(request, webSocketOf(*socket));
    }
    socket->write(response);
    socket->disconnectFromHost();
}

void ClassHost::acceptWebSocket() {
    while (QWebSocket *socket = m_webSockets->nextPendingConnection()) {
        socket->setParent(this);
        socket->setMaxAllowedIncomingMessageSize(maxClientMessageBytes);
        socket->setMaxAllowedIncomingFrameSize(maxClientMessageBytes);
        m_connections.insert(socket, {socket, socket->peerAddress(), 0, {}, now()});
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, socket](const QString &text) { receive(socket, text); });
        connect(socket, &QWebSocket::binaryMessageReceived, this,
                [this, socket] { refuseAndClose(socket, u"съобщението не е текст"_s); });
        connect(socket, &QWebSocket::pong, this, [this, socket] {
            if (auto found = m_connections.find(socket); found != m_connections.end())
                found->lastHeard = now();
        });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { dropped(socket); });
        // A connection that neither joins nor comes back in time is closed.
        QTimer::singleShot(requestSeconds * 1000, socket, [this, socket] {
            const auto found = m_connections.constFind(socket);
            if (found != m_connections.constEnd() && found->pupil == 0 && found->heldName.isEmpty())
                refuseAndClose(socket, u"не е поискано влизане в кръга"_s);
        });
    }
}

void ClassHost::receive(QWebSocket *socket, const QString &text) {
    const auto found = m_connections.find(socket);
    if (found == m_connections.end())
        return;
    found->lastHeard = now();
    const auto parsed = parseClientMessage(text.toUtf8());
    if (const auto *bad = std::get_if<BadMessage>(&parsed)) {
        refuseAndClose(socket, bad->reason);
        return;
    }
    handle(*found, std::get<ClientMessage>(parsed));
}

void ClassHost::handle(Connection &connection, const ClientMessage &message) {
    QWebSocket *socket = connection.socket;
    if (const auto *join = std::get_if<Join>(&message)) {
        if (connection.pupil != 0 || !connection.heldName.isEmpty())
            return refuseAndClose(socket, u"вече сте в кръга"_s);
        if (heldOff(connection.address))
            return refuseAndClose(socket, u"твърде много опити с грешен код от това място; "
                                          u"опитайте отново след минута"_s);
        // A pupil the teacher removed, back on the same device under another name, waits for
        // the teacher as a name already in the round does.
        if (join->code == m_round->code() &&
            m_removedFrom.contains(connection.address.toString()) && !isInRound(join->name)) {
            connection.heldName = join->name;
            send(socket, {Held{u"от това устройство учителят отстрани ученик; изчакайте "
                               u"учителят да ви пусне"_s}});
            emit changed();
            return;
        }
        const ClassRound::Answer answer = m_round->join(*join, now());
        if (answer.pupil == 0 && !answer.replies.empty() &&
            std::holds_alternative<Held>(answer.replies.front())) {
            connection.heldName = join->name;
            send(socket, answer.replies);
            emit changed();
            return;
        }
        if (answer.pupil == 0 && join->code != m_round->code())
            noteWrongCode(connection.address);
        deliver(answer, socket);
        return;
    }
    if (const auto *ask = std::get_if<AskNames>(&message)) {
        if (heldOff(connection.address))
            return refuseAndClose(socket, u"твърде много опити с грешен код от това място; "
                                          u"опитайте отново след минута"_s);
        if (ask->code != m_round->code()) {
            noteWrongCode(connection.address);
            return refuseAndClose(socket, u"кодът не е верен; вижте кода на екрана на учителя"_s);
        }
        QStringList free;
        for (const QString &name : std::as_const(m_classList))
            if (!isInRound(name))
                free << name;
        send(socket, {Names{free}});
        return;
    }
    if (const auto *resume = std::get_if<Resume>(&message)) {
        if (connection.pupil != 0 || !connection.heldName.isEmpty())
            return refuseAndClose(socket, u"вече сте в кръга"_s);
        const ClassRound::Answer answer = m_round->resume(*resume, now());
        // A pupil playing on one machine is not taken over from another with its token: that
        // waits for the teacher, as a name already in the round does. From the same machine (a
        // reloaded page, a cable back in) it goes on at once.
        if (QWebSocket *owner = m_online.value(answer.pupil);
            answer.pupil != 0 && owner != nullptr && owner != socket &&
            !m_connections.value(owner).address.isEqual(connection.address)) {
            connection.heldName = m_round->pupil(answer.pupil)->name;
            send(socket, {Held{u"този ученик вече играе на друго място; изчакайте учителят да "
                               u"ви пусне"_s}});
            emit changed();
            return;
        }
        deliver(answer, socket);
        return;
    }
    if (connection.pupil == 0)
        return refuseAndClose(socket, u"първо влезте в кръга"_s);
    if (const auto *check = std::get_if<Check>(&message))
        deliver(m_round->check(connection.pupil, *check, now()), socket);
    else if (const auto *again = std::get_if<Again>(&message))
        deliver(m_round->again(connection.pupil, *again, now()), socket);
    else if (std::holds_alternative<Leave>(message))
        socket->close();
}

void ClassHost::send(QWebSocket *socket, const std::vector<HostMessage> &replies) {
    if (socket == nullptr)
        return;
    for (const HostMessage &reply : replies)
        socket->sendTextMessage(QString::fromUtf8(encode(reply)));
}

// Sends the answer to the pupil it is for, on this connection, which becomes the pupil's; an
// answer that refuses closes the connection.
void ClassHost::deliver(const ClassRound::Answer &answer, QWebSocket *socket) {
    if (answer.pupil == 0) {
        const auto *refused =
            answer.replies.empty() ? nullptr : std::get_if<Refused>(&answer.replies.front());
        refuseAndClose(socket, refused != nullptr ? refused->reason : u"отказано"_s);
        return;
    }
    auto found = m_connections.find(socket);
    if (found != m_connections.end() && found->pupil != answer.pupil) {
        // The pupil's older connection, if any, gives way to this one.
        if (QWebSocket *older = m_online.value(answer.pupil); older != nullptr && older != socket) {
            m_connections[older].pupil = 0;
            refuseAndClose(older, u"ученикът продължи на друго място"_s);
        }
        found->pupil = answer.pupil;
        found->heldName.clear();
        m_online.insert(answer.pupil, socket);
        m_addressOf.insert(answer.pupil, found->address.toString());
        m_offlineSince.remove(answer.pupil);
    }
    send(socket, answer.replies);
    emit changed();
}

void ClassHost::refuseAndClose(QWebSocket *socket, const QString &reason) {
    if (socket == nullptr)
        return;
    send(socket, {Refused{reason}});
    socket->close(QWebSocketProtocol::CloseCodePolicyViolated, reason.left(60));
}

void ClassHost::dropped(QWebSocket *socket) {
    const Connection connection = m_connections.take(socket);
    socket->deleteLater();
    if (connection.pupil != 0 && m_online.value(connection.pupil) == socket) {
        m_online.remove(connection.pupil);
        m_offlineSince.insert(connection.pupil, now());
        m_round->noteDrop(connection.pupil, now());
    }
    emit changed();
}

// Pings every pupil; one silent for too long is dropped, as a pulled cable would be.
void ClassHost::keepAlive() {
    const qint64 moment = now();
    const auto sockets = m_connections.keys();
    for (QWebSocket *socket : sockets) {
        const Connection &connection = m_connections[socket];
        if (moment - connection.lastHeard > silenceLimitSeconds * 1000)
            socket->abort();
        else
            sendAlive(socket);
    }
    emit changed(); // the times shown move on
}

// A ping, which a pupil's program answers, and a message a browser's page can hear: a page has
// no pings of its own, and tells a dead link by the silence.
void ClassHost::sendAlive(QWebSocket *socket) {
    socket->ping();
    socket->sendTextMessage(QString::fromUtf8(encode(HostMessage(Alive{}))));
}

void ClassHost::approve(const QString &name) {
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->heldName != name)
            continue;
        QWebSocket *socket = it->socket;
        // A name new to the round (held for the device it came from) joins as any new name does.
        deliver(isInRound(name) ? m_round->approve(name, now())
                                : m_round->join({m_round->code(), name}, now()),
                socket);
        break;
    }
    emit changed();
}

void ClassHost::turnAway(const QString &name) {
    const auto sockets = m_connections.keys();
    for (QWebSocket *socket : sockets)
        if (m_connections[socket].heldName == name)
            refuseAndClose(socket, u"учителят не ви пусна"_s);
    emit changed();
}

bool ClassHost::isInRound(const QString &name) const {
    const auto pupils = m_round->pupils();
    return std::any_of(pupils.begin(), pupils.end(), [&name](const PupilFigures &pupil) {
        return pupil.name.compare(name, Qt::CaseInsensitive) == 0;
    });
}

void ClassHost::removePupil(int pupil) {
    m_round->remove(pupil, now());
    if (const QString address = m_addressOf.value(pupil); !address.isEmpty())
        m_removedFrom.insert(address);
    if (QWebSocket *socket = m_online.value(pupil))
        refuseAndClose(socket, u"учителят ви отстрани от кръга"_s);
    emit changed();
}

void ClassHost::endRound() {
    for (const ClassRound::Answer &answer : m_round->end(now()))
        send(m_online.value(answer.pupil), answer.replies);
    emit changed();
}

void ClassHost::writeRecord(const RoundEvent &event) {
    m_unwritten.push_back(event);
    flushRecords();
}

void ClassHost::flushRecords() {
    if (m_records == nullptr) {
        m_unwritten.clear();
        return;
    }
    const bool hadProblem = m_retryRecords.isActive();
    while (!m_unwritten.empty()) {
        if (!m_records->addEvent(m_recordsRound, m_unwritten.front())) {
            if (!hadProblem)
                m_retryRecords.start();
            emit recordsProblem(m_records->error());
            return;
        }
        m_unwritten.pop_front();
    }
    if (hadProblem) {
        m_retryRecords.stop();
        emit recordsProblem({});
    }
}

bool ClassHost::heldOff(const QHostAddress &address) {
    return m_heldOffUntil.value(address.toString(), 0) > now();
}

void ClassHost::noteWrongCode(const QHostAddress &address) {
    const QString key = address.toString();
    QList<qint64> &times = m_wrongCodes[key];
    const qint64 moment = now();
    times.removeIf([moment](qint64 at) { return moment - at > wrongCodeWindow; });
    times.append(moment);
    if (times.size() >= wrongCodesAllowed) {
        m_heldOffUntil.insert(key, moment + holdOff);
        times.clear();
    }
}

} // namespace classroom
