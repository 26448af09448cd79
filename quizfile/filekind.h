#pragma once

#include "quizfile/quiztable.h"
#include "quizfile/spreadsheet/sheetrows.h"

#include <QByteArrayView>

#include <optional>

namespace quizfile {

// Reads a quiz file that is not delimited text, telling its kind by its content, whatever its
// name: a spreadsheet (.ods, .xlsx, each a ZIP archive) or a vocabulary (.kvtml, XML). Kinds it
// does not read (a legacy .xls, a binary .xlsb, a password-protected workbook, any other
// archive) are refused with what to do instead: it throws FileFault. Nothing when the bytes are
// text.
std::optional<content::Quiz> readStructuredFile(QByteArrayView bytes, const TableSource &source);

// The first sheet of a spreadsheet (.ods, .xlsx), or nothing when the bytes are text or a
// vocabulary; a spreadsheet the program does not read (.xls, .xlsb, a password) and an archive
// that is none are refused: it throws FileFault.
std::optional<FirstSheet> readSpreadsheet(QByteArrayView bytes);
// Whether the bytes are XML, as a vocabulary (.kvtml) is.
bool isVocabulary(QByteArrayView bytes);

} // namespace quizfile
