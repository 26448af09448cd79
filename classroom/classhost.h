#pragma once

#include "classroom/classrecords.h"
#include "classroom/round/classround.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;
class QWebSocket;
class QWebSocketServer;

namespace classroom {

// The teacher's program as the server of a class round: one port for the pupils' page and the
// round's WebSocket (at /ws), answering only peers on the local network, while the round runs.
// Everything a pupil sends is untrusted: a message that is not one, or is too large, closes that
// pupil's connection only; joins with a wrong code are refused and, tried too often from one
// address, held off; a name already in the round waits for the teacher. Every event goes to the
// class records as it happens; a write that fails is kept and written again, and the teacher is
// told until it has been.
class ClassHost : public QObject {
    Q_OBJECT

public:
    // The host of round, written to records (which may be null: a round not kept) as round
    // recordsRound.
    ClassHost(std::unique_ptr<ClassRound> round, ClassRecords *records, int recordsRound,
              QObject *parent = nullptr);
    ~ClassHost() override;

    // Starts listening on every address at port; false, with error(), when it cannot (the port
    // is taken).
    bool listen(quint16 port);
    // Stops listening and closes every connection.
    void stop();
    bool isListening() const;
    quint16 port() const;
    const QString &error() const { return m_error; }
    // What pupils use to join: the link with this machine's local-network address.
    QUrl joinLink() const;

    ClassRound &round() { return *m_round; }
    const ClassRound &round() const { return *m_round; }
    int recordsRound() const { return m_recordsRound; }

    // Whether the pupil is connected now, and since when it is not (milliseconds since 1970).
    bool isOnline(int pupil) const;
    qint64 offlineSince(int pupil) const;
    // The names that wait for the teacher to let them in.
    QStringList heldNames() const;

    // The names of the class, which pupils choose from when they join; empty when pupils type
    // their names.
    void setClassList(const QStringList &names) { m_classList = names; }
    const QStringList &classList() const { return m_classList; }

    // The teacher's answers: let a held name in, turn it away; remove a pupil; end the round.
    void approve(const QString &name);
    void turnAway(const QString &name);
    void removePupil(int pupil);
    void endRound();

    // The clock the round is told of; tests may set their own.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

signals:
    // A pupil's figures, the class's or the held names have changed.
    void changed();
    // The records could not be written (message), or can again (empty message).
    void recordsProblem(const QString &message);

private:
    struct Connection {
        QPointer<QWebSocket> socket;
        QHostAddress address;
        int pupil = 0;    // 0 until the pupil has joined
        QString heldName; // waiting for the teacher under this name
        qint64 lastHeard = 0;
    };

    void acceptTcp();
    void readRequest(QTcpSocket *socket);
    void acceptWebSocket();
    void receive(QWebSocket *socket, const QString &text);
    void handle(Connection &connection, const ClientMessage &message);
    void send(QWebSocket *socket, const std::vector<HostMessage> &replies);
    void deliver(const ClassRound::Answer &answer, QWebSocket *socket);
    void refuseAndClose(QWebSocket *socket, const QString &reason);
    void dropped(QWebSocket *socket);
    void keepAlive();
    void sendAlive(QWebSocket *socket);
    void writeRecord(const RoundEvent &event);
    void flushRecords();
    bool heldOff(const QHostAddress &address);
    bool isInRound(const QString &name) const;
    void noteWrongCode(const QHostAddress &address);
    qint64 now() const { return m_clock(); }

    std::unique_ptr<ClassRound> m_round;
    ClassRecords *m_records;
    int m_recordsRound;
    QTcpServer *m_tcp;
    QWebSocketServer *m_webSockets;
    QHash<QWebSocket *, Connection> m_connections;
    QHash<int, QWebSocket *> m_online; // each pupil's connection
    QHash<int, QString> m_addressOf;   // where each pupil last joined or came back from
    QSet<QString> m_removedFrom;       // the addresses of pupils the teacher removed
    QHash<int, qint64> m_offlineSince;
    QHash<QString, QList<qint64>> m_wrongCodes; // by address: when codes were wrong
    QHash<QString, qint64> m_heldOffUntil;
    std::deque<RoundEvent> m_unwritten;
    QTimer m_keepAlive;
    QTimer m_retryRecords;
    QStringList m_classList;
    std::function<qint64()> m_clock;
    QString m_error;
};

} // namespace classroom
