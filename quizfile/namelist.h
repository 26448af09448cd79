#pragma once

#include "quizfile/quizfileerror.h"

#include <QString>
#include <QStringList>

#include <variant>

namespace quizfile {

// A class list holds at most this many pupils, each name at most this long.
inline constexpr int maxNames = 200;
inline constexpr int maxNameLength = 60;

// A class list: a column of pupils' names, from any file a quiz is read from (a spreadsheet's
// first sheet, hidden rows and columns left out, or CSV and other delimited text), one pupil a
// row, under a caption („Име“, „Ученик“) or none. A file with more than one column,
// a name twice or too long, or more names than a class has, is refused with its place, as a quiz
// file is.
using NameListResult = std::variant<QStringList, QuizFileError>;
NameListResult parseNameList(QByteArrayView bytes, const QString &fileName);
NameListResult readNameList(const QString &path);

} // namespace quizfile
