#include "quizfile/spreadsheet/zippackage.h"

#include "quizfile/spreadsheet/caps.h"

#include <minizip/unzip.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace quizfile {

namespace {

// The archive's bytes as minizip's I/O functions see a file.
struct MemoryFile {
    const char *data = nullptr;
    qint64 size = 0;
    qint64 position = 0;
};

voidpf ZCALLBACK openMemory(voidpf opaque, const void *, int) {
    static_cast<MemoryFile *>(opaque)->position = 0;
    return opaque;
}

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void *buffer, uLong size) {
    auto *file = static_cast<MemoryFile *>(stream);
    const qint64 count = std::min<qint64>(qint64(size), file->size - file->position);
    std::copy_n(file->data + file->position, count, static_cast<char *>(buffer));
    file->position += count;
    return uLong(count);
}

uLong ZCALLBACK writeMemory(voidpf, voidpf, const void *, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream) {
    return ZPOS64_T(static_cast<MemoryFile *>(stream)->position);
}

long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto *file = static_cast<MemoryFile *>(stream);
    qint64 base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = file->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = file->size;
    if (offset > ZPOS64_T(file->size) || base + qint64(offset) > file->size)
        return -1;
    file->position = base + qint64(offset);
    return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf) {
    return 0;
}

int ZCALLBACK memoryError(voidpf, voidpf) {
    return 0;
}

// A part's name that would climb out of the archive's folder, or start at the root, were it
// ever unpacked: no spreadsheet has one, a hostile archive does.
bool isUnsafeName(const QString &name) {
    if (name.startsWith(u'/') || name.startsWith(u'\\') || (name.size() > 1 && name[1] == u':'))
        return true;
    const QStringList steps = QString(name).replace(u'\\', u'/').split(u'/');
    return steps.contains(u".."_s);
}

FileFault damaged(const QString &part) {
    return {u"файлът е повреден: частта „"_s + part +
            u"“ на архива не може да бъде разархивирана"_s};
}

} // namespace

struct ZipPackage::Archive {
    MemoryFile file;
    zlib_filefunc64_def functions{};
    unzFile handle = nullptr;

    ~Archive() {
        if (handle != nullptr)
            unzClose(handle);
    }
};

ZipPackage::ZipPackage(QByteArrayView bytes)
    : m_archive(std::make_unique<Archive>()) {
    m_archive->file = {bytes.data(), bytes.size()};
    m_archive->functions = {openMemory, readMemory,  writeMemory, tellMemory,
                            seekMemory, closeMemory, memoryError, &m_archive->file};
    const FileFault unreadable{u"файлът е повреден: архивът в него не може да бъде прочетен"_s};
    m_archive->handle = unzOpen2_64("", &m_archive->functions);
    if (m_archive->handle == nullptr)
        throw unreadable;
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(m_archive->handle, &global) != UNZ_OK)
        throw unreadable;
    if (global.number_entry > ZPOS64_T(maxArchiveEntries)) {
        throw FileFault{u"архивът има повече от "_s + QString::number(maxArchiveEntries) +
                        u" части: това не е таблица"_s};
    }
    for (int status = unzGoToFirstFile(m_archive->handle); status != UNZ_END_OF_LIST_OF_FILE;
         status = unzGoToNextFile(m_archive->handle)) {
        if (status != UNZ_OK)
            throw unreadable;
        unz_file_info64 info{};
        char name[1024];
        unz64_file_pos position{};
        if (unzGetCurrentFileInfo64(m_archive->handle, &info, name, sizeof name, nullptr, 0,
                                    nullptr, 0) != UNZ_OK ||
            info.size_filename >= sizeof name ||
            unzGetFilePos64(m_archive->handle, &position) != UNZ_OK)
            throw unreadable;
        const QString partName = QString::fromUtf8(name, qsizetype(info.size_filename));
        if (isUnsafeName(partName)) {
            throw FileFault{u"архивът съдържа част с опасно име („"_s + partName +
                            u"“), каквато таблиците нямат"_s};
        }
        if (m_entries.contains(partName))
            throw FileFault{u"файлът е повреден: две части на архива са с името „"_s + partName +
                            u'“'};
        m_entries.insert(partName, {qint64(position.pos_in_zip_directory),
                                    qint64(position.num_of_file), qint64(info.uncompressed_size),
                                    qint64(info.compressed_size), (info.flag & 1) != 0});
    }
}

ZipPackage::~ZipPackage() = default;

void ZipPackage::open(const QString &name) {
    const auto entry = m_entries.constFind(name);
    if (entry == m_entries.constEnd())
        throw FileFault{u"файлът е повреден: в архива липсва частта „"_s + name + u'“'};
    if (entry->encrypted)
        throw FileFault{u"файлът е защитен с парола: запишете го без парола"_s};
    if (entry->size > maxUnpackedBytes - m_unpacked) {
        throw FileFault{u"файлът е твърде голям: разархивиран би бил над "_s +
                        mebibytes(maxUnpackedBytes) + u", а толкова е разрешено"_s};
    }
    checkRatio(name, entry->size, entry->packedSize);
    if (!m_openPart.isEmpty())
        unzCloseCurrentFile(m_archive->handle);
    m_openPart.clear();
    const unz64_file_pos position{ZPOS64_T(entry->position), ZPOS64_T(entry->fileNumber)};
    if (unzGoToFilePos64(m_archive->handle, &position) != UNZ_OK)
        throw damaged(name);
    const int status = unzOpenCurrentFile(m_archive->handle);
    if (status == UNZ_BADZIPFILE) {
        throw FileFault{u"частта „"_s + name +
                        u"“ на архива е сгъстена по начин, който програмата не познава"_s};
    }
    if (status != UNZ_OK)
        throw damaged(name);
    m_openPart = name;
    m_left = entry->size;
    m_partRead = 0;
    m_packedStart = qint64(unzGetCurrentFileZStreamPos64(m_archive->handle));
}

void ZipPackage::checkRatio(const QString &part, qint64 unpacked, qint64 packed) const {
    if (unpacked > packedRatioFrom && unpacked / std::max<qint64>(packed, 1) > maxPackedRatio) {
        throw FileFault{u"частта „"_s + part + u"“ е сгъстена над "_s +
                        QString::number(maxPackedRatio) +
                        u" пъти: така изглежда злонамерен архив („ZIP бомба“), а не таблица"_s};
    }
}

QByteArray ZipPackage::readChunk() {
    if (m_openPart.isEmpty() || m_left == 0) {
        // minizip checks the part's checksum only when it is closed after its last byte.
        if (!m_openPart.isEmpty() && unzCloseCurrentFile(m_archive->handle) != UNZ_OK) {
            const QString part = std::exchange(m_openPart, {});
            throw damaged(part);
        }
        m_openPart.clear();
        return {};
    }
    constexpr qint64 chunkSize = qint64{64} * 1024;
    QByteArray chunk(qsizetype(std::min(chunkSize, m_left)), Qt::Uninitialized);
    const int count = unzReadCurrentFile(m_archive->handle, chunk.data(), unsigned(chunk.size()));
    if (count <= 0) {
        const QString part = std::exchange(m_openPart, {});
        unzCloseCurrentFile(m_archive->handle);
        throw damaged(part);
    }
    chunk.truncate(count);
    m_left -= count;
    m_partRead += count;
    m_unpacked += count;
    checkRatio(m_openPart, m_partRead,
               qint64(unzGetCurrentFileZStreamPos64(m_archive->handle)) - m_packedStart);
    return chunk;
}

QByteArray ZipPackage::readAll(const QString &name, qsizetype limit) {
    open(name);
    QByteArray whole;
    for (QByteArray chunk = readChunk(); !chunk.isEmpty() && whole.size() < limit;
         chunk = readChunk())
        whole += chunk.first(std::min(chunk.size(), limit - whole.size()));
    return whole;
}

} // namespace quizfile
