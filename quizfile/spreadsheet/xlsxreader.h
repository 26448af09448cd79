#pragma once

#include "quizfile/spreadsheet/sheetrows.h"

namespace quizfile {

class ZipPackage;

// Reads the first sheet of an Office Open XML workbook (.xlsx, as Excel and LibreOffice Calc
// save it) as the table a CSV of it would hold: shared and inline text, the cached results of
// formulas, numbers and truth values as the sheet shows them, a merged cell's hidden cells
// empty. Throws FileFault for a file that is not such a workbook (a binary .xlsb among them),
// is damaged or over the caps.
FirstSheet readXlsx(ZipPackage &package);

} // namespace quizfile
