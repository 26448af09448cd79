#pragma once

#include "content/quiz.h"

#include <QString>

#include <variant>

namespace quizfile {

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

using QuizFileResult = std::variant<content::Quiz, QuizFileError>;

// A column as a spreadsheet heads it: A to Z, then AA, AB…
QString columnLetters(int column);

} // namespace quizfile
