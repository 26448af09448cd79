#pragma once

#include <QByteArrayView>
#include <QString>

namespace content {

// Windows-1251, the Cyrillic code page of Windows, which spreadsheets on Bulgarian Windows save
// as "CSV". A table of our own rather than a converter that not every Qt build has. The one byte
// the code page leaves undefined, 0x98, becomes the control character U+0098, as ICU reads it.
QString decodeWindows1251(QByteArrayView bytes);

} // namespace content
