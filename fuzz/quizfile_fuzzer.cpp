// Any bytes given to the quiz reader, as a file or as cells pasted from either kind of spreadsheet,
// open as a quiz that writes and reads back unchanged, or give an error that says where and why;
// nothing crashes, hangs or leaks.
#include "quizchecks.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    quizchecks::check(bytes, QStringLiteral("Тест.csv"));
    for (const auto format : {quizfile::PastedCells::PlainText, quizfile::PastedCells::LibreOffice})
        quizchecks::checkResult(quizfile::parsePastedCells(bytes, format),
                                quizfile::pastedTextName.toString());
    return 0;
}
