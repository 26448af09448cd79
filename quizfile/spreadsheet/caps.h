#pragma once

#include <QString>

namespace quizfile {

// Spreadsheets (.ods, .xlsx) are ZIP archives of XML parts and vocabularies (.kvtml) are XML:
// files from outside, read with these caps so that a hostile one (a zip bomb, a swollen table,
// deep nesting) is refused within a second and in bounded memory, with the cap in the message.
// The largest quiz (32 767 rows, 16 MiB as CSV) unpacks to about 36 MiB of XML: honest files
// stay well inside them.
// - All the parts read from one file, unpacked; nothing is ever unpacked to disk.
inline constexpr qint64 maxUnpackedBytes = qint64{64} * 1024 * 1024;
// - Unpacked to packed size of a part over 1 MiB: sheets pack 4 to 15 times, a zip bomb about
//   1 000 times.
inline constexpr int maxPackedRatio = 100;
inline constexpr qint64 packedRatioFrom = qint64{1024} * 1024;
// - Parts in one archive: a workbook has some ten, with pictures some hundred.
inline constexpr int maxArchiveEntries = 10000;
// - Nesting of XML elements: sheets nest about ten deep, vocabularies five.
inline constexpr int maxXmlDepth = 256;
// - Cells kept from a sheet, the empty ones between them included (a full quiz has 131 072),
//   and the index of a workbook's shared text that a cell may use.
inline constexpr int maxSheetCells = 1 << 20;
inline constexpr int maxSharedStrings = 1 << 20;
// - Characters of text kept from a sheet, repeated spaces and cells counted out: as many as the
//   largest quiz file holds bytes (quizfile.h holds them equal).
inline constexpr qint64 maxSheetChars = qint64{16} * 1024 * 1024;
// - A spreadsheet's own limits: past them a file is damaged or hostile. Empty rows and columns
//   (which a sheet may repeat to its end) are counted, never made.
inline constexpr int maxSheetColumns = 16384;
inline constexpr int maxSheetRows = 1 << 20;
// - Entity expansion: an XML document type that declares entities is refused (spreadsheets and
//   vocabularies declare none), so no "billion laughs" is ever expanded; external entities are
//   never loaded.

// A size in bytes as a message names it: „64 MiB“.
inline QString mebibytes(qint64 bytes) {
    return QString::number(bytes / (qint64{1024} * 1024)) + QStringLiteral(" MiB");
}

} // namespace quizfile
