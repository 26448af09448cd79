#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

#include <optional>

// Rounds on the local network through DNS-SD, with avahi-daemon, the desktop's own service
// discovery, over its D-Bus interface on the system bus. The teacher's program lists its round
// while the round runs; the pupils' join dialog lists the rounds it finds. Finding is only a
// convenience: where there is no system bus or no avahi-daemon, both say so and do nothing else,
// and a pupil types the teacher's address. Nothing here talks to anything but the local
// avahi-daemon, nothing waits for it on the calling thread, and the join code is never published.

namespace classroom {

class AvahiLink;

// The DNS-SD service type of a round.
inline constexpr char roundServiceType[] = "_valtessa._tcp";

// A round found on the local network.
struct FoundRound {
    // The round's name on the network, unique there („Битки — lab-pc-03“): the key of the round.
    QString name;
    // The quiz title, as the host published it, for showing.
    QString title;
    // The host's name on the network („lab-pc-03.local“).
    QString hostName;
    // Where the round answers, IPv4 first; a link-local IPv6 address carries the interface
    // it is reached through as its scope.
    QList<QHostAddress> addresses;
    quint16 port = 0;
    // The version of the round's protocol the host speaks; 0 when it did not say.
    int protocolVersion = 0;

    friend bool operator==(const FoundRound &, const FoundRound &) = default;
};

// The name a round is published under: the quiz title and the host name, „Битки — lab-pc-03“,
// cut (by whole characters, with „…“) to the 63 bytes of UTF-8 a DNS-SD name may have.
QString roundServiceName(const QString &title, const QString &hostName);

// The TXT record of a round: its protocol version (v=) and its title (title=), each string within
// the 255 bytes DNS-SD allows.
QList<QByteArray> roundTxtRecord(const QString &title, int protocolVersion);

// What a round's TXT record says, read as DNS-SD reads it: keys in any case, the first of a
// repeated key counts, anything unknown or malformed is left out. It comes from any host on the
// network, so the title is cleaned of control characters.
struct RoundTxt {
    QString title;
    int protocolVersion = 0;
};
RoundTxt readRoundTxt(const QList<QByteArray> &record);

// An address as avahi-daemon resolves it, found on the interface with the given index; null if
// it is no address, or a link-local IPv6 address without an interface to reach it through.
QHostAddress roundAddress(const QString &address, int interfaceIndex);

// What the publisher and the browser share: whether avahi-daemon can be used.
class Discovery : public QObject {
    Q_OBJECT

public:
    enum class Availability {
        Unknown,     // still asking avahi-daemon
        Available,   // avahi-daemon answers
        Unavailable, // no system bus, no avahi-daemon, or it failed: errorString() says which
    };
    Q_ENUM(Availability)

    ~Discovery() override;

    Availability availability() const { return m_availability; }
    // Why finding or publishing rounds does not work, in Bulgarian; empty when it does.
    QString errorString() const { return m_error; }

signals:
    void availabilityChanged(classroom::Discovery::Availability availability);

protected:
    // An empty bus address means the system bus.
    Discovery(const QString &busAddress, QObject *parent);

    AvahiLink *link() const { return m_link; }
    void setAvailability(Availability availability, const QString &error = {});

private:
    friend class AvahiLink;

    AvahiLink *m_link;
    Availability m_availability = Availability::Unknown;
    QString m_error;
};

// Lists the teacher's round on the local network while it runs.
class RoundPublisher : public Discovery {
    Q_OBJECT

public:
    // On the system bus, or on the D-Bus bus at busAddress (a test's own).
    explicit RoundPublisher(QObject *parent = nullptr);
    explicit RoundPublisher(const QString &busAddress, QObject *parent = nullptr);
    // Takes the round off the network.
    ~RoundPublisher() override;

    // Lists the round titled title, answering on port, in place of what was listed before.
    // May be called at any time: the round is listed as soon as avahi-daemon is ready, and
    // listed again after avahi-daemon restarts or the host is renamed.
    void publish(const QString &title, quint16 port, int protocolVersion);
    // Takes the round off the network.
    void unpublish();

    // The name the round is listed under now; empty while it is not listed.
    QString publishedName() const { return m_publishedName; }

signals:
    // The round is listed under name. It comes again each time the round is listed anew: under
    // another name after a collision or a host rename, or after avahi-daemon restarts.
    void published(const QString &name);
    // avahi-daemon would not list the round, for the reason in error (Bulgarian).
    void failed(const QString &error);

private:
    void advance();
    void addService();
    void takeAlternativeName();
    void groupStateChanged(int state);
    void fail(const QString &error);
    void serverStopped(bool daemonGone);

    bool m_wanted = false;
    QString m_title;
    quint16 m_port = 0;
    int m_protocolVersion = 0;

    // What avahi-daemon gave for this run of its server: a host rename or a restart starts
    // another run, and replies asked for in an earlier one are dropped.
    quint64 m_run = 0;
    QString m_hostName;
    bool m_hostNamePending = false;
    QString m_groupPath;
    bool m_groupPending = false;

    // Every publish(), unpublish() and new name is a generation; a reply to an older one is
    // ignored, and the group's state counts only once the current generation is committed.
    quint64 m_generation = 0;
    quint64 m_sent = 0;
    quint64 m_committed = 0;
    QString m_name;
    int m_renames = 0;
    QString m_publishedName;
};

// Finds the rounds on the local network, for the join dialog.
class RoundBrowser : public Discovery {
    Q_OBJECT

public:
    // Starts looking at once: on the system bus, or on the D-Bus bus at busAddress.
    explicit RoundBrowser(QObject *parent = nullptr);
    explicit RoundBrowser(const QString &busAddress, QObject *parent = nullptr);
    ~RoundBrowser() override;

    // The rounds found now, by name.
    QList<FoundRound> rounds() const;

signals:
    void roundFound(const classroom::FoundRound &round);
    // A round already found has an address more or less, or a new port or title.
    void roundChanged(const classroom::FoundRound &round);
    void roundLost(const QString &name);

private:
    // One way a round is seen: an interface and an IP protocol of mDNS.
    struct Sighting {
        int interfaceIndex = 0;
        int protocol = 0;
        QString domain;
        quint64 serial = 0;
        bool resolved = false;
        QString hostName;
        QHostAddress address;
        quint16 port = 0;
        QList<QByteArray> txt;
    };
    struct Entry {
        QList<Sighting> sightings;
        std::optional<FoundRound> reported;
    };

    void start();
    void itemNew(int interfaceIndex, int protocol, const QString &name, const QString &domain);
    void itemRemove(int interfaceIndex, int protocol, const QString &name);
    void resolved(const QString &name, quint64 serial, const QVariantList &reply);
    void update(const QString &name);
    void loseAll();

    QString m_browserPath;
    bool m_browserPending = false;
    quint64 m_serial = 0;
    QMap<QString, Entry> m_entries;
};

} // namespace classroom
