#pragma once

#include "content/quiz.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace quizfile {

// The quiz as a spreadsheet opens it: UTF-8 with a byte-order mark, ';' between cells, CR LF
// line ends, quoted where a cell needs it (so that blanks around a value survive). The title,
// when there is one, stands alone on the first row. Reading it back gives the same quiz.
QByteArray writeQuiz(const content::Quiz &quiz);

// Writes the bytes to a new file at path. An existing file (or a link, even one that leads
// nowhere) is never replaced nor changed, and nothing half written is left behind: the file is
// called written once it is on the disk. Returns why it could not, in Bulgarian and without the
// path, or nothing when the file is written.
std::optional<QString> writeNewFile(const QString &path, const QByteArray &bytes);

// Writes the quiz as writeQuiz does to a new file at path, as writeNewFile does.
std::optional<QString> writeNewQuizFile(const QString &path, const content::Quiz &quiz);

} // namespace quizfile
