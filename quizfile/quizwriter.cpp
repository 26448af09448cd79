#include "quizfile/quizwriter.h"

#include "quizfile/quiztable.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace quizfile {

using content::maxAnswerColumns;
using content::minAnswerColumns;
using content::Quiz;
using content::QuizRow;

namespace {

bool needsQuotes(const QString &value) {
    if (value.isEmpty())
        return false;
    // Blanks at either end stay part of the value only inside quotes; a value that begins like
    // markup could make the file's start look like XML.
    if (isBlankCharacter(value.front()) || isBlankCharacter(value.back()) || value.front() == u'<')
        return true;
    // A tab too, which an explanation may hold: outside quotes it would pass for a separator.
    return std::any_of(value.begin(), value.end(), [](QChar c) {
        return c == u';' || c == u',' || c == u'\t' || c == u'"' || c == u'\r' || c == u'\n';
    });
}

void appendField(QString &out, const QString &value) {
    if (!needsQuotes(value)) {
        out += value;
        return;
    }
    out += u'"';
    out += QString(value).replace(u'"', u"\"\""_s);
    out += u'"';
}

QString alreadyExists() {
    return u"файлът вече съществува; дайте друго име или първо преместете стария файл"_s;
}

QString isAFolder() {
    return u"това е папка; дайте име на нов файл в нея"_s;
}

QString noRightToWrite() {
    return u"няма права за запис в тази папка или тя е само за четене; изберете друга папка"_s;
}

QString cannotCreate() {
    return u"файлът не може да бъде създаден"_s;
}

// Creates the file at file's path, only if there is none, and opens it for writing; or says in
// the program's own words why it cannot.
std::optional<QString> createNew(QFile &file) {
#ifdef Q_OS_UNIX
    // O_EXCL: a file that appears after the check for one is never replaced either.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        if (file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
            return std::nullopt;
        ::close(fd);
        file.remove();
        return cannotCreate();
    }
    switch (errno) {
    case EEXIST:
        return alreadyExists();
    case EISDIR:
        return isAFolder();
    case ENOENT:
    case ENOTDIR:
        return u"папката, в която да бъде записан, не съществува"_s;
    case EACCES:
    case EPERM:
    case EROFS:
        return noRightToWrite();
    case ENOSPC:
    case EDQUOT:
        return u"на диска няма достатъчно място"_s;
    case ENAMETOOLONG:
        return u"името на файла е твърде дълго"_s;
    default:
        return cannotCreate();
    }
#else
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return std::nullopt;
    if (file.exists())
        return alreadyExists();
    const QFileInfo folder(QFileInfo(file.fileName()).absolutePath());
    if (!folder.isDir())
        return u"папката, в която да бъде записан, не съществува"_s;
    return folder.isWritable() ? cannotCreate() : noRightToWrite();
#endif
}

} // namespace

QByteArray writeQuiz(const Quiz &quiz) {
    const bool withExplanation =
        !quiz.explanationCaption.isEmpty() ||
        std::any_of(quiz.rows.begin(), quiz.rows.end(),
                    [](const QuizRow &row) { return !row.explanation.isEmpty(); });
    // Two answers and an explanation read back as such only under the caption „Обяснение“.
    const bool captionKept =
        quiz.answerCount == maxAnswerColumns || namesExplanations(quiz.explanationCaption);
    const int answers = std::clamp(quiz.answerCount, minAnswerColumns, maxAnswerColumns);
    QString text;
    // A title of its own row above the header, as a spreadsheet user writes one.
    if (!withoutSurroundingBlanks(quiz.title).isEmpty()) {
        appendField(text, quiz.title);
        text += u"\r\n";
    }
    const auto appendLine = [&](const std::array<QString, maxAnswerColumns> &cells,
                                const QString &explanation) {
        for (int i = 0; i < answers; ++i) {
            if (i > 0)
                text += u';';
            appendField(text, cells[size_t(i)]);
        }
        if (withExplanation) {
            text += u';';
            appendField(text, explanation);
        }
        text += u"\r\n";
    };
    appendLine(quiz.captions, captionKept && !quiz.explanationCaption.isEmpty()
                                  ? quiz.explanationCaption
                                  : u"Обяснение"_s);
    for (const QuizRow &row : quiz.rows)
        appendLine(row.answers, row.explanation);
    return "\xEF\xBB\xBF" + text.toUtf8();
}

std::optional<QString> writeNewQuizFile(const QString &path, const Quiz &quiz) {
    const QFileInfo info(path);
    if (info.isDir())
        return isAFolder();
    // A link that leads nowhere is not followed: the file it names could be anyone's.
    if (info.exists() || info.isSymLink())
        return alreadyExists();
    QFile file(path);
    if (auto problem = createNew(file))
        return problem;
    const QByteArray bytes = writeQuiz(quiz);
    if (file.write(bytes) == bytes.size() && file.flush())
        return std::nullopt;
    const bool diskFull = file.error() == QFileDevice::ResourceError;
    // Nothing half written is left behind: the file is new, so no one else's work is lost.
    file.remove();
    return diskFull ? u"на диска няма достатъчно място"_s
                    : u"файлът не може да бъде записан докрай"_s;
}

} // namespace quizfile
