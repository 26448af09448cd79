#pragma once

#include "content/quiz.h"
#include "quizfile/quizfileerror.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace quizfile {

// A quiz file is read whole into memory, and is at most this large.
inline constexpr qint64 maxQuizFileBytes = qint64{16} * 1024 * 1024;

// Reads a quiz from the bytes of a file called fileName (which gives the quiz its title: the
// name without its extension; the error names the file without its folder). The kind of file is
// told by its content, whatever its name: a spreadsheet (.ods, .xlsx) gives its first sheet, a
// KWordQuiz or Parley vocabulary (.kvtml) its entries, anything else is read as delimited text
// (CSV, TSV). Never throws on bad input: a bad file is an error result. Any bytes are safe, up
// to maxQuizFileBytes and beyond. The caps that keep a hostile spreadsheet or vocabulary in
// bounds are in spreadsheet/caps.h.
QuizFileResult parseQuiz(QByteArrayView bytes, const QString &fileName);

// Reads the file at path: parseQuiz on its contents, or an error if it cannot be read or is
// larger than maxQuizFileBytes.
QuizFileResult readQuizFile(const QString &path);

// Cells copied from a spreadsheet, as its clipboard offers them: rows on lines, cells separated by
// tabs, the whole as UTF-8.
enum class PastedCells {
    // Plain text, as Excel quotes it: a cell holding a tab, a line break or a quote is quoted,
    // its quotes doubled.
    PlainText,
    // LibreOffice Calc's application/x-libreoffice-tsvc: only a cell holding a tab or a line
    // break is quoted.
    LibreOffice,
};

// What messages call pasted cells, and the title of the quiz they give.
inline constexpr QStringView pastedTextName = u"поставения текст";
inline constexpr QStringView pastedQuizTitle = u"Поставена таблица";

// Reads pasted cells as a quiz: the same cells open as the same quiz, or fail with the same
// message, as in a file. Text without a tab in its first line is not a table, and is refused.
QuizFileResult parsePastedCells(QByteArrayView utf8, PastedCells format);

} // namespace quizfile
