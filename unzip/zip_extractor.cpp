#include "unzip/zip_extractor.h"

#include "unzip/item_name.h"
#include "unzip/item_record.h"

int32_t progressPercent(uint32_t current, uint32_t total) {
    if (total == 0) return 0;  // 0 / 0; current is never above total
    // The stores through volatile round each step to double: a 32-bit x87
    // build would otherwise keep 80-bit intermediates (29 / 100 * 100 would
    // give 29 instead of 28).
    volatile double quotient = static_cast<double>(current) / static_cast<double>(total);
    volatile double product = quotient * 100.0;
    int64_t whole = static_cast<int64_t>(product);
    return static_cast<int32_t>(static_cast<uint32_t>(whole));
}

ZipExtractor::ZipExtractor(const ControlIdentity& identity, const FileSeam& seam)
    : control(identity), seam_(seam) {}

void ZipExtractor::SetProgressCallback(ProgressCallback callback) {
    stopRequested = 0;
    total = 0;
    current = 0;
    progressCallback = callback;
}

void ZipExtractor::Report() {
    if (progressCallback) progressCallback(current, total, *this);
}

Text ZipExtractor::EnsureTrailingBackslash(const char* text) {
    return endsWithBackslash(text) ? Text(text) : concat({text, "\\"});
}

bool ZipExtractor::MakeFolderPath(const char* path) {
    Text full = EnsureTrailingBackslash(path);
    const char* start = full.c_str();
    for (const char* p = start; *p; p += gbkCharLength(p)) {
        if (*p != '\\') continue;
        Text prefix(start, static_cast<size_t>(p - start) + 1);  // ends with this "\\"
        if (!seam_.exists(seam_.opaque, prefix.c_str()) &&
            !seam_.createFolder(seam_.opaque, prefix.c_str()))
            return false;
    }
    return true;
}

bool ZipExtractor::LooksLikeZip(const char* path) {
    uint8_t head[32];
    if (!seam_.readStart(seam_.opaque, path, head, sizeof head)) return false;
    uint32_t signature = static_cast<uint32_t>(head[0]) | static_cast<uint32_t>(head[1]) << 8 |
                         static_cast<uint32_t>(head[2]) << 16 | static_cast<uint32_t>(head[3]) << 24;
    int32_t sizeAndName = static_cast<int32_t>(
        static_cast<uint32_t>(head[24]) | static_cast<uint32_t>(head[25]) << 8 |
        static_cast<uint32_t>(head[26]) << 16 | static_cast<uint32_t>(head[27]) << 24);
    return signature == 0x04034b50 && sizeAndName >= 1;
}

int32_t ZipExtractor::CountItems(ArchiveReader* reader) {
    if (!reader) return -1;
    ArchiveItem item;
    int32_t count = 0;
    while (GetItem(reader, count, &item) == ReaderOk) ++count;
    return count;
}

int32_t ZipExtractor::Run(const char* archive, const char* destination) {
    int32_t result = 0;
    uint32_t done = 0;  // items extracted so far
    bool completed = false;
    ArchiveReader* reader = nullptr;
    if (!archive || !destination || !seam_.exists(seam_.opaque, archive)) {
        result = -1;
    } else if (!seam_.exists(seam_.opaque, destination) && !MakeFolderPath(destination)) {
        result = 0;
    } else if (!LooksLikeZip(archive) || OpenArchive(archive, &reader, seam_) != ReaderOk) {
        result = 0;
    } else {
        // Counting that stops before the declared number of entries (a damaged
        // record, an unsupported method) would install a shortened product.
        int32_t counted = CountItems(reader);
        ArchiveItem declared;
        if (counted < 0 || GetItem(reader, -1, &declared) != ReaderOk || counted != declared.index) {
            total = 0;
            result = 0;
        } else {
            total = static_cast<uint32_t>(counted);
            switch (extractItems(reader, destination, &done)) {
            case WalkEnd::Completed:
                completed = true;
                result = 1;
                break;
            case WalkEnd::Failed:
                result = 0;
                break;
            case WalkEnd::Stopped:
                CloseArchive(reader);
                return 1;
            }
        }
    }
    // The final report comes after the archive is closed, so that its handler
    // may delete the archive. After a failure it carries the items actually
    // extracted, never 100.
    if (reader) CloseArchive(reader);
    current = completed ? total : done;
    Report();
    return result;
}

ZipExtractor::WalkEnd ZipExtractor::extractItems(ArchiveReader* reader, const char* destination,
                                                 uint32_t* done) {
    Text folder = EnsureTrailingBackslash(destination);
    for (int32_t i = 0;; ++i) {
        ArchiveItem item;
        if (GetItem(reader, i, &item) != ReaderOk)
            return static_cast<uint32_t>(i) == total ? WalkEnd::Completed : WalkEnd::Failed;
        // A name that would leave the destination is refused before anything
        // is written for it.
        if (leavesFolder(item.name)) return WalkEnd::Failed;
        Text path = concat({folder.get(), item.name});
        // "/" (0x2F) is never the second byte of a GBK character: a byte scan
        // is safe here. The path is our own copy.
        for (char* c = const_cast<char*>(path.get()); c && *c; ++c)
            if (*c == '/') *c = '\\';

        if (item.attributes & kAttributeFolder) {
            if (!seam_.exists(seam_.opaque, path.c_str()) && !MakeFolderPath(path.c_str()))
                return WalkEnd::Failed;
        } else {
            // Normal attributes first, so that an earlier read-only, hidden or
            // system file can be replaced, and again afterwards, which clears
            // the attributes the item gave the new file.
            seam_.setNormalAttributes(seam_.opaque, path.c_str());
            if (UnzipItem(reader, i, path.c_str()) != ReaderOk) return WalkEnd::Failed;
            seam_.setNormalAttributes(seam_.opaque, path.c_str());
        }
        *done = static_cast<uint32_t>(i) + 1;
        current = static_cast<uint32_t>(i);
        Report();
        if (stopRequested) return WalkEnd::Stopped;
    }
}
