// The .kvtml reader on any vocabulary: the input is the file.
#include "quizchecks.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    quizchecks::check(QByteArrayView(data, qsizetype(size)), QStringLiteral("Тест.kvtml"));
    return 0;
}
