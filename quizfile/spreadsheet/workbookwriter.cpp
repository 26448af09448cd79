#include "quizfile/spreadsheet/workbookwriter.h"

#include "quizfile/spreadsheet/cellformat.h"

#include <QHash>
#include <QLocale>
#include <QSet>

#include <minizip/zip.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

// The archive being written, as minizip's I/O functions see a file: it seeks back to fill in
// each part's sizes and checksum once the part is written.
struct MemoryArchive {
    QByteArray bytes;
    qint64 position = 0;
};

voidpf ZCALLBACK openArchive(voidpf opaque, const void *, int) {
    return opaque;
}

uLong ZCALLBACK readArchive(voidpf, voidpf, void *, uLong) {
    return 0;
}

uLong ZCALLBACK writeArchive(voidpf, voidpf stream, const void *buffer, uLong size) {
    auto *archive = static_cast<MemoryArchive *>(stream);
    const auto *data = static_cast<const char *>(buffer);
    const qint64 overwritten =
        std::min<qint64>(qint64(size), archive->bytes.size() - archive->position);
    std::memcpy(archive->bytes.data() + archive->position, data, size_t(overwritten));
    archive->bytes.append(data + overwritten, qsizetype(size) - overwritten);
    archive->position += qint64(size);
    return size;
}

ZPOS64_T ZCALLBACK tellArchive(voidpf, voidpf stream) {
    return ZPOS64_T(static_cast<MemoryArchive *>(stream)->position);
}

long ZCALLBACK seekArchive(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto *archive = static_cast<MemoryArchive *>(stream);
    qint64 base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = archive->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = archive->bytes.size();
    if (offset > ZPOS64_T(archive->bytes.size()) || base + qint64(offset) > archive->bytes.size())
        return -1;
    archive->position = base + qint64(offset);
    return 0;
}

int ZCALLBACK closeArchive(voidpf, voidpf) {
    return 0;
}

int ZCALLBACK archiveError(voidpf, voidpf) {
    return 0;
}

// A ZIP archive written in memory with minizip, its parts in the order they are added.
class ZipWriter {
public:
    ZipWriter() {
        m_functions = {openArchive, readArchive,  writeArchive, tellArchive,
                       seekArchive, closeArchive, archiveError, &m_archive};
        m_handle = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &m_functions);
        m_ok = m_handle != nullptr;
    }
    ~ZipWriter() {
        if (m_handle != nullptr)
            zipClose(m_handle, nullptr);
    }
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // A stored part has no extra field and its bytes as they are: an OpenDocument file's
    // mimetype must be, so that a program can read its kind at a fixed place.
    void add(const char *name, const QByteArray &data, bool deflated = true) {
        constexpr int defaultMemoryLevel = 8; // zlib's own, which minizip does not export
        if (!m_ok)
            return;
        // Every part dated 1 January 1980, the first day ZIP can tell: the same sheets give the
        // same bytes.
        zip_fileinfo info{};
        info.tmz_date.tm_mday = 1;
        info.tmz_date.tm_year = 1980;
        const int zip64 = data.size() >= 0xFFFFFFFF ? 1 : 0;
        m_ok = zipOpenNewFileInZip3_64(
                   m_handle, name, &info, nullptr, 0, nullptr, 0, nullptr,
                   deflated ? Z_DEFLATED : 0, deflated ? Z_DEFAULT_COMPRESSION : 0, 0, -MAX_WBITS,
                   defaultMemoryLevel, Z_DEFAULT_STRATEGY, nullptr, 0, zip64) == ZIP_OK;
        constexpr qsizetype chunk = qsizetype{1} << 20;
        for (qsizetype at = 0; m_ok && at < data.size(); at += chunk) {
            const auto size = unsigned(std::min(chunk, data.size() - at));
            m_ok = zipWriteInFileInZip(m_handle, data.constData() + at, size) == ZIP_OK;
        }
        m_ok = zipCloseFileInZip(m_handle) == ZIP_OK && m_ok;
    }

    // The archive; empty when any part could not be written.
    QByteArray finish() {
        const bool closed = m_handle != nullptr && zipClose(m_handle, nullptr) == ZIP_OK;
        m_handle = nullptr;
        return m_ok && closed ? std::move(m_archive.bytes) : QByteArray();
    }

private:
    MemoryArchive m_archive;
    zlib_filefunc64_def m_functions{};
    zipFile m_handle = nullptr;
    bool m_ok = false;
};

// A character of text as a code point, a surrogate pair joined; a lone surrogate stays itself.
char32_t codePointAt(QStringView text, qsizetype i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[i + 1]);
    return c.unicode();
}

// Whether XML 1.0 can hold the character (a lone surrogate it cannot).
bool isXmlCharacter(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Appends a character that XML holds, escaped where it must be, in text or in an attribute
// in double quotes.
void appendEscaped(QString &xml, QStringView character) {
    if (character == u"&")
        xml += u"&amp;";
    else if (character == u"<")
        xml += u"&lt;";
    else if (character == u">")
        xml += u"&gt;";
    else if (character == u"\"")
        xml += u"&quot;";
    else
        xml += character;
}

// Appends text whose every character XML holds (a sheet's name).
void appendXml(QString &xml, QStringView text) {
    for (QChar c : text)
        appendEscaped(xml, QStringView(&c, 1));
}

// A number as XML writes a double: the shortest text that reads back as the same number.
QString xmlNumber(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

bool isNumber(const SheetCell &cell) {
    return cell.number && std::isfinite(*cell.number);
}

bool hasLineBreak(const SheetCell &cell) {
    return !isNumber(cell) && (cell.text.contains(u'\n') || cell.text.contains(u'\r'));
}

// The workbook to write: no sheets is one empty sheet; nothing past a spreadsheet's size.
const std::vector<Sheet> *fitting(const std::vector<Sheet> &sheets) {
    static const std::vector<Sheet> oneEmptySheet(1);
    for (const Sheet &sheet : sheets) {
        if (sheet.rows.size() > size_t(maxWrittenRows))
            return nullptr;
        for (const auto &row : sheet.rows) {
            if (row.size() > size_t(maxWrittenColumns))
                return nullptr;
        }
    }
    return sheets.empty() ? &oneEmptySheet : &sheets;
}

bool isNameEnd(QChar c) {
    return c.isSpace() || c == u'\'';
}

QString withoutNameEnds(QString name) {
    qsizetype start = 0;
    qsizetype end = name.size();
    while (start < end && isNameEnd(name[start]))
        ++start;
    while (end > start && isNameEnd(name[end - 1]))
        --end;
    return name.mid(start, end - start);
}

// The first characters of a name, at most length, a surrogate pair kept whole.
QString nameCut(const QString &name, qsizetype length) {
    if (name.size() <= length)
        return name;
    if (name[length - 1].isHighSurrogate())
        --length;
    return withoutNameEnds(name.left(length));
}

constexpr qsizetype maxSheetNameLength = 31;

QString validSheetName(const QString &name) {
    QString valid;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char32_t c = codePointAt(name, i);
        if (c > 0xFFFF) {
            valid += name.mid(i++, 2);
        } else if (QStringView(u":\\/?*[]").contains(QChar(char16_t(c)))) {
            valid += u'-';
        } else if (!isXmlCharacter(c) || QChar::category(c) == QChar::Other_Control ||
                   c == 0x2028 || c == 0x2029) {
            valid += u' ';
        } else {
            valid += QChar(char16_t(c));
        }
    }
    return nameCut(withoutNameEnds(valid), maxSheetNameLength);
}

// Column numbers from 1 as a cell reference names them: A to Z, then AA, AB…
QString columnName(int column) {
    QString name;
    for (; column > 0; column = (column - 1) / 26)
        name.prepend(QChar(u'A' + (column - 1) % 26));
    return name;
}

// --- OpenDocument ---

// Appends a cell's text as its paragraphs, a line break ending one. A reader of the format
// takes blanks in a paragraph as one space, and none at its start or end, so a space is written
// as itself only between two characters, and every other as an element.
void appendOdsText(QString &xml, QStringView text) {
    xml += u"<text:p>";
    bool afterCharacter = false;
    qsizetype spaces = 0;
    const auto writeSpaces = [&](bool beforeCharacter) {
        if (spaces > 0 && afterCharacter && beforeCharacter) {
            xml += u' ';
            --spaces;
        }
        if (spaces == 1)
            xml += u"<text:s/>";
        else if (spaces > 1)
            xml += u"<text:s text:c=\""_s + QString::number(spaces) + u"\"/>"_s;
        spaces = 0;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u' ') {
            ++spaces;
            continue;
        }
        const char32_t code = codePointAt(text, i);
        const bool isCharacter = c != u'\r' && c != u'\n' && c != u'\t' && isXmlCharacter(code);
        writeSpaces(isCharacter);
        afterCharacter = isCharacter;
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            xml += u"</text:p><text:p>";
        } else if (c == u'\t') {
            // The character itself, which Calc keeps: a <text:tab/> in a cell it drops.
            xml += c;
        } else if (isCharacter) {
            const qsizetype length = code > 0xFFFF ? 2 : 1;
            appendEscaped(xml, text.mid(i, length));
            i += length - 1;
        }
    }
    writeSpaces(false);
    xml += u"</text:p>";
}

QString odsContent(const std::vector<Sheet> &sheets, const QStringList &names) {
    QString xml = uR"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
                  uR"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
                  uR"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
                  uR"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
                  uR"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" )"
                  uR"(office:version="1.2"><office:automatic-styles>)"
                  uR"(<style:style style:name="ce1" style:family="table-cell">)"
                  uR"(<style:table-cell-properties fo:wrap-option="wrap"/></style:style>)"
                  uR"(</office:automatic-styles><office:body><office:spreadsheet>)"_s;
    for (size_t s = 0; s < sheets.size(); ++s) {
        xml += u"<table:table table:name=\"";
        appendXml(xml, names[qsizetype(s)]);
        xml += u"\">";
        // A table declares its columns before its rows, and holds at least one of each.
        size_t width = 1;
        for (const auto &row : sheets[s].rows)
            width = std::max(width, row.size());
        xml += width == 1 ? u"<table:table-column/>"_s
                          : u"<table:table-column table:number-columns-repeated=\""_s +
                                QString::number(width) + u"\"/>"_s;
        for (const auto &row : sheets[s].rows) {
            xml += u"<table:table-row>";
            if (row.empty())
                xml += u"<table:table-cell/>";
            for (const SheetCell &cell : row) {
                if (isNumber(cell)) {
                    xml += u"<table:table-cell office:value-type=\"float\" office:value=\""_s +
                           xmlNumber(*cell.number) + u"\"><text:p>"_s;
                    appendXml(xml, formatNumber(*cell.number, u"General"));
                    xml += u"</text:p></table:table-cell>";
                } else if (cell.text.isEmpty()) {
                    xml += u"<table:table-cell/>";
                } else {
                    xml += hasLineBreak(cell) ? u"<table:table-cell table:style-name=\"ce1\" "_s
                                              : u"<table:table-cell "_s;
                    xml += u"office:value-type=\"string\">";
                    appendOdsText(xml, cell.text);
                    xml += u"</table:table-cell>";
                }
            }
            xml += u"</table:table-row>";
        }
        if (sheets[s].rows.empty())
            xml += u"<table:table-row><table:table-cell/></table:table-row>";
        xml += u"</table:table>";
    }
    xml += u"</office:spreadsheet></office:body></office:document-content>\n";
    return xml;
}

// --- Office Open XML ---

// Whether the text holds Office Open XML's escape of a character at i: _xHHHH_.
bool isEscapeAt(QStringView text, qsizetype i) {
    if (i + 7 > text.size() || text[i] != u'_' || text[i + 1] != u'x' || text[i + 6] != u'_')
        return false;
    return std::all_of(text.begin() + i + 2, text.begin() + i + 6, [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
}

void appendXlsxText(QString &xml, QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t code = codePointAt(text, i);
        if (isEscapeAt(text, i)) {
            xml += u"_x005F_";
        } else if (code > 0xFFFF) {
            xml += text.mid(i++, 2);
        } else if (!isXmlCharacter(code) || code == u'\r') {
            // XML reads a CR as a line end, LF, so a CR is escaped too.
            xml +=
                u"_x"_s + QString::number(uint(code), 16).toUpper().rightJustified(4, u'0') + u'_';
        } else {
            appendEscaped(xml, text.mid(i, 1));
        }
    }
}

// The text of a cell as Excel holds it: cut at its limit, a surrogate pair kept whole.
QString xlsxCellText(const QString &text) {
    if (text.size() <= maxXlsxCellChars)
        return text;
    return text.left(text[maxXlsxCellChars - 1].isHighSurrogate() ? maxXlsxCellChars - 1
                                                                  : maxXlsxCellChars);
}

const QString mainNamespace = u"http://schemas.openxmlformats.org/spreadsheetml/2006/main"_s;
const QString relationshipTypes =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships"_s;
const QString xmlDeclaration = u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"_s;

QString relationships(const QString &inner) {
    return xmlDeclaration +
           u"<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
           u"relationships\">"_s +
           inner + u"</Relationships>"_s;
}

QString relationship(int id, const QString &type, const QString &target) {
    return u"<Relationship Id=\"rId"_s + QString::number(id) + u"\" Type=\""_s + relationshipTypes +
           u'/' + type + u"\" Target=\""_s + target + u"\"/>"_s;
}

// The workbook's texts, each once, in the order cells first use them.
class SharedStrings {
public:
    int indexOf(const QString &text) {
        ++m_uses;
        if (const auto at = m_indexes.constFind(text); at != m_indexes.cend())
            return *at;
        m_xml += u"<si><t xml:space=\"preserve\">";
        appendXlsxText(m_xml, text);
        m_xml += u"</t></si>";
        const int index = int(m_indexes.size());
        m_indexes.insert(text, index);
        return index;
    }
    QString part() const {
        return xmlDeclaration + u"<sst xmlns=\""_s + mainNamespace + u"\" count=\""_s +
               QString::number(m_uses) + u"\" uniqueCount=\""_s +
               QString::number(m_indexes.size()) + u"\">"_s + m_xml + u"</sst>"_s;
    }

private:
    QHash<QString, int> m_indexes;
    QString m_xml;
    qint64 m_uses = 0;
};

QString xlsxSheet(const Sheet &sheet, SharedStrings &strings) {
    QString xml = xmlDeclaration + u"<worksheet xmlns=\""_s + mainNamespace + u"\"><sheetData>"_s;
    for (size_t line = 0; line < sheet.rows.size(); ++line) {
        const QString number = QString::number(line + 1);
        QString cells;
        for (size_t column = 0; column < sheet.rows[line].size(); ++column) {
            const SheetCell &cell = sheet.rows[line][column];
            if (!isNumber(cell) && cell.text.isEmpty())
                continue;
            cells += u"<c r=\""_s + columnName(int(column) + 1) + number + u'"';
            if (isNumber(cell)) {
                cells += u"><v>"_s + xmlNumber(*cell.number) + u"</v></c>"_s;
                continue;
            }
            if (hasLineBreak(cell))
                cells += u" s=\"1\"";
            cells += u" t=\"s\"><v>"_s + QString::number(strings.indexOf(xlsxCellText(cell.text))) +
                     u"</v></c>"_s;
        }
        if (!cells.isEmpty())
            xml += u"<row r=\""_s + number + u"\">"_s + cells + u"</row>"_s;
    }
    xml += u"</sheetData></worksheet>";
    return xml;
}

// One font, the two fills every workbook has, one border; the cell styles plain and wrapped.
QString xlsxStyles() {
    return xmlDeclaration + u"<styleSheet xmlns=\""_s + mainNamespace +
           uR"(">)"
           uR"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/><family val="2"/>)"
           uR"(</font></fonts><fills count="2"><fill><patternFill patternType="none"/></fill>)"
           uR"(<fill><patternFill patternType="gray125"/></fill></fills>)"
           uR"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border>)"
           uR"(</borders><cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" )"
           uR"(borderId="0"/></cellStyleXfs><cellXfs count="2"><xf numFmtId="0" fontId="0" )"
           uR"(fillId="0" borderId="0" xfId="0"/><xf numFmtId="0" fontId="0" fillId="0" )"
           uR"(borderId="0" xfId="0" applyAlignment="1"><alignment wrapText="1"/></xf>)"
           uR"(</cellXfs><cellStyles count="1"><cellStyle name="Normal" xfId="0" )"
           uR"(builtinId="0"/></cellStyles></styleSheet>)"_s;
}

} // namespace

QStringList workbookSheetNames(const std::vector<Sheet> &sheets) {
    QStringList names;
    QSet<QString> taken{u"history"_s};
    for (size_t i = 0; i < sheets.size(); ++i) {
        QString name = validSheetName(sheets[i].name);
        if (name.isEmpty())
            name = u"Лист"_s + QString::number(i + 1);
        for (int copy = 2; taken.contains(name.toCaseFolded()); ++copy) {
            const QString suffix = u" ("_s + QString::number(copy) + u')';
            name = nameCut(validSheetName(sheets[i].name), maxSheetNameLength - suffix.size());
            if (name.isEmpty())
                name = u"Лист"_s + QString::number(i + 1);
            name += suffix;
        }
        taken.insert(name.toCaseFolded());
        names.append(name);
    }
    return names;
}

QByteArray writeOds(const std::vector<Sheet> &given) {
    const std::vector<Sheet> *sheets = fitting(given);
    if (sheets == nullptr)
        return {};
    ZipWriter zip;
    zip.add("mimetype", "application/vnd.oasis.opendocument.spreadsheet", false);
    zip.add("META-INF/manifest.xml",
            R"(<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" )"
            R"(manifest:version="1.2"><manifest:file-entry manifest:full-path="/" )"
            R"(manifest:version="1.2" )"
            R"(manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>)"
            R"(<manifest:file-entry manifest:full-path="content.xml" )"
            R"(manifest:media-type="text/xml"/></manifest:manifest>)"
            "\n");
    zip.add("content.xml", odsContent(*sheets, workbookSheetNames(*sheets)).toUtf8());
    return zip.finish();
}

QByteArray writeXlsx(const std::vector<Sheet> &given) {
    const std::vector<Sheet> *sheets = fitting(given);
    if (sheets == nullptr)
        return {};
    const QStringList names = workbookSheetNames(*sheets);
    const int count = int(sheets->size());
    // The worksheets are relationships 1 to count of the workbook, the styles and the shared
    // strings the two after them.
    QString overrides;
    QString sheetList;
    QString workbookRelationships;
    for (int i = 1; i <= count; ++i) {
        const QString part = u"worksheets/sheet"_s + QString::number(i) + u".xml"_s;
        overrides += u"<Override PartName=\"/xl/"_s + part +
                     u"\" ContentType=\"application/vnd.openxmlformats-officedocument."
                     u"spreadsheetml.worksheet+xml\"/>"_s;
        sheetList += u"<sheet name=\""_s;
        appendXml(sheetList, names[i - 1]);
        sheetList += u"\" sheetId=\""_s + QString::number(i) + u"\" r:id=\"rId"_s +
                     QString::number(i) + u"\"/>"_s;
        workbookRelationships += relationship(i, u"worksheet"_s, part);
    }
    workbookRelationships += relationship(count + 1, u"styles"_s, u"styles.xml"_s) +
                             relationship(count + 2, u"sharedStrings"_s, u"sharedStrings.xml"_s);

    ZipWriter zip;
    const QString officeType = u"application/vnd.openxmlformats-officedocument.spreadsheetml."_s;
    zip.add("[Content_Types].xml",
            (xmlDeclaration +
             u"<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             u"<Default Extension=\"rels\" "
             u"ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             u"<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
             u"<Override PartName=\"/xl/workbook.xml\" ContentType=\""_s +
             officeType + u"sheet.main+xml\"/>"_s + overrides +
             u"<Override PartName=\"/xl/styles.xml\" ContentType=\""_s + officeType +
             u"styles+xml\"/><Override PartName=\"/xl/sharedStrings.xml\" ContentType=\""_s +
             officeType + u"sharedStrings+xml\"/></Types>"_s)
                .toUtf8());
    zip.add("_rels/.rels",
            relationships(relationship(1, u"officeDocument"_s, u"xl/workbook.xml"_s)).toUtf8());
    zip.add("xl/workbook.xml",
            (xmlDeclaration + u"<workbook xmlns=\""_s + mainNamespace + u"\" xmlns:r=\""_s +
             relationshipTypes + u"\"><sheets>"_s + sheetList + u"</sheets></workbook>"_s)
                .toUtf8());
    zip.add("xl/_rels/workbook.xml.rels", relationships(workbookRelationships).toUtf8());
    SharedStrings strings;
    for (int i = 1; i <= count; ++i) {
        const QByteArray name = "xl/worksheets/sheet" + QByteArray::number(i) + ".xml";
        zip.add(name.constData(), xlsxSheet((*sheets)[size_t(i - 1)], strings).toUtf8());
    }
    zip.add("xl/styles.xml", xlsxStyles().toUtf8());
    zip.add("xl/sharedStrings.xml", strings.part().toUtf8());
    return zip.finish();
}

} // namespace quizfile
