#include "quizfile/namelist.h"

#include "quizfile/csvreader.h"
#include "quizfile/decoding.h"
#include "quizfile/filekind.h"
#include "quizfile/quizfile.h"
#include "quizfile/quiztable.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

// The column a list's names stand in, row by row, and where each is.
struct Cell {
    int line;
    int column;
    QString text;
};

std::vector<Cell> cellsOfSheet(const FirstSheet &sheet) {
    std::vector<Cell> cells;
    const std::vector<int> visible = sheet.rows.visibleColumns(sheet.rows.width());
    for (const SheetRows::Row &row : sheet.rows.rows())
        for (const int column : visible)
            if (std::size_t(column) <= row.cells.size())
                cells.push_back({row.line, column, row.cells[std::size_t(column) - 1]});
    return cells;
}

std::vector<Cell> cellsOfText(QStringView text) {
    std::vector<Cell> cells;
    CsvReader reader(text, detectSeparator(text));
    std::vector<TableCell> fields;
    while (reader.readRecord(fields))
        for (std::size_t i = 0; i < fields.size(); ++i)
            cells.push_back(
                {reader.recordLine(), int(i) + 1,
                 fields[i].quoted ? fields[i].text : withoutSurroundingBlanks(fields[i].text)});
    if (reader.fault() != CsvReader::Fault::None)
        throw FileFault{u"кавичките в клетката не са затворени"_s, reader.faultLine(),
                        reader.faultColumn()};
    return cells;
}

bool isCaption(const QString &text) {
    for (QStringView caption :
         {u"Име", u"Имена", u"Ученик", u"Ученици", u"Име и фамилия", u"Ученик/ученичка", u"Name"})
        if (text.compare(caption, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QStringList namesOf(const std::vector<Cell> &cells, const QString &sheet) {
    QStringList names;
    int firstColumn = 0;
    bool header = true;
    for (const Cell &cell : cells) {
        const QString name = cell.text.simplified();
        if (name.isEmpty())
            continue;
        if (firstColumn == 0)
            firstColumn = cell.column;
        const auto fail = [&](const QString &message) {
            throw FileFault{message, cell.line, cell.column, sheet};
        };
        if (cell.column != firstColumn)
            fail(u"списъкът на класа е една колона с имената; изтрийте тази клетка"_s);
        // The column's caption, when it has one: a list of names alone loses none.
        if (std::exchange(header, false) && isCaption(name))
            continue;
        if (name.size() > maxNameLength)
            fail(u"името е над "_s + QString::number(maxNameLength) + u" знака; съкратете го"_s);
        if (names.contains(name, Qt::CaseInsensitive))
            fail(u"името „"_s + name +
                 u"“ е записано два пъти; добавете нещо, което ги различава"_s);
        if (names.size() == maxNames)
            fail(u"в списъка може да има най-много "_s + QString::number(maxNames) + u" имена"_s);
        names << name;
    }
    if (names.isEmpty())
        throw FileFault{u"в списъка няма имена: на първия ред напишете „Име“, а под него – по "
                        u"едно име на ред"_s};
    return names;
}

} // namespace

NameListResult parseNameList(QByteArrayView bytes, const QString &fileName) {
    const QString name = QFileInfo(fileName).fileName();
    try {
        if (bytes.size() > maxQuizFileBytes)
            throw FileFault{u"файлът е твърде голям за списък на клас"_s};
        if (isVocabulary(bytes))
            throw FileFault{u"файлът е речник, а не списък на класа"_s};
        if (const auto sheet = readSpreadsheet(bytes))
            return namesOf(cellsOfSheet(*sheet), sheet->name);
        return namesOf(cellsOfText(decode(bytes)), {});
    } catch (const FileFault &fault) {
        return QuizFileError{name, fault.line, fault.column, fault.message, fault.sheet};
    }
}

NameListResult readNameList(const QString &path) {
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly))
        return QuizFileError{name, 0, 0, u"файлът не може да бъде отворен"_s};
    return parseNameList(file.read(maxQuizFileBytes + 1), path);
}

} // namespace quizfile
