#pragma once

#include "content/quiztable.h"

namespace content {

class ZipPackage;

// Reads the first sheet of an OpenDocument spreadsheet (.ods, as LibreOffice Calc saves it) as
// the table a CSV of it would hold: each cell's text as the sheet shows it, repeated rows and
// columns counted out, a merged cell's hidden cells empty. Throws FileFault for a file that is
// not such a spreadsheet, is damaged, encrypted or over the caps.
QuizFileResult readOds(ZipPackage &package, TableSource source);

} // namespace content
