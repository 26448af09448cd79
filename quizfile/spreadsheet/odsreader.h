#pragma once

#include "quizfile/spreadsheet/sheetrows.h"

namespace quizfile {

class ZipPackage;

// Reads the first sheet of an OpenDocument spreadsheet (.ods, as LibreOffice Calc saves it) as
// the rows a CSV of it would hold: each cell's text as the sheet shows it, repeated rows and
// columns counted out, a merged cell's hidden cells empty. Throws FileFault for a file that is
// not such a spreadsheet, is damaged, encrypted or over the caps.
FirstSheet readOds(ZipPackage &package);

} // namespace quizfile
