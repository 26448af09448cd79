#pragma once

#include "classroom/classrecords.h"
#include "classroom/round/classround.h"
#include "quizfile/spreadsheet/workbookwriter.h"

#include <QString>

#include <optional>
#include <vector>

namespace classroom {

// A round's results as the teacher keeps them: the sheet „Ученици“, a line for every attempt of
// every pupil (date, class, quiz, pupil, attempt, rows matched of how many, wrong checks, time),
// and the sheet „Редове“, a line for every row of the quiz (how many times the class matched it,
// and how many wrong checks chose its first entry).
std::vector<quizfile::Sheet> resultSheets(const ClassRound &round,
                                          const ClassRecords::RoundInfo &info);

// The results written as the file's name says: .ods, .xlsx, or .csv (the pupils' sheet alone);
// nothing for any other name.
std::optional<QByteArray> resultsFile(const std::vector<quizfile::Sheet> &sheets,
                                      const QString &path);

// The kinds of file results are saved as, for a file dialog.
QString resultsFileFilter();

} // namespace classroom
