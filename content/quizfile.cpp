#include "content/quizfile.h"

#include "content/battletable.h"
#include "content/csvreader.h"
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

constexpr int answerColumns = 3;

QString hex(char32_t c) {
    return u"U+"_s + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

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

bool isBlank(const QString &value) {
    return std::all_of(value.begin(), value.end(), [](QChar c) { return c.isSpace(); });
}

bool isBlankRecord(const std::vector<QString> &fields) {
    return std::all_of(fields.begin(), fields.end(), isBlank);
}

// The number of fields up to the last one that holds anything: spreadsheets add empty ones.
int usedWidth(const std::vector<QString> &fields) {
    auto last =
        std::find_if(fields.rbegin(), fields.rend(), [](const QString &f) { return !isBlank(f); });
    return int(fields.rend() - last);
}

// Why a value cannot be shown in a list or a label, or nothing when it can. Line breaks are
// allowed only where the text box shows them.
std::optional<QString> badCharacter(const QString &value, bool lineBreaksAllowed) {
    const auto unreadable = [] {
        return u"знак, който не може да бъде разчетен: файлът не е записан в кодировката си"_s;
    };
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t u = value[i].unicode();
        if ((u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u < 0xD800) || (u > 0xDFFF && u != 0xFFFD))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(u) || u == 0xFFFD) // half a pair, or what a decoder put for bytes
            return unreadable();
        if (u == u'\r' || u == u'\n') {
            if (lineBreaksAllowed)
                continue;
            return u"стойността е на няколко реда, а тук е разрешен само един"_s;
        }
        if (u == u'\t')
            return u"в стойността има табулация"_s;
        return u"в стойността има управляващ знак "_s + hex(u); // C0, DEL and C1
    }
    return std::nullopt;
}

class QuizParser {
public:
    QuizParser(QByteArrayView bytes, const QString &fileName)
        : m_bytes(bytes)
        , m_fileName(QFileInfo(fileName).fileName()) {
        const QFileInfo info(fileName);
        m_quiz.title = info.completeBaseName().isEmpty() ? m_fileName : info.completeBaseName();
    }

    QuizFileResult parse();

private:
    QuizFileError fail(int line, int column, const QString &message) const {
        return {m_fileName, line, column, message};
    }
    std::optional<QuizFileError> readHeader(const std::vector<QString> &fields, int line);
    std::optional<QuizFileError> readRow(const std::vector<QString> &fields, int line);
    std::optional<QuizFileError> checkValues(const std::vector<QString> &fields, int line,
                                             bool isHeader) const;

    QByteArrayView m_bytes;
    QString m_fileName;
    Quiz m_quiz;
    int m_width = 0;                   // fields in the header: 3, or 4 with an explanation
    QHash<QString, int> m_answersSeen; // the three answers of each row, to the row they are on
};

std::optional<QuizFileError> QuizParser::checkValues(const std::vector<QString> &fields, int line,
                                                     bool isHeader) const {
    for (int i = 0; i < m_width && i < int(fields.size()); ++i) {
        const bool isAnswer = i < answerColumns;
        if (const auto fault = badCharacter(fields[size_t(i)], !isHeader && !isAnswer))
            return fail(line, i + 1, *fault);
        if (isAnswer && isBlank(fields[size_t(i)]))
            return fail(line, i + 1,
                        isHeader ? u"липсва надпис на колоната"_s : u"липсва стойност"_s);
    }
    return std::nullopt;
}

std::optional<QuizFileError> QuizParser::readHeader(const std::vector<QString> &fields, int line) {
    const int width = usedWidth(fields);
    if (width != answerColumns && width != answerColumns + 1) {
        return fail(
            line, 0,
            u"заглавният ред трябва да има 3 или 4 полета (три отговора и, ако има, обяснение), "
            u"разделени с „;“, „,“ или табулация, а има "_s +
                QString::number(width));
    }
    m_width = width;
    if (auto error = checkValues(fields, line, true))
        return error;
    for (int i = 0; i < answerColumns; ++i)
        m_quiz.captions[size_t(i)] = fields[size_t(i)];
    if (m_width > answerColumns)
        m_quiz.explanationCaption = fields[answerColumns];
    return std::nullopt;
}

std::optional<QuizFileError> QuizParser::readRow(const std::vector<QString> &fields, int line) {
    if (m_quiz.rows.size() == size_t(maxQuizRows)) {
        return fail(line, 0,
                    u"твърде много редове: списъците побират най-много "_s +
                        QString::number(maxQuizRows));
    }
    const int fieldCount = int(fields.size());
    if (fieldCount < m_width) {
        return fail(line, fieldCount + 1,
                    u"липсва поле: редът има "_s + QString::number(fieldCount) +
                        u", а заглавният ред "_s + QString::number(m_width));
    }
    if (usedWidth(fields) > m_width) {
        return fail(line, usedWidth(fields),
                    u"излишно поле: заглавният ред има само "_s + QString::number(m_width));
    }
    if (auto error = checkValues(fields, line, false))
        return error;

    QuizRow row{{fields[0], fields[1], fields[2]}, m_width > answerColumns ? fields[3] : QString()};
    // Control characters are refused above, so a unit separator cannot occur in the values.
    const QString answers = row.answers[0] + u'\x1f' + row.answers[1] + u'\x1f' + row.answers[2];
    const auto seen = m_answersSeen.constFind(answers);
    if (seen != m_answersSeen.constEnd()) {
        return fail(line, 0,
                    u"същите три отговора като на ред "_s + QString::number(*seen) +
                        u" – двата реда не могат да се различат"_s);
    }
    m_answersSeen.insert(answers, line);
    m_quiz.rows.push_back(std::move(row));
    return std::nullopt;
}

QuizFileResult QuizParser::parse() {
    if (m_bytes.size() > maxQuizFileBytes)
        return fail(0, 0, u"файлът е твърде голям: разрешени са до 16 MiB"_s);
    const QString text = decode(m_bytes);
    if (text.contains(QChar(0)))
        return fail(0, 0, u"това не е текстов файл; запишете таблицата като CSV"_s);

    CsvReader reader(text, detectSeparator(text));
    std::vector<QString> fields;
    bool haveHeader = false;
    while (reader.readRecord(fields)) {
        if (isBlankRecord(fields))
            continue;
        const int line = reader.recordLine();
        auto error = haveHeader ? readRow(fields, line) : readHeader(fields, line);
        if (error)
            return *std::move(error);
        haveHeader = true;
    }
    switch (reader.fault()) {
    case CsvReader::Fault::UnclosedQuote:
        return fail(reader.faultLine(), reader.faultColumn(), u"кавичките не са затворени"_s);
    case CsvReader::Fault::TextAfterQuote:
        return fail(reader.faultLine(), reader.faultColumn(),
                    u"след затварящите кавички трябва да има разделител или нов ред"_s);
    case CsvReader::Fault::None:
        break;
    }
    if (!haveHeader)
        return fail(0, 0, u"няма заглавен ред: файлът е празен"_s);
    if (m_quiz.rows.size() < size_t(minQuizRows))
        return fail(0, 0, u"под заглавния ред трябва да има поне 2 реда"_s);
    return std::move(m_quiz);
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
    if (line > 0) {
        result += u", ред "_s + QString::number(line);
        if (column > 0)
            result += u", колона "_s + QString::number(column);
    }
    return result + u": "_s + message;
}

QuizFileResult parseQuiz(QByteArrayView bytes, const QString &fileName) {
    return QuizParser(bytes, fileName).parse();
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
    QString text;
    const auto appendLine = [&](const QString &a, const QString &b, const QString &c,
                                const QString &explanation) {
        appendField(text, a);
        text += u';';
        appendField(text, b);
        text += u';';
        appendField(text, c);
        if (withExplanation) {
            text += u';';
            appendField(text, explanation);
        }
        text += u"\r\n";
    };
    appendLine(quiz.captions[0], quiz.captions[1], quiz.captions[2],
               quiz.explanationCaption.isEmpty() ? u"Обяснение"_s : quiz.explanationCaption);
    for (const QuizRow &row : quiz.rows)
        appendLine(row.answers[0], row.answers[1], row.answers[2], row.explanation);
    return "\xEF\xBB\xBF" + text.toUtf8();
}

} // namespace content
