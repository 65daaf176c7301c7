#pragma once
// The archive item reader: opens a ZIP archive file, describes its items by
// index and writes one item's data to a named file. The ZIP structures are
// read with minizip's unzip functions; every file call goes through a
// FileSeam, so the reader builds on Windows and natively alike.
//
// Calling order: OpenArchive, then any number of GetItem and UnzipItem calls
// in any order, then CloseArchive. Increasing indexes are the fast path: the
// reader steps forward through the central directory and restarts at the
// first entry only when asked for an earlier index. A reader is used by one
// thread at a time.
#include <cstddef>
#include <cstdint>

#include "unzip/file_seam.h"

// Every operation answers one of these (32-bit unsigned).
enum ReaderResult : uint32_t {
    ReaderOk = 0,
    ReaderNoFile = 0x200,       // the archive cannot be opened, or the output file not created
    ReaderWriteFailed = 0x400,  // reading or inflating the data, its CRC-32 or length, or writing failed
    ReaderCorrupt = 0x700,      // the directory record or local header is damaged or unsupported
    ReaderReadFailed = 0x800,   // the item's local extra field cannot be read
    ReaderBadArgs = 0x10000,    // no reader, or an index outside the archive
};

constexpr size_t kItemNameSize = 260;  // names of 260 bytes or more are refused

// One item, copied by value.
struct ArchiveItem {
    int32_t index;               // position in the central directory; for index -1, the item count
    char name[kItemNameSize];    // as stored (GBK bytes, "/" separators; a folder ends in "/")
    uint32_t attributes;         // Windows attribute bits (item_record.h)
    FileTime accessTime;         // 0 when the DOS stamp is not a valid date
    FileTime creationTime;
    FileTime writeTime;
    int32_t compressedSize;
    int32_t uncompressedSize;
};

// The same layout in 32-bit and 64-bit builds.
static_assert(sizeof(ArchiveItem) == 300, "ArchiveItem is a fixed-size record");

struct ArchiveReader;

// Opens `path` shared for reading only (nobody can change the archive while the
// reader is open) and reads its end record and directory. The current folder
// at this moment, with "\\" appended, becomes the base of relative output
// folders. On success *reader receives a reader that CloseArchive releases;
// otherwise it is null and the answer is ReaderNoFile (cannot open the file)
// or ReaderCorrupt (no readable ZIP directory, or more than 65535 items).
ReaderResult OpenArchive(const char* path, ArchiveReader** reader,
                         const FileSeam& seam = platformFileSeam());

// Describes item `index` into *item. Index -1 answers the item count in
// `index` with everything else empty. The most recent record is cached.
// ReaderCorrupt also covers a method other than stored (0) and deflated (8),
// and a name of 260 bytes or more, which is refused rather than cut.
ReaderResult GetItem(ArchiveReader* reader, int32_t index, ArchiveItem* item);

// Writes item `index` to the file `target` (created anew with the item's
// attributes; its times set from the record). For a folder item, creates the
// folder `name` under the base folder instead, and refuses (ReaderCorrupt) a
// name that would leave it. Missing folders of a relative `target` are
// created under the base folder; those of an absolute target, or of one that
// climbs with "..", must exist. On ReaderWriteFailed (damaged data, a CRC-32
// or length mismatch, a failed write) the output file is left as far as it got.
ReaderResult UnzipItem(ArchiveReader* reader, int32_t index, const char* target);

// Closes the archive and releases the reader. ReaderBadArgs for no reader.
ReaderResult CloseArchive(ArchiveReader* reader);
