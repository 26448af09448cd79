#pragma once

#include "quizfile/spreadsheet/filefault.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <memory>

namespace quizfile {

// A ZIP archive held in memory: the container of .ods and .xlsx files. Parts are read one at a
// time, in chunks, within the caps of caps.h (unpacked bytes, packing ratio, entries); a part
// whose unpacked bytes do not match its size or checksum is a damaged file. The packing ratio is
// checked against the directory before a part is read and again as it unpacks, so that a
// directory that understates a part's size does not hide a zip bomb.
//
// minizip (zlib's own ZIP reader) does the unpacking: it needs nothing but zlib, which Qt loads
// anyway, so the program starts as fast and as small as before (libzip would bring OpenSSL's
// libcrypto into every start, about 1.7 MiB; QuaZip wraps the same minizip over Qt 5 Compat).
class ZipPackage {
public:
    // Reads the archive's directory; throws FileFault when it is not a readable archive, has
    // more than maxArchiveEntries parts, two parts of one name, or a name that climbs out of it.
    explicit ZipPackage(QByteArrayView bytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage &) = delete;
    ZipPackage &operator=(const ZipPackage &) = delete;

    bool contains(const QString &name) const { return m_entries.contains(name); }

    // Starts reading the part; throws FileFault when it is missing, encrypted, packed in a way
    // zlib cannot unpack, or over the caps. Opening another part ends this one.
    void open(const QString &name);
    // The next chunk of the open part: empty at its end. Throws FileFault when the data is
    // damaged.
    QByteArray readChunk();
    // The whole part, for small ones: at most limit bytes are kept.
    QByteArray readAll(const QString &name, qsizetype limit);

private:
    struct Entry {
        qint64 position;   // in the archive's directory
        qint64 fileNumber; // the same, as minizip counts
        qint64 size;
        qint64 packedSize;
        bool encrypted;
    };
    struct Archive;

    std::unique_ptr<Archive> m_archive;
    QHash<QString, Entry> m_entries;
    void checkRatio(const QString &part, qint64 unpacked, qint64 packed) const;

    QString m_openPart;
    qint64 m_left = 0;        // bytes the open part still has to give
    qint64 m_partRead = 0;    // and has given
    qint64 m_packedStart = 0; // where its packed data starts in the archive
    qint64 m_unpacked = 0;    // bytes unpacked from this archive so far
};

} // namespace quizfile
