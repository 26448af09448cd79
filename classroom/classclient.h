#pragma once

#include "classroom/localnetwork.h"
#include "classroom/round/protocol.h"

#include <QObject>
#include <QTimer>
#include <QUrl>

#include <optional>

class QWebSocket;

namespace classroom {

// A pupil's side of a class round: joins the teacher's round, sends each check and new attempt
// and hands on what the teacher's program decides. When the link drops it keeps what it was
// doing, connects again by itself, comes back with its token, and sends again the request that
// had no answer yet, which the host answers once.
class ClassClient : public QObject {
    Q_OBJECT

public:
    ClassClient(RoundAddress address, QString name, QObject *parent = nullptr);
    ~ClassClient() override;

    void connectToRound();
    // Asks the host to decide a check of these entries, one of each list in play; the verdict
    // comes with verdict(). A check asked while one is on its way is not sent.
    bool check(const QStringList &choice);
    // „Изчисти“, or a practice of the rows missed: the next attempt comes with started().
    bool again(bool practice);
    // Leaves the round for good.
    void leave();

    bool isOnline() const { return m_online; }
    bool isWaiting() const { return m_pending.has_value(); }
    const RoundAddress &address() const { return m_address; }
    const QString &name() const { return m_name; }

signals:
    void welcomed(const classroom::Welcome &welcome);
    void verdict(const classroom::Verdict &verdict);
    void started(const classroom::Attempt &attempt);
    void finished(const classroom::Finished &finished);
    // The teacher has to let the pupil in.
    void held(const QString &reason);
    // The round will not have the pupil: it has stopped trying.
    void refused(const QString &reason);
    // The link is up (true) or has dropped and is being made again (false).
    void onlineChanged(bool online);

private:
    void open();
    void opened();
    void closed();
    void receive(const QString &text);
    void send(const ClientMessage &message);
    void retryLater();

    RoundAddress m_address;
    QString m_name;
    QWebSocket *m_socket;
    QString m_token;
    qint64 m_nextSerial = 1;
    std::optional<ClientMessage> m_pending; // a request still without its answer
    bool m_online = false;
    bool m_welcomed = false;
    bool m_stopped = false;
    int m_attempts = 0; // connections tried since the link was last up
    QTimer m_retry;
    QTimer m_silence;
    QTimer m_ping;
};

} // namespace classroom
