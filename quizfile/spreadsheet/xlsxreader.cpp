#include "quizfile/spreadsheet/xlsxreader.h"

#include "quizfile/spreadsheet/caps.h"
#include "quizfile/spreadsheet/cellformat.h"
#include "quizfile/spreadsheet/sheetrows.h"
#include "quizfile/spreadsheet/xmlstream.h"
#include "quizfile/spreadsheet/zippackage.h"

#include <QHash>

#include <array>

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

struct Relationship {
    QString type;   // the last step of its type, e.g. "worksheet"
    QString target; // the part it points to, from the archive's root
};

// The folder of a part, with its slash: "xl/" for "xl/workbook.xml".
QString folderOf(const QString &part) {
    return part.left(part.lastIndexOf(u'/') + 1);
}

// A part's relationships, by id, their targets resolved against the part's folder.
QHash<QString, Relationship> readRelationships(ZipPackage &package, const QString &part) {
    const QString folder = folderOf(part);
    const QString relationships = folder + u"_rels/"_s + part.mid(folder.size()) + u".rels"_s;
    QHash<QString, Relationship> result;
    if (!package.contains(relationships))
        return result;
    package.open(relationships);
    XmlStream xml(relationships, [&package] { return package.readChunk(); });
    if (!xml.nextChild(0))
        return result;
    while (xml.nextChild(1)) {
        if (xml.name() != u"Relationship" || xml.attribute(u"TargetMode") == u"External")
            continue;
        const QStringView type = xml.attribute(u"Type");
        const QString target = xml.attribute(u"Target").toString();
        QStringList steps;
        const QString path = target.startsWith(u'/') ? target.mid(1) : folder + target;
        for (const QString &step : path.split(u'/', Qt::SkipEmptyParts)) {
            if (step == u"..") {
                if (!steps.isEmpty())
                    steps.removeLast();
            } else if (step != u".") {
                steps.append(step);
            }
        }
        result.insert(xml.attribute(u"Id").toString(),
                      {type.mid(type.lastIndexOf(u'/') + 1).toString(), steps.join(u'/')});
    }
    return result;
}

QString targetOfType(const QHash<QString, Relationship> &relationships, QStringView type) {
    for (const Relationship &relationship : relationships) {
        if (relationship.type == type)
            return relationship.target;
    }
    return {};
}

// Text as Office Open XML writes it: a character XML cannot hold is written "_x000D_", and an
// underscore that would read as such "_x005F_".
QString decodeEscapes(QString text) {
    for (qsizetype at = text.indexOf(u"_x"_s); at >= 0; at = text.indexOf(u"_x"_s, at + 1)) {
        if (at + 7 > text.size() || text[at + 6] != u'_')
            continue;
        bool ok = false;
        const ushort code = QStringView(text).mid(at + 2, 4).toUShort(&ok, 16);
        if (ok)
            text.replace(at, 7, QChar(code));
    }
    return text;
}

// The text of a string item (shared or inline): its runs joined, phonetic guides left out.
QString stringItem(XmlStream &xml) {
    const int depth = xml.depth();
    QString text;
    for (;;) {
        const QXmlStreamReader::TokenType token = xml.next();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"t")
                text += xml.readText();
            else if (xml.name() == u"rPh" || xml.name() == u"phoneticPr")
                xml.skipElement();
        } else if (xml.ends(token, depth)) {
            return decodeEscapes(text);
        }
    }
}

// The number format of each cell style, by the style's index.
std::vector<QString> readNumberFormats(ZipPackage &package, const QString &part) {
    std::vector<QString> formats;
    if (part.isEmpty() || !package.contains(part))
        return formats;
    package.open(part);
    XmlStream xml(part, [&package] { return package.readChunk(); });
    QHash<int, QString> custom;
    if (!xml.nextChild(0))
        return formats;
    while (xml.nextChild(1)) {
        if (xml.name() == u"numFmts") {
            while (xml.nextChild(2)) {
                custom.insert(xml.attribute(u"numFmtId").toInt(),
                              xml.attribute(u"formatCode").toString());
            }
        } else if (xml.name() == u"cellXfs") {
            while (xml.nextChild(2) && formats.size() < size_t(maxSheetCells)) {
                const int id = xml.attribute(u"numFmtId").toInt();
                formats.push_back(custom.value(id, builtInNumberFormat(id)));
            }
        }
    }
    return formats;
}

// The column and row of a cell reference such as "B7"; 0 for a part that is missing.
std::pair<qint64, qint64> cellReference(QStringView reference) {
    qint64 column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i].isLetter() && column <= maxSheetColumns; ++i)
        column = column * 26 + (reference[i].toUpper().unicode() - u'A' + 1);
    const qint64 line = reference.mid(i).toLongLong();
    return {column, std::min(line, qint64(maxSheetRows) + 1)};
}

struct Workbook {
    std::vector<QString> numberFormats;
    bool date1904 = false;
};

// The text of the cell the stream is on, as the sheet shows it, or its shared text's index.
void readCell(XmlStream &xml, const Workbook &workbook, SheetRows &rows, qint64 line,
              qint64 column) {
    const QString type = xml.attribute(u"t").toString();
    const int style = xml.attribute(u"s").toInt();
    const int depth = xml.depth();
    QString value;
    QString inlineText;
    while (xml.nextChild(depth)) {
        if (xml.name() == u"v")
            value = xml.readText();
        else if (xml.name() == u"is")
            inlineText = stringItem(xml);
        else
            xml.skipElement(); // the formula itself: its cached result is the value
    }
    QString text;
    if (type == u"s") {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        if (ok)
            rows.setShared(line, column, index);
        return;
    }
    if (type == u"inlineStr")
        text = inlineText;
    else if (type == u"str" || type == u"e")
        text = decodeEscapes(value);
    else if (!value.isEmpty()) {
        const QString format = size_t(style) < workbook.numberFormats.size() && style >= 0
                                   ? workbook.numberFormats[size_t(style)]
                                   : QString();
        bool ok = false;
        const double number = value.trimmed().toDouble(&ok);
        // A truth value shows as its format says (LibreOffice writes „ВЯРНО“;„НЕВЯРНО“), or as
        // Excel shows it.
        if (type == u"b")
            text = format.isEmpty() || format.compare(u"General"_s, Qt::CaseInsensitive) == 0
                       ? formatBoolean(number != 0)
                       : formatNumber(number != 0 ? 1 : 0, format);
        else
            text = ok ? formatNumber(number, format, workbook.date1904) : value;
    }
    if (!text.isEmpty())
        rows.set(line, column, text);
}

void readSheetData(XmlStream &xml, const Workbook &workbook, SheetRows &rows) {
    const int depth = xml.depth();
    qint64 line = 0;
    while (xml.nextChild(depth) && !rows.full()) {
        if (xml.name() != u"row") {
            xml.skipElement();
            continue;
        }
        const QStringView number = xml.attribute(u"r");
        const qint64 next = number.isEmpty() ? line + 1 : cellReference(number).second;
        // Rows stand in order, each once: a sheet can hold no more row elements than rows.
        if (next <= line || next > maxSheetRows) {
            throw FileFault{u"файлът е повреден: ред "_s + QString::number(next) +
                            u" на листа е не на мястото си"_s};
        }
        line = next;
        const QStringView hidden = xml.attribute(u"hidden");
        if (hidden == u"1" || hidden == u"true")
            rows.hideRows(line, line);
        qint64 column = 0;
        while (xml.nextChild(depth + 1)) {
            if (xml.name() != u"c") {
                xml.skipElement();
                continue;
            }
            const QStringView reference = xml.attribute(u"r");
            const auto [referenceColumn, referenceLine] = cellReference(reference);
            column = referenceColumn > 0 ? referenceColumn : column + 1;
            readCell(xml, workbook, rows, referenceLine > 0 ? referenceLine : line, column);
        }
    }
}

// The columns a sheet hides.
void readColumns(XmlStream &xml, SheetRows &rows) {
    const int depth = xml.depth();
    while (xml.nextChild(depth)) {
        const QStringView hidden = xml.attribute(u"hidden");
        if (xml.name() == u"col" && (hidden == u"1" || hidden == u"true"))
            rows.hideColumns(xml.attribute(u"min").toLongLong(),
                             xml.attribute(u"max").toLongLong());
    }
}

// The merged ranges: first column, first line, last column, last line.
using Range = std::array<qint64, 4>;

void readMerges(XmlStream &xml, std::vector<Range> &merges) {
    const int depth = xml.depth();
    while (xml.nextChild(depth)) {
        const QStringList corners = xml.attribute(u"ref").toString().split(u':');
        if (corners.size() != 2)
            continue;
        const auto [firstColumn, firstLine] = cellReference(corners[0]);
        const auto [lastColumn, lastLine] = cellReference(corners[1]);
        if (merges.size() == size_t(maxSheetCells))
            throw FileFault{u"файлът е повреден: има повече слети клетки, отколкото клетки"_s};
        merges.push_back({firstColumn, firstLine, lastColumn, lastLine});
    }
}

// The shared texts the sheet's cells use (the others stay empty), read up to the last of them.
std::vector<QString> readSharedStrings(ZipPackage &package, const QString &part, int largest) {
    std::vector<QString> texts;
    if (largest < 0 || part.isEmpty() || !package.contains(part))
        return texts;
    package.open(part);
    XmlStream xml(part, [&package] { return package.readChunk(); });
    if (!xml.nextChild(0))
        return texts;
    texts.reserve(size_t(largest) + 1);
    while (texts.size() <= size_t(largest) && xml.nextChild(1)) {
        if (xml.name() == u"si")
            texts.push_back(stringItem(xml));
    }
    return texts;
}

} // namespace

FirstSheet readXlsx(ZipPackage &package) {
    const QString workbookPart = targetOfType(readRelationships(package, {}), u"officeDocument");
    if (workbookPart.endsWith(u".bin"_s)) {
        throw FileFault{u"файлът е двоична книга на Excel (.xlsb), която програмата не чете: "
                        u"запишете я като .xlsx или .ods"_s};
    }
    if (workbookPart.isEmpty() || !package.contains(workbookPart))
        throw FileFault{u"файлът е повреден: в архива няма работна книга"_s};
    const QHash<QString, Relationship> parts = readRelationships(package, workbookPart);

    Workbook workbook;
    FirstSheet sheet;
    QString sheetPart;
    {
        package.open(workbookPart);
        XmlStream xml(workbookPart, [&package] { return package.readChunk(); });
        if (!xml.nextChild(0) || xml.name() != u"workbook")
            throw FileFault{u"файлът е документ на Office, но не е таблица на Excel"_s};
        while (sheetPart.isEmpty() && xml.nextChild(1)) {
            if (xml.name() == u"workbookPr") {
                const QStringView date1904 = xml.attribute(u"date1904");
                workbook.date1904 = date1904 == u"1" || date1904 == u"true";
            } else if (xml.name() == u"sheets" && xml.nextChild(2)) {
                sheet.name = xml.attribute(u"name").toString();
                const Relationship sheet = parts.value(xml.attribute(u"id").toString());
                if (sheet.type != u"worksheet")
                    throw FileFault{
                        u"първият лист на книгата не е таблица (а диаграма или макрос)"_s};
                sheetPart = sheet.target;
            }
        }
    }
    if (sheetPart.isEmpty())
        throw FileFault{u"книгата няма нито един лист"_s};
    workbook.numberFormats = readNumberFormats(package, targetOfType(parts, u"styles"));

    SheetRows &rows = sheet.rows;
    std::vector<Range> merges;
    {
        package.open(sheetPart);
        XmlStream xml(sheetPart, [&package] { return package.readChunk(); });
        if (!xml.nextChild(0) || xml.name() != u"worksheet")
            throw FileFault{u"първият лист на книгата не е таблица"_s};
        while (xml.nextChild(1) && !rows.full()) {
            if (xml.name() == u"cols")
                readColumns(xml, rows);
            else if (xml.name() == u"sheetData")
                readSheetData(xml, workbook, rows);
            else if (xml.name() == u"mergeCells")
                readMerges(xml, merges);
        }
    }
    rows.resolveShared(
        readSharedStrings(package, targetOfType(parts, u"sharedStrings"), rows.largestShared()));
    for (const auto &[firstColumn, firstLine, lastColumn, lastLine] : merges)
        rows.merge(firstLine, firstColumn, lastLine, lastColumn);
    return sheet;
}

} // namespace quizfile
