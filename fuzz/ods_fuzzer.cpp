// The .ods reader on any sheet XML: the input is the content.xml of a spreadsheet archive.
#include "quizchecks.h"
#include "spreadsheetfixture.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    quizchecks::check(
        spreadsheetfixture::zip({{u"mimetype"_qs, "application/vnd.oasis.opendocument.spreadsheet"},
                                 {u"content.xml"_qs, content}}),
        QStringLiteral("Тест.ods"));
    return 0;
}
