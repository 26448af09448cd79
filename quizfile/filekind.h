#pragma once

#include "quizfile/quiztable.h"

#include <QByteArrayView>

#include <optional>

namespace quizfile {

// Reads a quiz file that is not delimited text, telling its kind by its content, whatever its
// name: a spreadsheet (.ods, .xlsx, each a ZIP archive) or a vocabulary (.kvtml, XML). Kinds it
// does not read (a legacy .xls, a binary .xlsb, a password-protected workbook, any other
// archive) are refused with what to do instead: it throws FileFault. Nothing when the bytes are
// text.
std::optional<content::Quiz> readStructuredFile(QByteArrayView bytes, const TableSource &source);

} // namespace quizfile
