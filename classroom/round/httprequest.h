#pragma once

#include <QByteArray>
#include <QList>

#include <optional>
#include <variant>

// The front of the round's port for the pupils' web page: the head of an HTTP/1.1 request read
// strictly, and the page's few answers. Everything a browser sends is untrusted: caps on the
// request line, the headers and their number, one way to write each part, and a status for what
// is refused.
namespace classroom {

inline constexpr qsizetype maxRequestHeadBytes = 8 * 1024;
inline constexpr qsizetype maxRequestLineBytes = 2 * 1024;
inline constexpr int maxRequestHeaders = 64;

struct RequestHead {
    QByteArray method;                                // "GET", "HEAD", …
    QByteArray path;                                  // before any '?'
    QByteArray query;                                 // after it, without it
    QList<std::pair<QByteArray, QByteArray>> headers; // names in lower case, values trimmed
    bool webSocketUpgrade = false; // "Upgrade: websocket" with "Connection: upgrade"

    QByteArray header(const QByteArray &name) const;
};

// A request the front refuses: the status to answer with.
struct RefusedRequest {
    int status; // 400, 405, 414, 431, 505
};

// Reads the head of a request that has come so far: nothing while it is not whole (and not yet
// over the caps), the head when it is, or the status to refuse it with.
std::optional<std::variant<RequestHead, RefusedRequest>> parseRequestHead(const QByteArray &bytes);

// A whole response: status, the headers every answer of the page carries (no caching, no
// sniffing, no framing, no referrer, a content security policy that allows only the page's own
// origin, and webSocket, the round's "ws://ADDRESS:PORT", which older browsers do not count as
// the page's own), and the body; HEAD gets the headers alone.
QByteArray httpResponse(int status, const QByteArray &contentType, const QByteArray &body,
                        bool headOnly = false, const QByteArray &webSocket = {});
// A short plain-text answer with a status: 404, 405, 431…
QByteArray httpError(int status);

} // namespace classroom
