#include "classroom/localnetwork.h"

#include <QNetworkInterface>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace classroom {

bool isLocalNetwork(const QHostAddress &address) {
    bool isIpv4 = false;
    const quint32 v4 = address.toIPv4Address(&isIpv4); // IPv4 written as IPv6 too
    if (isIpv4) {
        return (v4 >> 24) == 127 || (v4 >> 24) == 10 || (v4 >> 20) == ((172u << 4) | 1) ||
               (v4 >> 16) == ((192u << 8) | 168) || (v4 >> 16) == ((169u << 8) | 254);
    }
    if (address.protocol() != QAbstractSocket::IPv6Protocol)
        return false;
    const Q_IPV6ADDR v6 = address.toIPv6Address();
    if (address.isLoopback())
        return true;
    return (v6[0] & 0xFE) == 0xFC ||                  // unique-local fc00::/7
           (v6[0] == 0xFE && (v6[1] & 0xC0) == 0x80); // link-local fe80::/10
}

QHostAddress localNetworkAddress() {
    QHostAddress best;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            const QHostAddress address = entry.ip();
            if (!isLocalNetwork(address))
                continue;
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                return address;
            if (best.isNull())
                best = address;
        }
    }
    return best.isNull() ? QHostAddress(QHostAddress::LocalHost) : best;
}

QUrl joinLink(const QHostAddress &address, quint16 port, const QString &code) {
    QUrl link;
    link.setScheme(u"http"_s);
    link.setHost(address.toString());
    link.setPort(port);
    link.setPath(u"/"_s);
    link.setQuery(u"code="_s + code);
    return link;
}

std::optional<RoundAddress> parseRoundAddress(const QString &text, quint16 defaultPort) {
    QString written = text.trimmed();
    if (written.isEmpty())
        return std::nullopt;
    if (!written.contains(u"://"_s))
        written.prepend(u"http://"_s);
    const QUrl url(written, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != u"http" && url.scheme() != u"ws"))
        return std::nullopt;
    const int port = url.port(defaultPort);
    if (port <= 0 || port > 65535)
        return std::nullopt;
    return RoundAddress{url.host(), quint16(port), QUrlQuery(url).queryItemValue(u"code"_s)};
}

} // namespace classroom
