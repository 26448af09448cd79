#include "classroom/round/httprequest.h"

namespace classroom {

namespace {

// A token of RFC 9110: a method or a header's name.
bool isToken(const QByteArray &text) {
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        const bool allowed = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') ||
                             (u >= 'A' && u <= 'Z') ||
                             QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
        if (!allowed)
            return false;
    }
    return true;
}

// What a request target or a header's value may hold: visible ASCII (and, in values, blanks and
// the bytes of UTF-8 text); never a control character.
bool isVisible(const QByteArray &text, bool blanksAllowed) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            if (!(blanksAllowed && u == '\t'))
                return false;
        } else if (u == ' ' && !blanksAllowed) {
            return false;
        }
    }
    return true;
}

QByteArray reasonOf(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

} // namespace

QByteArray RequestHead::header(const QByteArray &name) const {
    for (const auto &[key, value] : headers)
        if (key == name)
            return value;
    return {};
}

std::optional<std::variant<RequestHead, RefusedRequest>> parseRequestHead(const QByteArray &bytes) {
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    const qsizetype lineEnd = bytes.indexOf("\r\n");
    if ((lineEnd < 0 && bytes.size() > maxRequestLineBytes) || lineEnd > maxRequestLineBytes)
        return RefusedRequest{414};
    if (end < 0)
        return bytes.size() > maxRequestHeadBytes ? std::optional(RefusedRequest{431})
                                                  : std::nullopt;
    if (end + 4 > maxRequestHeadBytes)
        return RefusedRequest{431};
    const QList<QByteArray> lines = bytes.first(end).split('\n');
    // Every line ends in CR LF, and nothing comes before the request line.
    for (const QByteArray &line : lines.first(lines.size() - 1))
        if (!line.endsWith('\r'))
            return RefusedRequest{400};
    const QList<QByteArray> parts = lines[0].chopped(lines.size() > 1 ? 1 : 0).split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || !parts[1].startsWith('/') ||
        !isVisible(parts[1], false))
        return RefusedRequest{400};
    if (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0")
        return RefusedRequest{505};
    RequestHead head;
    head.method = parts[0];
    const qsizetype question = parts[1].indexOf('?');
    head.path = question < 0 ? parts[1] : parts[1].first(question);
    head.query = question < 0 ? QByteArray() : parts[1].mid(question + 1);
    if (lines.size() - 1 > maxRequestHeaders)
        return RefusedRequest{431};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = i + 1 < lines.size() ? lines[i].chopped(1) : lines[i];
        const qsizetype colon = line.indexOf(':');
        // A header folded over lines, a name with a blank before its colon: both refused.
        if (colon <= 0 || !isToken(line.first(colon)) || !isVisible(line.mid(colon + 1), true))
            return RefusedRequest{400};
        head.headers.append({line.first(colon).toLower(), line.mid(colon + 1).trimmed()});
    }
    const QByteArray connection = head.header("connection").toLower();
    head.webSocketUpgrade =
        head.header("upgrade").toLower() == "websocket" && connection.contains("upgrade");
    return head;
}

QByteArray httpResponse(int status, const QByteArray &contentType, const QByteArray &body,
                        bool headOnly, const QByteArray &webSocket) {
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonOf(status) +
                          "\r\nContent-Type: " + contentType +
                          "\r\nContent-Length: " + QByteArray::number(body.size()) +
                          "\r\nContent-Security-Policy: default-src 'none'; script-src 'self'; "
                          "style-src 'self'; img-src 'self'; connect-src 'self'" +
                          (webSocket.isEmpty() ? QByteArray() : ' ' + webSocket) +
                          "; "
                          "base-uri 'none'; form-action 'none'; frame-ancestors 'none'"
                          "\r\nX-Content-Type-Options: nosniff"
                          "\r\nX-Frame-Options: DENY"
                          "\r\nReferrer-Policy: no-referrer"
                          "\r\nCross-Origin-Resource-Policy: same-origin"
                          "\r\nCache-Control: no-store"
                          "\r\nConnection: close\r\n";
    // A method refused says which ones are allowed.
    if (status == 405)
        response += "Allow: GET, HEAD\r\n";
    response += "\r\n";
    if (!headOnly)
        response += body;
    return response;
}

QByteArray httpError(int status) {
    return httpResponse(status, "text/plain; charset=utf-8", reasonOf(status) + '\n');
}

} // namespace classroom
