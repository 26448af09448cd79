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

// Reads delimited text into the table: a CSV file, or cells pasted as tab-separated text.
QuizFileResult readDelimitedText(QStringView text, char16_t separator, TableSource source) {
    QuizTable table(std::move(source));
    CsvReader reader(text, separator);
    std::vector<TableCell> cells;
    while (reader.readRecord(cells)) {
        if (auto error = table.addRow(reader.recordLine(), cells))
            return *std::move(error);
    }
    switch (reader.fault()) {
    case CsvReader::Fault::UnclosedQuote:
        return table.error(reader.faultLine(), reader.faultColumn(),
                           u"кавичките не са затворени"_s);
    case CsvReader::Fault::TextAfterQuote:
        return table.error(reader.faultLine(), reader.faultColumn(),
                           u"след затварящите кавички трябва да има разделител или нов ред"_s);
    case CsvReader::Fault::None:
        break;
    }
    return table.finish();
}

bool needsQuotes(const QString &value) {
    if (value.isEmpty())
        return false;
    if (value.front().isSpace() || value.back().isSpace())
        return true;
    return std::any_of(value.begin(), value.end(), [](QChar c) {
        return c == u';' || c == u',' || c == u'"' || c == u'\r' || c == u'\n';
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

} // namespace

QString QuizFileError::text() const {
    QString result = fileName;
    if (!sheet.isEmpty())
        result += u", лист „"_s + sheet + u'“';
    if (line > 0) {
        result += u", ред "_s + QString::number(line);
        if (column > 0)
            result += u", колона "_s + QString::number(column);
    }
    return result + u": "_s + message;
}

QuizFileResult parseQuiz(QByteArrayView bytes, const QString &fileName) {
    TableSource source = fileSource(fileName);
    const auto fail = [&source](const QString &message) {
        return QuizFileError{source.name, 0, 0, message};
    };
    if (bytes.size() > maxQuizFileBytes)
        return fail(u"файлът е твърде голям: разрешени са до 16 MiB"_s);
    if (auto result = readStructuredFile(bytes, source))
        return *std::move(result);
    const QString text = decode(bytes);
    if (text.contains(QChar(0)))
        return fail(u"това не е текстов файл, нито таблица .ods или .xlsx; запишете таблицата "
                    u"като CSV, .ods или .xlsx"_s);
    return readDelimitedText(text, detectSeparator(text), std::move(source));
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
    const QByteArray bytes = file.read(maxQuizFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(u"файлът не може да бъде прочетен"_s);
    return parseQuiz(bytes, path);
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

} // namespace content
