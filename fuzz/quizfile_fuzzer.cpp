// Any bytes given to the quiz reader open as a quiz that writes and reads back unchanged, or
// give an error that says where and why; nothing crashes, hangs or leaks.
#include "quizchecks.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    quizchecks::check(QByteArrayView(data, qsizetype(size)), QStringLiteral("Тест.csv"));
    return 0;
}
