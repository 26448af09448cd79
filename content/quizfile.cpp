#include "content/quizfile.h"

#include "content/battletable.h"
#include "content/csvreader.h"
#include "content/quizformats.h"
#include "content/quiztable.h"
#include "content/windows1251.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace content {

namespace {

std::optional<QStringConverter::Encoding> encodingFromBom(QByteArrayView bytes) {
    const auto startsWith = [&](std::initializer_list<unsigned char> bom) {
        return bytes.size() >= qsizetype(bom.size()) &&
               std::equal(bom.begin(), bom.end(), bytes.begin(), [](unsigned char a, char b) {
                   return a == static_cast<unsigned char>(b);
               });
    };
    if (startsWith({0xEF, 0xBB, 0xBF}))
        return QStringConverter::Utf8;
    if (startsWith({0xFF, 0xFE, 0x00, 0x00}))
        return QStringConverter::Utf32LE;
    if (startsWith({0x00, 0x00, 0xFE, 0xFF}))
        return QStringConverter::Utf32BE;
    if (startsWith({0xFF, 0xFE}))
        return QStringConverter::Utf16LE;
    if (startsWith({0xFE, 0xFF}))
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

// A file that names its encoding by a byte-order mark is read in it; otherwise as UTF-8 when it
// is valid UTF-8, and as Windows-1251 (what spreadsheets save as "CSV" on Bulgarian Windows) when
// it is not. Bytes that do not decode become U+FFFD, which the checks below refuse with their
// place.
QString decode(QByteArrayView bytes) {
    if (const auto encoding = encodingFromBom(bytes)) {
        // UTF-8, the usual case, in one call of Qt's decoder: about twice as fast as a
        // QStringDecoder, which must be ready for a character cut between two calls (and so would
        // drop one cut off at the end of the file instead of marking it).
        if (*encoding == QStringConverter::Utf8)
            return QString::fromUtf8(bytes.sliced(3));
        QStringDecoder decoder(*encoding);
        return decoder.decode(bytes);
    }
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    return decodeWindows1251(bytes);
}

// The title a file gives its quiz: its name without the folder and the extension.
TableSource fileSource(const QString &path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    return {name, {}, info.completeBaseName().isEmpty() ? name : info.completeBaseName()};
}

// The first line that holds anything but blanks.
QStringView firstFilledLine(QStringView text) {
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        const QStringView line = text.sliced(start, end - start);
        if (!line.trimmed().isEmpty())
            return line;
        start = end + 1;
    }
    return {};
}

// Reads delimited text into the table: a CSV file, or cells pasted as tab-separated text.
QuizFileResult readDelimitedText(QStringView text, char16_t separator, TableSource source,
                                 CsvReader::Quoting quoting = CsvReader::Quoting::Strict) {
    source.separator = separator;
    QuizTable table(std::move(source));
    CsvReader reader(text, separator, quoting);
    std::vector<TableCell> cells;
    while (reader.readRecord(cells)) {
        if (auto error = table.addRow(reader.recordLine(), cells))
            return *std::move(error);
    }
    switch (reader.fault()) {
    case CsvReader::Fault::UnclosedQuote:
        return table.error(reader.faultLine(), reader.faultColumn(),
                           u"кавичките в началото на клетката не са затворени; добавете "
                           u"кавички и в края на стойността или махнете началните"_s);
    case CsvReader::Fault::TextAfterQuote:
        return table.error(reader.faultLine(), reader.faultColumn(),
                           u"след затварящите кавички трябва да има разделител или нов ред; ако "
                           u"кавичките са част от текста, оградете цялата стойност в кавички, а "
                           u"всяка кавичка в нея напишете два пъти"_s);
    case CsvReader::Fault::None:
        break;
    }
    return table.finish();
}

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

// A column as a spreadsheet heads it: A to Z, then AA, AB…
QString columnLetters(int column) {
    QString letters;
    for (int n = column; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
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

namespace {

// parseQuiz; given the array the bytes are in, it empties it once they are decoded, so that a
// large file's bytes and its cells are not held at the same time.
QuizFileResult parse(QByteArrayView bytes, const QString &fileName, QByteArray *decoded) {
    TableSource source = fileSource(fileName);
    const auto fail = [&source](const QString &message) {
        return QuizFileError{source.name, 0, 0, message};
    };
    if (bytes.size() > maxQuizFileBytes)
        return fail(u"файлът е твърде голям: разрешени са до 16 MiB"_s);
    if (auto result = readStructuredFile(bytes, source))
        return *std::move(result);
    const QString text = decode(bytes);
    if (decoded != nullptr)
        decoded->clear();
    if (text.contains(QChar(0)))
        return fail(u"това не е текстов файл, нито таблица .ods или .xlsx; запишете таблицата "
                    u"като CSV, .ods или .xlsx"_s);
    return readDelimitedText(text, detectSeparator(text), std::move(source));
}

} // namespace

QuizFileResult parseQuiz(QByteArrayView bytes, const QString &fileName) {
    return parse(bytes, fileName, nullptr);
}

QuizFileResult parsePastedCells(QByteArrayView utf8, PastedCells format) {
    TableSource source{pastedTextName.toString(), {}, pastedQuizTitle.toString()};
    const auto fail = [&source](const QString &message) {
        return QuizFileError{source.name, 0, 0, message};
    };
    if (utf8.size() > maxQuizFileBytes)
        return fail(u"поставеният текст е твърде голям: разрешени са до 16 MiB"_s);
    const QString text = QString::fromUtf8(utf8);
    if (!firstFilledLine(text).contains(u'\t')) {
        return fail(u"поставеният текст не е таблица: копирайте клетките от електронна "
                    u"таблица, първия ред със заглавията на колоните"_s);
    }
    return readDelimitedText(text, u'\t', std::move(source),
                             format == PastedCells::LibreOffice
                                 ? CsvReader::Quoting::OnlyAroundBreaks
                                 : CsvReader::Quoting::Lenient);
}

QuizFileResult readQuizFile(const QString &path) {
    const QFileInfo info(path);
    const auto fail = [&](const QString &message) {
        return QuizFileError{info.fileName(), 0, 0, message};
    };
    if (!info.exists())
        return fail(u"файлът не съществува"_s);
    if (info.isDir())
        return fail(u"това е папка, а не файл"_s);
    if (!info.isFile())
        return fail(u"това не е обикновен файл"_s);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(file.error() == QFileDevice::PermissionsError
                        ? u"няма права за четене на файла"_s
                        : u"файлът не може да бъде отворен"_s);
    }
    if (file.size() > maxQuizFileBytes)
        return fail(u"файлът е твърде голям: разрешени са до 16 MiB"_s);
    // One byte more than allowed tells a file that grew since its size was taken.
    QByteArray bytes = file.read(maxQuizFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(u"файлът не може да бъде прочетен"_s);
    return parse(bytes, path, &bytes);
}

Quiz builtInQuiz() {
    Quiz quiz;
    quiz.title = u"Valtessa"_s;
    quiz.captions = {u"Място"_s, u"Победител"_s, u"Победен"_s};
    quiz.explanationCaption = u"Обяснение"_s;
    quiz.rows.reserve(battleTable.size());
    for (const BattleRow &row : battleTable) {
        quiz.rows.push_back({{row.place.toString(), row.winner.toString(), row.defeated.toString()},
                             row.explanation.toString()});
    }
    return quiz;
}

Quiz quizTemplate() {
    Quiz quiz = builtInQuiz();
    quiz.title = u"Битки"_s;
    return quiz;
}

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

} // namespace content
