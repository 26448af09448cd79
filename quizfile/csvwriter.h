#pragma once

#include "quizfile/spreadsheet/workbookwriter.h"

#include <QByteArray>
#include <QString>

namespace quizfile {

// Appends one field to a line of CSV as the program writes its files: as it is, or in quotes
// (its quotes doubled) when it holds a separator (';', ',', a tab), a quote or a line break,
// has blanks at either end (a spreadsheet keeps them only inside quotes) or begins with '<'
// (which could make the file's start look like markup).
void appendCsvField(QString &line, const QString &value);

// One sheet as a CSV file, written as writeQuiz writes a quiz: UTF-8 with a byte-order mark,
// ';' between cells, CR LF after every row, each row as wide as the widest (as a spreadsheet
// saves its sheet), quoted where appendCsvField quotes. A number is written as a spreadsheet
// on a Bulgarian desktop shows it under the General format (1805, 3,5, -12), which reads back
// as the same number there, and as the same text in this program as the sheet's .ods or .xlsx.
// A text that a spreadsheet would take for a formula (it begins with '=', '+', '-' or '@' and
// is not a plain number) is written after an apostrophe, so that opening the file never runs
// what a pupil typed.
QByteArray writeCsv(const Sheet &sheet);

} // namespace quizfile
