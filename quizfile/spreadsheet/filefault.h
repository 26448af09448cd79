#pragma once

#include <QString>

namespace quizfile {

// Why a file is refused, in Bulgarian: damaged, hostile, of a kind the program does not read, or
// a table that cannot be played. Every reader throws it from wherever it finds the fault, the
// table check included; the entry points of quizfile.h catch it and give the teacher a
// QuizFileError, so no caller ever sees it. Line and column count from 1 as in QuizFileError: a
// column of 0 is the whole line, a line of 0 the whole file.
struct FileFault {
    QString message;
    int line = 0;
    int column = 0;
    QString sheet{}; // the spreadsheet's sheet the place is on, if the file has sheets
};

} // namespace quizfile
