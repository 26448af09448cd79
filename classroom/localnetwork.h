#pragma once

#include <QHostAddress>
#include <QString>
#include <QUrl>

#include <optional>

namespace classroom {

// Whether a peer is on the local network, the only peers the round answers: loopback, the
// private IPv4 ranges (10/8, 172.16/12, 192.168/16), link-local (169.254/16, fe80::/10) and
// IPv6 unique-local (fc00::/7) addresses, and IPv4 ones written as IPv6.
bool isLocalNetwork(const QHostAddress &address);

// The address pupils use to reach this machine: its first local-network address on a running
// interface that is not loopback (IPv4 first), else loopback.
QHostAddress localNetworkAddress();

// The link a round is joined by, which its QR code holds: http://ADDRESS:PORT/?code=NNNN.
QUrl joinLink(const QHostAddress &address, quint16 port, const QString &code);

// What a pupil types or scans: the join link, or an address with its port („169.254.1.5:47474“)
// and the code apart.
struct RoundAddress {
    QString host;
    quint16 port = 0;
    QString code; // empty when the link had none
};
std::optional<RoundAddress> parseRoundAddress(const QString &text, quint16 defaultPort);

// The default port of a round, documented for labs whose firewalls must let it through.
inline constexpr quint16 defaultPort = 47474;

} // namespace classroom
