#pragma once
// Spreadsheet files made in memory for tests, fuzzing and benchmarks: a ZIP archive of given
// entries (stored or deflated, sizes and flags as a test needs them), and the smallest .xlsx
// and .ods around a sheet's XML.
#include <QByteArray>
#include <QString>

#include <zlib.h>

#include <vector>

namespace spreadsheetfixture {

struct Entry {
    QString name;
    QByteArray data;
    bool deflated = false;
    bool encrypted = false;  // only the flag: the data stays as it is
    qint64 claimedSize = -1; // the unpacked size the directory gives, when not the true one
};

inline QByteArray zip(const std::vector<Entry> &entries) {
    QByteArray out;
    QByteArray directory;
    const auto put = [](QByteArray &to, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            to += char((value >> (8 * i)) & 0xFF);
    };
    for (const Entry &entry : entries) {
        QByteArray packed = entry.data;
        if (entry.deflated) {
            z_stream stream{};
            deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
            packed.resize(qsizetype(deflateBound(&stream, uLong(entry.data.size()))));
            stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(entry.data.data()));
            stream.avail_in = uInt(entry.data.size());
            stream.next_out = reinterpret_cast<Bytef *>(packed.data());
            stream.avail_out = uInt(packed.size());
            deflate(&stream, Z_FINISH);
            packed.truncate(qsizetype(stream.total_out));
            deflateEnd(&stream);
        }
        const QByteArray name = entry.name.toUtf8();
        const auto crc = quint32(
            crc32(0, reinterpret_cast<const Bytef *>(entry.data.data()), uInt(entry.data.size())));
        const auto size = quint32(entry.claimedSize >= 0 ? entry.claimedSize : entry.data.size());
        const auto header = [&](QByteArray &to, bool central) {
            put(to, central ? 0x02014b50 : 0x04034b50, 4);
            if (central)
                put(to, 20, 2);                            // made by
            put(to, 20, 2);                                // needed to extract
            put(to, (entry.encrypted ? 1 : 0) | 0x800, 2); // names in UTF-8
            put(to, entry.deflated ? 8 : 0, 2);
            put(to, 0, 4); // time and date
            put(to, crc, 4);
            put(to, quint32(packed.size()), 4);
            put(to, size, 4);
            put(to, quint32(name.size()), 2);
            put(to, 0, 2); // extra field
            if (central) {
                put(to, 0, 4); // comment, disk
                put(to, 0, 4); // internal and part of the external attributes
                put(to, 0, 2);
                put(to, quint32(out.size()), 4);
            }
            to += name;
        };
        header(directory, true);
        header(out, false);
        out += packed;
    }
    const auto directoryStart = quint32(out.size());
    out += directory;
    put(out, 0x06054b50, 4);
    put(out, 0, 4);
    put(out, quint32(entries.size()), 2);
    put(out, quint32(entries.size()), 2);
    put(out, quint32(directory.size()), 4);
    put(out, directoryStart, 4);
    put(out, 0, 2);
    return out;
}

// An .xlsx whose first sheet, „Лист1“, holds the given rows (<row> elements) and what follows
// them (merged cells), with the given shared strings and cell styles (their inner XML), the
// sheet's XML after the given prolog, and the given column definitions (<cols>) before the rows.
inline QByteArray xlsx(const QByteArray &rows, const QByteArray &sharedStrings = {},
                       const QByteArray &styles = {}, const QByteArray &afterRows = {},
                       const QByteArray &prolog = {}, const QByteArray &columns = {}) {
    const QByteArray main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray relationship = "http://schemas.openxmlformats.org/officeDocument/2006/"
                                    "relationships";
    const auto rel = [&](const char *id, const char *type, const char *target) {
        return "<Relationship Id=\"" + QByteArray(id) + "\" Type=\"" + relationship + '/' + type +
               "\" Target=\"" + target + "\"/>";
    };
    const auto relationships = [&](const QByteArray &inner) {
        return "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/"
               "package/2006/relationships\">" +
               inner + "</Relationships>";
    };
    return zip({
        {u"[Content_Types].xml"_qs, "<Types/>"},
        {u"_rels/.rels"_qs, relationships(rel("rId1", "officeDocument", "xl/workbook.xml"))},
        {u"xl/workbook.xml"_qs,
         "<workbook " + main + " xmlns:r=\"" + relationship +
             "\"><sheets><sheet name=\"Лист1\" sheetId=\"1\" r:id=\"rId2\"/>"
             "<sheet name=\"Лист2\" sheetId=\"2\" r:id=\"rId9\"/></sheets></workbook>"},
        {u"xl/_rels/workbook.xml.rels"_qs,
         relationships(rel("rId2", "worksheet", "worksheets/sheet1.xml") +
                       rel("rId3", "sharedStrings", "sharedStrings.xml") +
                       rel("rId4", "styles", "/xl/styles.xml"))},
        {u"xl/worksheets/sheet1.xml"_qs,
         prolog + "<worksheet " + main + '>' + columns + "<sheetData>" + rows + "</sheetData>" +
             afterRows + "</worksheet>",
         true},
        {u"xl/sharedStrings.xml"_qs, "<sst " + main + '>' + sharedStrings + "</sst>", true},
        {u"xl/styles.xml"_qs, "<styleSheet " + main + '>' + styles + "</styleSheet>"},
    });
}

// An .ods whose first sheet, „Лист1“, holds the given rows (<table:table-row> elements).
inline QByteArray ods(const QByteArray &rows, const QByteArray &manifest = "<manifest/>") {
    return zip({
        {u"mimetype"_qs, "application/vnd.oasis.opendocument.spreadsheet"},
        {u"META-INF/manifest.xml"_qs, manifest},
        {u"content.xml"_qs,
         "<office:document-content "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
         "<office:spreadsheet><table:table table:name=\"Лист1\">" +
             rows +
             "</table:table><table:table table:name=\"Лист2\"/></office:spreadsheet>"
             "</office:body></office:document-content>",
         true},
    });
}

} // namespace spreadsheetfixture
