// Any bytes a browser, or anything else on the room's network, could send the round's port
// before its WebSocket: read as the host reads a request's head and, when it is one, answered by
// the pupils' page. Nothing crashes, hangs or leaks; the head is read only once it is whole and
// within the caps; every answer is a whole HTTP/1.1 response with the page's security headers.
#include "classroom/round/httprequest.h"
#include "classroom/round/pupilspage.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

int statusOf(const QByteArray &response) {
    require(response.startsWith("HTTP/1.1 "));
    require(response.contains("\r\nContent-Security-Policy: default-src 'none';"));
    require(response.contains("\r\n\r\n"));
    return response.mid(9, 3).toInt();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace classroom;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto parsed = parseRequestHead(bytes);
    if (!parsed) {
        // Nothing yet: the head is not whole and still within its cap.
        require(!bytes.contains("\r\n\r\n") && bytes.size() <= maxRequestHeadBytes);
        return 0;
    }
    if (const auto *refused = std::get_if<RefusedRequest>(&*parsed)) {
        require(refused->status >= 400 && refused->status < 600);
        require(statusOf(httpError(refused->status)) == refused->status);
        return 0;
    }
    const auto &request = std::get<RequestHead>(*parsed);
    require(request.path.startsWith('/') && !request.path.contains('?'));
    require(request.headers.size() <= maxRequestHeaders);
    for (const auto &[name, value] : request.headers)
        require(!name.isEmpty() && name == name.toLower() && !value.contains('\n'));
    const int status = statusOf(pageResponse(request));
    require(status == 200 || status == 404 || status == 405);
    // Only the page's own files are ever found.
    require(status != 200 || request.path == "/" || request.path == "/valtessa.js" ||
            request.path == "/valtessa.css" || request.path == "/icon.png");
    return 0;
}
