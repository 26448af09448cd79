#include "classroom/round/pupilspage.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace classroom {

namespace {

struct PageFile {
    QByteArrayView path;
    QString resource;
    QByteArray contentType;
};

const PageFile *pageFile(const QByteArray &path) {
    static const PageFile files[] = {
        {"/", u":/page/index.html"_s, "text/html; charset=utf-8"},
        {"/valtessa.js", u":/page/valtessa.js"_s, "text/javascript; charset=utf-8"},
        {"/valtessa.css", u":/page/valtessa.css"_s, "text/css; charset=utf-8"},
        {"/icon.png", u":/page/icon.png"_s, "image/png"},
    };
    for (const PageFile &file : files)
        if (file.path == path)
            return &file;
    return nullptr;
}

} // namespace

QByteArray pageResponse(const RequestHead &request, const QByteArray &webSocket) {
    if (request.method != "GET" && request.method != "HEAD")
        return httpError(405);
    const PageFile *file = pageFile(request.path);
    if (file == nullptr)
        return httpError(404);
    QFile resource(file->resource);
    if (!resource.open(QIODevice::ReadOnly))
        return httpError(404);
    return httpResponse(200, file->contentType, resource.readAll(), request.method == "HEAD",
                        webSocket);
}

} // namespace classroom
