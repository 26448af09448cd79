#pragma once

#include <QByteArrayView>
#include <QString>

namespace quizfile {

// The text of a file from outside. A file that names its encoding by a byte-order mark is read
// in it; otherwise as UTF-8 when it is valid UTF-8, and as Windows-1251 (what spreadsheets save
// as "CSV" on Bulgarian Windows) when it is not. Bytes that do not decode become U+FFFD, which
// the table check refuses with their place.
QString decode(QByteArrayView bytes);

// Windows-1251, the Cyrillic code page of Windows. A table of our own rather than a converter
// that not every Qt build has. The one byte the code page leaves undefined, 0x98, becomes the
// control character U+0098, as ICU reads it.
QString decodeWindows1251(QByteArrayView bytes);

} // namespace quizfile
