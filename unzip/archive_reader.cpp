#include "unzip/archive_reader.h"

#include <cstdlib>
#include <cstring>

#include "unzip.h"
#include "unzip/item_name.h"
#include "unzip/item_record.h"

struct ArchiveReader {
    const FileSeam* seam = nullptr;
    bool archiveOpened = false;  // set by the open callback: tells "no file" from "no ZIP"
    bool lastReadShort = false;  // the error state that minizip asks for after a read
    // minizip seeks to each header and then reads it a byte or two at a time;
    // on Windows every such read would be a system call. After a seek, the
    // first small read fills `ahead` from the file and the following ones are
    // served from it. Any seek drops it.
    unsigned char ahead[1024] = {};
    uint32_t aheadLength = 0;  // bytes in `ahead`
    uint32_t aheadUsed = 0;    // of which minizip has taken these
    unzFile zip = nullptr;
    int32_t itemCount = 0;
    int32_t currentIndex = -1;   // minizip's current entry; -1 when unknown
    ArchiveItem cachedItem = {};
    int32_t cachedIndex = -1;
    Text baseFolder;
};

namespace {

constexpr int32_t kMaxItems = 65535;
constexpr uint32_t kCopyBufferSize = 16384;
constexpr uLong kMethodStored = 0;
constexpr uLong kMethodDeflated = 8;

// --- minizip's file functions, over the reader's seam -----------------------
// minizip hands `opaque` (the reader) back to each of these.

voidpf seamOpen(voidpf opaque, const void* path, int /*mode*/) {
    auto* reader = static_cast<ArchiveReader*>(opaque);
    void* file = reader->seam->openRead(reader->seam->opaque, static_cast<const char*>(path));
    reader->archiveOpened = file != nullptr;
    return file;
}

uLong seamRead(voidpf opaque, voidpf stream, void* buffer, uLong size) {
    auto* reader = static_cast<ArchiveReader*>(opaque);
    const FileSeam& seam = *reader->seam;
    auto* out = static_cast<unsigned char*>(buffer);
    uint32_t wanted = static_cast<uint32_t>(size);
    uint32_t done = 0;
    while (done < wanted) {
        if (reader->aheadUsed < reader->aheadLength) {
            uint32_t n = reader->aheadLength - reader->aheadUsed;
            if (n > wanted - done) n = wanted - done;
            std::memcpy(out + done, reader->ahead + reader->aheadUsed, n);
            reader->aheadUsed += n;
            done += n;
        } else if (wanted - done >= sizeof reader->ahead) {  // item data: straight from the file
            done += seam.read(seam.opaque, stream, out + done, wanted - done);
            break;
        } else {
            reader->aheadUsed = 0;
            reader->aheadLength = seam.read(seam.opaque, stream, reader->ahead, sizeof reader->ahead);
            if (reader->aheadLength == 0) break;
        }
    }
    reader->lastReadShort = done != wanted;
    return done;
}

uLong seamWrite(voidpf, voidpf, const void*, uLong) { return 0; }

// The file is ahead of minizip by the read-ahead bytes it has not taken yet.
ZPOS64_T seamTell(voidpf opaque, voidpf stream) {
    auto* reader = static_cast<ArchiveReader*>(opaque);
    uint64_t position = reader->seam->tell(reader->seam->opaque, stream);
    if (position == UINT64_MAX) return static_cast<ZPOS64_T>(-1);
    return position - (reader->aheadLength - reader->aheadUsed);
}

// minizip passes backward steps from the current position as negative
// numbers converted to ZPOS64_T; the seam turns them back into signed ones.
long seamSeek(voidpf opaque, voidpf stream, ZPOS64_T offset, int origin) {
    auto* reader = static_cast<ArchiveReader*>(opaque);
    SeekOrigin from = origin == ZLIB_FILEFUNC_SEEK_CUR   ? SeekFromCurrent
                      : origin == ZLIB_FILEFUNC_SEEK_END ? SeekFromEnd
                                                         : SeekFromStart;
    // A step from the current position starts where minizip is, behind the
    // file by the untaken read-ahead bytes (the unsigned arithmetic wraps).
    if (from == SeekFromCurrent) offset -= reader->aheadLength - reader->aheadUsed;
    reader->aheadLength = reader->aheadUsed = 0;
    return reader->seam->seek(reader->seam->opaque, stream, offset, from) ? 0 : -1;
}

int seamClose(voidpf opaque, voidpf stream) {
    auto* reader = static_cast<ArchiveReader*>(opaque);
    reader->seam->close(reader->seam->opaque, stream);
    return 0;
}

// minizip's byte reader treats a short read as success (UNZ_EOF equals
// UNZ_OK) unless this reports an error, and would then use an unset value. A
// header that runs past the end of the file is damaged, so a short read is
// reported as an error.
int seamError(voidpf opaque, voidpf) {
    return static_cast<ArchiveReader*>(opaque)->lastReadShort ? 1 : 0;
}

// --- positioning --------------------------------------------------------------

// Makes entry `index` minizip's current one: forward steps from the current
// entry, or a restart at the first entry for an earlier index. A failed step
// leaves the position unknown, so the next call restarts.
ReaderResult positionOn(ArchiveReader* reader, int32_t index) {
    if (reader->currentIndex < 0 || index < reader->currentIndex) {
        reader->currentIndex = -1;
        if (unzGoToFirstFile(reader->zip) != UNZ_OK) return ReaderCorrupt;
        reader->currentIndex = 0;
    }
    while (reader->currentIndex < index) {
        if (unzGoToNextFile(reader->zip) != UNZ_OK) {
            reader->currentIndex = -1;
            return ReaderCorrupt;
        }
        ++reader->currentIndex;
    }
    return ReaderOk;
}

// Checks the current entry's local header (minizip does so when it opens the
// entry) and reads its whole local extra field into *extra (malloc'ed, null
// when empty; the caller frees it).
ReaderResult readLocalHeader(unzFile zip, uint8_t** extra, uint32_t* extraLength) {
    *extra = nullptr;
    *extraLength = 0;
    if (unzOpenCurrentFile(zip) != UNZ_OK) return ReaderCorrupt;
    ReaderResult result = ReaderOk;
    int length = unzGetLocalExtrafield(zip, nullptr, 0);
    if (length < 0) {
        result = ReaderReadFailed;
    } else if (length > 0) {
        *extra = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(length)));
        if (!*extra || unzGetLocalExtrafield(zip, *extra, static_cast<unsigned>(length)) != length) {
            std::free(*extra);
            *extra = nullptr;
            result = ReaderReadFailed;
        } else {
            *extraLength = static_cast<uint32_t>(length);
        }
    }
    unzCloseCurrentFile(zip);
    return result;
}

// Describes minizip's current entry, which is entry `index`.
ReaderResult describeCurrent(ArchiveReader* reader, int32_t index, ArchiveItem* item) {
    ArchiveItem record = {};
    unz_file_info info;
    if (unzGetCurrentFileInfo(reader->zip, &info, record.name, kItemNameSize, nullptr, 0, nullptr,
                              0) != UNZ_OK)
        return ReaderCorrupt;
    // minizip fills the whole buffer without a terminator for a longer name.
    if (info.size_filename >= kItemNameSize) return ReaderCorrupt;
    // The local-header check accepts bzip2 as well, which would be copied raw.
    if (info.compression_method != kMethodStored && info.compression_method != kMethodDeflated)
        return ReaderCorrupt;

    uint8_t* extra;
    uint32_t extraLength;
    ReaderResult result = readLocalHeader(reader->zip, &extra, &extraLength);
    if (result != ReaderOk) return result;

    record.index = index;
    record.attributes = mapExternalAttributes(static_cast<uint32_t>(info.external_fa));
    record.compressedSize = static_cast<int32_t>(info.compressed_size);
    record.uncompressedSize = static_cast<int32_t>(info.uncompressed_size);
    FileTime stamp;
    dosStampToFileTime(static_cast<uint32_t>(info.dosDate), &stamp);
    record.accessTime = record.creationTime = record.writeTime = stamp;
    applyExtendedTimestamp(extra, extraLength, &record.writeTime, &record.accessTime,
                           &record.creationTime);
    std::free(extra);

    reader->cachedItem = record;
    reader->cachedIndex = index;
    *item = record;
    return ReaderOk;
}

// --- output folders -------------------------------------------------------------

void createUnderBase(ArchiveReader* reader, const char* relative, size_t length) {
    Text relativePart(relative, length);
    Text folder = concat({reader->baseFolder.get(), relativePart.get()});
    reader->seam->createFolder(reader->seam->opaque, folder.c_str());
}

// Creates the relative folder path `path` under the base folder, each of its
// parent folders first: one/two/three creates one, one/two, then
// one/two/three. Failures (such as an existing folder) are ignored; a missing
// folder shows up later when the output file cannot be created.
void createFolders(ArchiveReader* reader, const char* path, size_t length) {
    if (length == 0) return;
    const char* end = path + length;
    for (const char* p = path; p < end; p += gbkCharLength(p))
        if (isPathSeparator(*p) && p > path) createUnderBase(reader, path, static_cast<size_t>(p - path));
    createUnderBase(reader, path, length);
}

bool timeIsSet(const FileTime& t) { return t.low != 0 || t.high != 0; }

ReaderResult copyData(ArchiveReader* reader, const ArchiveItem& item, void* output) {
    const FileSeam& seam = *reader->seam;
    bool failed = unzOpenCurrentFile(reader->zip) != UNZ_OK;  // shows up as a failing read
    uint64_t written = 0;
    if (!failed) {
        unsigned char buffer[kCopyBufferSize];
        for (;;) {
            int count = unzReadCurrentFile(reader->zip, buffer, kCopyBufferSize);
            if (count == 0) break;
            if (count < 0 || !seam.write(seam.opaque, output, buffer, static_cast<uint32_t>(count))) {
                failed = true;
                break;
            }
            written += static_cast<uint32_t>(count);
        }
        // minizip checks the CRC-32 only when the declared size was read in full,
        // so a stream that ends early is caught by its length.
        if (unzCloseCurrentFile(reader->zip) != UNZ_OK) failed = true;
        if (written != static_cast<uint32_t>(item.uncompressedSize)) failed = true;
    }
    if (!failed && seam.isDiskFile(seam.opaque, output)) {
        seam.setTimes(seam.opaque, output, timeIsSet(item.creationTime) ? &item.creationTime : nullptr,
                      timeIsSet(item.accessTime) ? &item.accessTime : nullptr,
                      timeIsSet(item.writeTime) ? &item.writeTime : nullptr);
    }
    return failed ? ReaderWriteFailed : ReaderOk;
}

}  // namespace

ReaderResult OpenArchive(const char* path, ArchiveReader** reader, const FileSeam& seam) {
    if (!reader) return ReaderBadArgs;
    *reader = nullptr;
    auto* r = new ArchiveReader;
    r->seam = &seam;
    r->baseFolder = concat({seam.currentFolder(seam.opaque).get(), "\\"});

    zlib_filefunc64_def functions = {};
    functions.zopen64_file = seamOpen;
    functions.zread_file = seamRead;
    functions.zwrite_file = seamWrite;
    functions.ztell64_file = seamTell;
    functions.zseek64_file = seamSeek;
    functions.zclose_file = seamClose;
    functions.zerror_file = seamError;
    functions.opaque = r;
    r->zip = unzOpen2_64(path ? path : "", &functions);
    if (!r->zip) {
        ReaderResult result = r->archiveOpened ? ReaderCorrupt : ReaderNoFile;
        delete r;
        return result;
    }
    unz_global_info global;
    if (unzGetGlobalInfo(r->zip, &global) != UNZ_OK || global.number_entry > kMaxItems) {
        CloseArchive(r);
        return ReaderCorrupt;
    }
    r->itemCount = static_cast<int32_t>(global.number_entry);
    *reader = r;
    return ReaderOk;
}

ReaderResult GetItem(ArchiveReader* reader, int32_t index, ArchiveItem* item) {
    if (!reader || !item || index < -1 || index >= reader->itemCount) return ReaderBadArgs;
    if (index == -1) {
        *item = ArchiveItem{};
        item->index = reader->itemCount;
        return ReaderOk;
    }
    if (index == reader->cachedIndex) {
        *item = reader->cachedItem;
        return ReaderOk;
    }
    ReaderResult result = positionOn(reader, index);
    if (result != ReaderOk) return result;
    return describeCurrent(reader, index, item);
}

ReaderResult UnzipItem(ArchiveReader* reader, int32_t index, const char* target) {
    if (!reader || index < 0 || index >= reader->itemCount) return ReaderBadArgs;
    ReaderResult result = positionOn(reader, index);
    if (result != ReaderOk) return result;
    ArchiveItem item;
    result = GetItem(reader, index, &item);
    if (result != ReaderOk) return result;

    if (item.attributes & kAttributeFolder) {
        if (leavesFolder(item.name)) return ReaderCorrupt;
        createFolders(reader, item.name, std::strlen(item.name));
        return ReaderOk;
    }

    const char* name = target ? target : "";
    if (const char* separator = lastPathSeparator(name)) {
        // No folders for an absolute folder part, nor for one that climbs
        // ("../" or "..\\" anywhere, or a component of dots).
        Text folderPart(name, static_cast<size_t>(separator - name));
        const char* folders = folderPart.c_str();
        if (!leavesFolder(folders) && !std::strstr(folders, "../") && !std::strstr(folders, "..\\"))
            createFolders(reader, folders, folderPart.size());
    }

    const FileSeam& seam = *reader->seam;
    void* output = seam.createWrite(seam.opaque, name, item.attributes);
    if (!output) return ReaderNoFile;
    result = copyData(reader, item, output);
    seam.close(seam.opaque, output);
    return result;
}

ReaderResult CloseArchive(ArchiveReader* reader) {
    if (!reader) return ReaderBadArgs;
    unzClose(reader->zip);
    delete reader;
    return ReaderOk;
}
