#pragma once
// The installer's pure rules: the brand table, disk figures, the drive
// choice, the folder browser's answer and the paths of the install road.
// No Windows calls here.
#include <cstdint>

#include "runtime/text.h"

struct BrandRow {
    int32_t number;
    const char* companyFolder;  // ends in a backslash
    const char* productList;    // names separated by "|"
};

// The row for a brand number; null for a number without a row (6, 12, 18).
const BrandRow* findBrandRow(int32_t brandNumber);

// Disk figures in whole megabytes, converted in place from the byte counts
// (caller's bytes available, total bytes, total free bytes) through double
// arithmetic with truncation, as the counts are reported.
struct DiskFigures {
    int64_t usedMB;
    int64_t freeMB;
    int64_t totalMB;
};
DiskFigures megabytesFromBytes(int64_t availableToCaller, int64_t totalBytes, int64_t totalFree);

// "D:\\" when D: has at least 1000 MB free in total, else "C:\\".
const char* chooseDriveRoot(int64_t freeMB);

// Removes leading and trailing ASCII spaces and GBK full-width spaces (A1 A1).
Text trimBlanks(const char* s);

// The folder browser's answer from what the dialog left: the display name
// and, when an item was chosen, its file-system path (null if the lookup
// failed). Empty means "no choice".
Text folderBrowserAnswer(const char* displayName, bool itemChosen, const char* path);


// The file the shortcut is saved as: ".lnk" is appended unless the last
// component of the path already has an extension.
Text shortcutFileName(const char* path);

// Candidate names for the temporary archive in a folder: "tool.zip" first,
// then "tool-1.zip", "tool-2.zip", ... so that a file the installer did not
// write is never replaced. `attempt` counts from 0.
Text archiveCandidate(const char* folderPrefix, int attempt);
