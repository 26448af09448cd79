#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>
#include <variant>
#include <vector>

namespace content {

// A quiz matches two or three answers that belong together: term and meaning, or writer, work
// and character.
inline constexpr int minAnswerColumns = 2;
inline constexpr int maxAnswerColumns = 3;

// One row of a quiz: the answers that belong together and, optionally, what the pupil reads
// when she matches them. Only the quiz's first answerCount answers are used; the others are
// empty.
struct QuizRow {
    std::array<QString, maxAnswerColumns> answers;
    QString explanation; // empty when the quiz has no explanation column

    friend bool operator==(const QuizRow &, const QuizRow &) = default;
};

// A whole quiz as the window plays it: a title for the heading, a caption for each answer list,
// and the rows in the order they were written.
struct Quiz {
    QString title;
    int answerCount = maxAnswerColumns;             // 2 or 3 answer lists
    std::array<QString, maxAnswerColumns> captions; // the first answerCount are used
    QString explanationCaption;                     // empty when the quiz has no explanation column
    std::vector<QuizRow> rows;

    friend bool operator==(const Quiz &, const Quiz &) = default;
};

// Why a quiz file was refused, and where, as a teacher finds it in a spreadsheet. Line and
// column count from 1: the line is the row a spreadsheet shows (blank lines count, a line break
// inside quotes does not start a new one), the column the field in it. A column of 0 means the
// whole line, a line of 0 the whole file.
struct QuizFileError {
    QString fileName; // the file's name without its folder, or „поставения текст“
    int line = 0;
    int column = 0;
    QString message; // Bulgarian, e.g. "липсва стойност"
    QString sheet{}; // the spreadsheet's sheet the place is on, if the file has sheets

    // "Битки.csv, ред 7, колона B (2): липсва стойност"; with a sheet
    // "Битки.xlsx, лист „Лист1“, ред 7, колона B (2): липсва стойност". The column is named as
    // a spreadsheet heads it, and counted.
    QString text() const;

    friend bool operator==(const QuizFileError &, const QuizFileError &) = default;
};

using QuizFileResult = std::variant<Quiz, QuizFileError>;

// A list holds at most this many entries, and so a quiz at most this many rows.
inline constexpr int maxQuizRows = 32767;
inline constexpr int minQuizRows = 2;
inline constexpr qint64 maxQuizFileBytes = 16 * 1024 * 1024;

// Spreadsheets (.ods, .xlsx) are ZIP archives of XML parts and vocabularies (.kvtml) are XML:
// files from outside, read with these caps so that a hostile one (a zip bomb, a swollen table,
// deep nesting) is refused within a second and in bounded memory, with the cap in the message.
// The largest quiz (32 767 rows, 16 MiB as CSV) unpacks to about 36 MiB of XML: honest files
// stay well inside them.
// - All the parts read from one file, unpacked; nothing is ever unpacked to disk.
inline constexpr qint64 maxUnpackedBytes = 64 * 1024 * 1024;
// - Unpacked to packed size of a part over 1 MiB: sheets pack 4 to 15 times, a zip bomb about
//   1 000 times.
inline constexpr int maxPackedRatio = 100;
inline constexpr qint64 packedRatioFrom = 1024 * 1024;
// - Parts in one archive: a workbook has some ten, with pictures some hundred.
inline constexpr int maxArchiveEntries = 10000;
// - Nesting of XML elements: sheets nest about ten deep, vocabularies five.
inline constexpr int maxXmlDepth = 256;
// - Cells kept from a sheet, the empty ones between them included (a full quiz has 131 072),
//   and the index of a workbook's shared text that a cell may use.
inline constexpr int maxSheetCells = 1 << 20;
inline constexpr int maxSharedStrings = 1 << 20;
// - Characters of text kept from a sheet, repeated spaces and cells counted out: as many as the
//   largest CSV file holds.
inline constexpr qint64 maxSheetChars = maxQuizFileBytes;
// - A spreadsheet's own limits: past them a file is damaged or hostile. Empty rows and columns
//   (which a sheet may repeat to its end) are counted, never made.
inline constexpr int maxSheetColumns = 16384;
inline constexpr int maxSheetRows = 1 << 20;
// - Entity expansion: an XML document type that declares entities is refused (spreadsheets and
//   vocabularies declare none), so no "billion laughs" is ever expanded; external entities are
//   never loaded.

// Reads a quiz from the bytes of a file called fileName (which gives the quiz its title: the
// name without its extension; the error names the file without its folder). The kind of file is
// told by its content, whatever its name: a spreadsheet (.ods, .xlsx) gives its first sheet, a
// KWordQuiz or Parley vocabulary (.kvtml) its entries, anything else is read as delimited text
// (CSV, TSV). Never throws on bad input: a bad file is an error result. Any bytes are safe, up
// to maxQuizFileBytes and beyond.
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

// The built-in battles as a quiz: title "Valtessa", captions "Място", "Победител", "Победен",
// explanation column "Обяснение", the rows in stored order.
Quiz builtInQuiz();

// What --export-quiz writes for a teacher to start from: the built-in battles, titled „Битки“.
Quiz quizTemplate();

// The quiz as a spreadsheet opens it: UTF-8 with a byte-order mark, ';' between cells, CR LF
// line ends, quoted where a cell needs it (so that blanks around a value survive). The title,
// when there is one, stands alone on the first row. Reading it back gives the same quiz.
QByteArray writeQuiz(const Quiz &quiz);

// Writes the quiz as writeQuiz does to a new file at path. An existing file is never replaced
// nor changed, and nothing half written is left behind. Returns why it could not, in Bulgarian
// and without the path, or nothing when the file is written.
std::optional<QString> writeNewQuizFile(const QString &path, const Quiz &quiz);

} // namespace content
