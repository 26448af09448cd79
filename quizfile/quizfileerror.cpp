#include "quizfile/quizfileerror.h"

using namespace Qt::StringLiterals;

namespace quizfile {

QString columnLetters(int column) {
    QString letters;
    for (int n = column; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

QString QuizFileError::text() const {
    QString result = fileName;
    if (!sheet.isEmpty())
        result += u", лист „"_s + sheet + u'“';
    if (line > 0) {
        result += u", ред "_s + QString::number(line);
        if (column > 0)
            result +=
                u", колона "_s + columnLetters(column) + u" ("_s + QString::number(column) + u')';
    }
    return result + u": "_s + message;
}

} // namespace quizfile
