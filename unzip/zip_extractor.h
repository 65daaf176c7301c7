#pragma once
// The extraction engine behind the ZIP control's Extract method: walks an
// archive with the archive item reader, writes every item under a
// destination folder and reports progress through a callback after each item
// and once at the end. No platform calls of its own: files go through the
// FileSeam, events through the callback that the control installs.
#include <cstdint>

#include "runtime/text.h"
#include "unzip/archive_reader.h"
#include "unzip/file_seam.h"

struct HWND__;
typedef HWND__* HWND;

// The control that raises the events, captured once when Extract starts, so
// that a window destroyed during the run only silences the events.
struct ControlIdentity {
    uint32_t windowId = 0;
    uint32_t controlId = 0;
    HWND window = nullptr;
};

class ZipExtractor;
using ProgressCallback = void (*)(uint32_t current, uint32_t total, ZipExtractor& extractor);

// The progress percentage: current / total * 100 in IEEE double precision,
// each step rounded to double, truncated toward zero; 0 / 0 gives 0.
int32_t progressPercent(uint32_t current, uint32_t total);

// One extraction; owned by the Extract call that makes it.
class ZipExtractor {
public:
    explicit ZipExtractor(const ControlIdentity& control = ControlIdentity(),
                          const FileSeam& seam = platformFileSeam());
    ZipExtractor(const ZipExtractor&) = delete;
    ZipExtractor& operator=(const ZipExtractor&) = delete;

    // Clears stopRequested, total and current and installs `callback` (or none).
    void SetProgressCallback(ProgressCallback callback);
    // Calls the callback, if any, with current, total and this extractor.
    void Report();

    // Unpacks every item of `archive` under `destination`. Answers
    //   1  every item was extracted, or the callback asked to stop;
    //   0  the archive exists but extraction failed: destination, format,
    //      reader, counting (also when fewer items can be described than the
    //      directory declares), or an item (also a name that would leave the
    //      destination, which is refused before anything is written);
    //  -1  a text is missing (null), or the archive file does not exist.
    // Reports: one after item i carrying i, then a final one after the
    // archive is closed: `total` when every item was extracted, else the
    // number of items actually extracted. A stop has no final report.
    int32_t Run(const char* archive, const char* destination);

    // The first index for which GetItem fails: the item count of a sound
    // archive. -1 without a reader.
    int32_t CountItems(ArchiveReader* reader);

    // True when the file's first 32 bytes can be read, begin with a local
    // header signature and hold a value of at least 1 in bytes 24-27 (the
    // upper half of the first entry's size and its name length).
    bool LooksLikeZip(const char* path);

    // Creates each missing folder along `path`, walking GBK characters:
    // D:\a\b tests D:\, D:\a\ and D:\a\b\ in turn. False when one of them
    // cannot be created.
    bool MakeFolderPath(const char* path);

    // `text` with "\\" appended unless its last character already is "\\";
    // an empty text becomes "\\".
    static Text EnsureTrailingBackslash(const char* text);

    ControlIdentity control;
    uint32_t stopRequested = 0;
    ProgressCallback progressCallback = nullptr;
    uint32_t total = 0;
    uint32_t current = 0;

private:
    enum class WalkEnd { Completed, Failed, Stopped };
    WalkEnd extractItems(ArchiveReader* reader, const char* destination, uint32_t* done);

    const FileSeam& seam_;
};
