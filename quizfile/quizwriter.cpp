#include "quizfile/quizwriter.h"

#include "quizfile/csvwriter.h"
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
        appendCsvField(text, quiz.title);
        text += u"\r\n";
    }
    const auto appendLine = [&](const std::array<QString, maxAnswerColumns> &cells,
                                const QString &explanation) {
        for (int i = 0; i < answers; ++i) {
            if (i > 0)
                text += u';';
            appendCsvField(text, cells[size_t(i)]);
        }
        if (withExplanation) {
            text += u';';
            appendCsvField(text, explanation);
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

std::optional<QString> writeNewFile(const QString &path, const QByteArray &bytes) {
    const QFileInfo info(path);
    if (info.isDir())
        return isAFolder();
    // A link that leads nowhere is not followed: the file it names could be anyone's.
    if (info.exists() || info.isSymLink())
        return alreadyExists();
    QFile file(path);
    if (auto problem = createNew(file))
        return problem;
    bool written = file.write(bytes) == bytes.size() && file.flush();
    bool diskFull = !written && file.error() == QFileDevice::ResourceError;
#ifdef Q_OS_UNIX
    // On the disk before it is called written: a school laptop's battery may run out next. A
    // folder that cannot be synced (some network and FUSE ones) keeps the file all the same.
    if (written && ::fsync(file.handle()) != 0 &&
        (errno == EIO || errno == ENOSPC || errno == EDQUOT)) {
        written = false;
        diskFull = errno != EIO;
    }
#endif
    // A network folder may tell only when the file is closed that it could not keep it.
    file.close();
    if (written && file.error() == QFileDevice::NoError)
        return std::nullopt;
    // Nothing half written is left behind: the file is new, so no one else's work is lost.
    file.remove();
    return diskFull ? u"на диска няма достатъчно място"_s
                    : u"файлът не може да бъде записан докрай"_s;
}

std::optional<QString> writeNewQuizFile(const QString &path, const Quiz &quiz) {
    return writeNewFile(path, writeQuiz(quiz));
}

} // namespace quizfile
