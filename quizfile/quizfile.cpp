#include "quizfile/quizfile.h"

#include "quizfile/csvreader.h"
#include "quizfile/decoding.h"
#include "quizfile/filekind.h"
#include "quizfile/quiztable.h"
#include "quizfile/spreadsheet/caps.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace quizfile {

// A sheet holds no more text than the largest file does.
static_assert(maxSheetChars == maxQuizFileBytes);

namespace {

// The title a file gives its quiz: its name without the folder and the extension.
TableSource fileSource(const QString &path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    return {name, {}, info.completeBaseName().isEmpty() ? name : info.completeBaseName()};
}

QString tooLarge(const QString &what) {
    return what + u" е твърде голям: разрешени са до "_s + mebibytes(maxQuizFileBytes);
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
content::Quiz readDelimitedText(QStringView text, char16_t separator, TableSource source,
                                CsvReader::Quoting quoting = CsvReader::Quoting::Strict) {
    source.separator = separator;
    QuizTable table(std::move(source));
    CsvReader reader(text, separator, quoting);
    std::vector<TableCell> cells;
    while (reader.readRecord(cells))
        table.addRow(reader.recordLine(), cells);
    switch (reader.fault()) {
    case CsvReader::Fault::UnclosedQuote:
        table.fail(reader.faultLine(), reader.faultColumn(),
                   u"кавичките в началото на клетката не са затворени; добавете "
                   u"кавички и в края на стойността или махнете началните"_s);
    case CsvReader::Fault::TextAfterQuote:
        table.fail(reader.faultLine(), reader.faultColumn(),
                   u"след затварящите кавички трябва да има разделител или нов ред; ако "
                   u"кавичките са част от текста, оградете цялата стойност в кавички, а "
                   u"всяка кавичка в нея напишете два пъти"_s);
    case CsvReader::Fault::None:
        break;
    }
    return table.finish();
}

// Runs a reader; a refusal from anywhere inside it becomes the error the teacher is shown.
template<typename Reader> QuizFileResult refusedOr(const TableSource &source, Reader read) {
    try {
        return read();
    } catch (const FileFault &fault) {
        return QuizFileError{source.name, fault.line, fault.column, fault.message, fault.sheet};
    }
}

// parseQuiz; given the array the bytes are in, it empties it once they are decoded, so that a
// large file's bytes and its cells are not held at the same time.
QuizFileResult parse(QByteArrayView bytes, const QString &fileName, QByteArray *decoded) {
    TableSource source = fileSource(fileName);
    return refusedOr(source, [&]() -> content::Quiz {
        if (bytes.size() > maxQuizFileBytes)
            throw FileFault{tooLarge(u"файлът"_s)};
        if (auto quiz = readStructuredFile(bytes, source))
            return *std::move(quiz);
        const QString text = decode(bytes);
        if (decoded != nullptr)
            decoded->clear();
        if (text.contains(QChar(0)))
            throw FileFault{u"това не е текстов файл, нито таблица .ods или .xlsx; запишете "
                            u"таблицата като CSV, .ods или .xlsx"_s};
        return readDelimitedText(text, detectSeparator(text), source);
    });
}

} // namespace

QuizFileResult parseQuiz(QByteArrayView bytes, const QString &fileName) {
    return parse(bytes, fileName, nullptr);
}

QuizFileResult parsePastedCells(QByteArrayView utf8, PastedCells format) {
    const TableSource source{pastedTextName.toString(), {}, pastedQuizTitle.toString()};
    return refusedOr(source, [&] {
        if (utf8.size() > maxQuizFileBytes)
            throw FileFault{tooLarge(u"поставеният текст"_s)};
        const QString text = QString::fromUtf8(utf8);
        if (!firstFilledLine(text).contains(u'\t')) {
            throw FileFault{u"поставеният текст не е таблица: копирайте клетките от електронна "
                            u"таблица, първия ред със заглавията на колоните"_s};
        }
        return readDelimitedText(text, u'\t', source,
                                 format == PastedCells::LibreOffice
                                     ? CsvReader::Quoting::OnlyAroundBreaks
                                     : CsvReader::Quoting::Lenient);
    });
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
        return fail(tooLarge(u"файлът"_s));
    // One byte more than allowed tells a file that grew since its size was taken.
    QByteArray bytes = file.read(maxQuizFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(u"файлът не може да бъде прочетен"_s);
    return parse(bytes, path, &bytes);
}

} // namespace quizfile
