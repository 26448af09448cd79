#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quizfile {

// One cell: text, or a number (which a spreadsheet shows as a number and can sum). A cell with a
// number is that number, and its text is not written, unless the number is not finite (no
// spreadsheet holds one): then it is its text. A cell without either is empty.
struct SheetCell {
    QString text;
    std::optional<double> number{};
};

// A sheet of a workbook: its name, as its tab shows it, and its rows, each as long as it needs.
struct Sheet {
    QString name;
    std::vector<std::vector<SheetCell>> rows{};
};

// The most a sheet of either format holds, as Excel and Calc take them: rows, columns, and
// characters of a cell's text (Excel calls a workbook damaged past it; the .ods keeps it all).
inline constexpr int maxWrittenRows = 1 << 20;
inline constexpr int maxWrittenColumns = 16384;
inline constexpr int maxXlsxCellChars = 32767;

// The names the sheets' tabs get, the same in both formats, so that any name a caller gives
// opens in Excel and in Calc alike:
// - characters neither allows (: \ / ? * [ ]) become '-'; control characters, line breaks and
//   characters XML cannot hold become spaces; blanks and apostrophes (which neither allows at
//   the ends) around the name are dropped;
// - at most 31 characters, Excel's limit (a pair of UTF-16 surrogates is never split);
// - a name left empty is „ЛистN“, N the sheet's place from 1, as both spreadsheets name a new
//   sheet on a Bulgarian desktop;
// - names are unique without regard to case, as both compare them, and none is „History“,
//   which Excel keeps for itself: a name taken before gets „ (2)“, „ (3)“… at its end.
QStringList workbookSheetNames(const std::vector<Sheet> &sheets);

// The sheets as an OpenDocument spreadsheet (.ods), as LibreOffice Calc saves one: the mimetype
// first and stored, the manifest, and content.xml with every sheet, a number a float cell, text a
// string cell. A cell's lines are its paragraphs: each line break (LF, CR LF or a lone CR) ends
// one, and reads back as LF, as Calc reads a cell's lines (a CR kept in a cell, Calc shows as a
// line of its own). Runs of spaces are written out so that none is lost, and a tab as itself
// (Calc drops a <text:tab/> inside a cell when it reads one). A character XML cannot hold (a
// control character other than tab and line breaks, U+FFFE, U+FFFF, a lone surrogate) has no way
// into the format and is left out, as Calc itself saves such a cell. A workbook of no sheets gets
// one empty sheet. Nothing (empty bytes) when a sheet is larger than the maxima above.
QByteArray writeOds(const std::vector<Sheet> &sheets);

// The sheets as an Office Open XML workbook (.xlsx), as Excel and Calc open it: the package's
// content types and relationships, the workbook, a worksheet a sheet, its text in the workbook's
// shared strings, and a cell style that wraps the cells with line breaks so they show as lines.
// Every character is kept: one XML cannot hold, CR among them, is written as Office Open XML
// writes it, _xHHHH_ (and an underscore that would read as such, _x005F_). A text longer than
// maxXlsxCellChars is cut there. A workbook of no sheets gets one empty sheet. Nothing (empty
// bytes) when a sheet is larger than the maxima above.
QByteArray writeXlsx(const std::vector<Sheet> &sheets);

} // namespace quizfile
