#include "quizfile/filekind.h"

#include "quizfile/kvtmlreader.h"
#include "quizfile/quiztable.h"
#include "quizfile/spreadsheet/odsreader.h"
#include "quizfile/spreadsheet/xlsxreader.h"
#include "quizfile/spreadsheet/zippackage.h"

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

enum class Kind { Text, Zip, CompoundFile, Xml };

Kind kindOf(QByteArrayView bytes) {
    if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06"))
        return Kind::Zip;
    // Microsoft's compound file: Office 97-2003 documents, and encrypted Office 2007 ones.
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return Kind::CompoundFile;
    QByteArrayView start = bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
    while (!start.isEmpty() && QByteArrayView(" \t\r\n").contains(start.front()))
        start = start.sliced(1);
    // A markup name ends at a blank, '>' or '/': a table whose first cell reads "<kvtmlx" is text.
    const auto opens = [&start](QByteArrayView tag) {
        if (!start.startsWith(tag) || start.size() == tag.size())
            return false;
        return QByteArrayView(" \t\r\n>/").contains(start[tag.size()]);
    };
    if (opens("<?xml") || opens("<!DOCTYPE") || opens("<kvtml"))
        return Kind::Xml;
    return Kind::Text;
}

FirstSheet readArchive(QByteArrayView bytes) {
    ZipPackage package(bytes);
    if (package.contains(u"mimetype"_s)) {
        const QByteArray type = package.readAll(u"mimetype"_s, 256).trimmed();
        if (type.startsWith("application/vnd.oasis.opendocument.spreadsheet"))
            return readOds(package);
        if (type.startsWith("application/vnd.oasis.opendocument"))
            throw FileFault{u"файлът е документ на OpenDocument, но не е таблица (.ods)"_s};
    }
    if (package.contains(u"[Content_Types].xml"_s))
        return readXlsx(package);
    if (package.contains(u"content.xml"_s))
        return readOds(package);
    throw FileFault{u"файлът е ZIP архив, но не е таблица .ods или .xlsx"_s};
}

// The sheet's rows as the table check takes them: every row as wide as the widest, as a CSV of
// the sheet writes its rows, so that a cell left empty at the end of a row is an empty value,
// not a missing one.
content::Quiz quizOfSheet(const FirstSheet &sheet, TableSource source) {
    source.sheet = sheet.name;
    // The teacher does not see hidden columns: they are not the table's.
    const std::vector<int> visible = sheet.rows.visibleColumns(sheet.rows.width());
    if (visible.size() != sheet.rows.width())
        source.columns = visible;
    QuizTable table(std::move(source));
    std::vector<TableCell> cells(visible.size());
    for (const SheetRows::Row &row : sheet.rows.rows()) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto column = std::size_t(visible[i] - 1);
            cells[i].text = column < row.cells.size() ? row.cells[column] : QString();
        }
        table.addRow(row.line, cells);
    }
    return table.finish();
}

} // namespace

std::optional<FirstSheet> readSpreadsheet(QByteArrayView bytes) {
    switch (kindOf(bytes)) {
    case Kind::Text:
    case Kind::Xml:
        return std::nullopt;
    case Kind::Zip:
        return readArchive(bytes);
    case Kind::CompoundFile: {
        // The name of the stream that holds an encrypted workbook, in UTF-16.
        const QByteArrayView encrypted("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
        if (bytes.indexOf(encrypted) >= 0)
            throw FileFault{u"файлът е защитен с парола: запишете го без парола"_s};
        throw FileFault{u"файлът е в стария формат на Office (.xls от Excel 97–2003), който "
                        u"програмата не чете: запишете го като .xlsx или .ods"_s};
    }
    }
    return std::nullopt;
}

bool isVocabulary(QByteArrayView bytes) {
    return kindOf(bytes) == Kind::Xml;
}

std::optional<content::Quiz> readStructuredFile(QByteArrayView bytes, const TableSource &source) {
    if (isVocabulary(bytes))
        return readKvtml(bytes, source);
    if (auto sheet = readSpreadsheet(bytes))
        return quizOfSheet(*sheet, source);
    return std::nullopt;
}

} // namespace quizfile
