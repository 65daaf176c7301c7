#pragma once
// The file calls of the archive reader and the extraction engine, gathered in
// one table so that both build on Windows (the product) and natively on
// POSIX systems (fuzzing, benchmarks). Paths are GBK texts; each platform side
// converts them for its own calls (the Windows side to UTF-16 through code
// page 936, whatever the system's ANSI code page is).
//
// `opaque` is handed back to every function unchanged; the platform tables
// leave it null, a test or fuzzing table can carry its own state in it.
#include <cstdint>

#include "runtime/text.h"

// A file time: 100-nanosecond intervals since 1601-01-01 00:00:00 UTC, split
// like the platform's FILETIME (low word first).
struct FileTime {
    uint32_t low;
    uint32_t high;
};

enum SeekOrigin : int32_t { SeekFromStart = 0, SeekFromCurrent = 1, SeekFromEnd = 2 };

struct FileSeam {
    void* opaque;

    // Opens an existing file for reading, shared for reading only: while it is
    // open nobody can write, rename or delete it. Null when it cannot be opened.
    void* (*openRead)(void* opaque, const char* path);
    // Creates a file for writing, not shared, replacing (truncating) any
    // existing one, with `attributes` (Windows attribute bits). Null on failure.
    void* (*createWrite)(void* opaque, const char* path, uint32_t attributes);
    // Answers the number of bytes read; fewer than `size` at the end or on error.
    uint32_t (*read)(void* opaque, void* file, void* buffer, uint32_t size);
    // Writes all `size` bytes, or answers false.
    bool (*write)(void* opaque, void* file, const void* data, uint32_t size);
    // `offset` is read as signed (two's complement): from the current
    // position it may step backwards.
    bool (*seek)(void* opaque, void* file, uint64_t offset, SeekOrigin origin);
    // The current position; UINT64_MAX on error.
    uint64_t (*tell)(void* opaque, void* file);
    // True for a file on disk (not a device or pipe).
    bool (*isDiskFile)(void* opaque, void* file);
    // Sets the times of an open file; a null time is left unchanged.
    bool (*setTimes)(void* opaque, void* file, const FileTime* creation, const FileTime* access,
                     const FileTime* write);
    void (*close)(void* opaque, void* file);

    // True when a file or folder of that name exists.
    bool (*exists)(void* opaque, const char* path);
    // Creates one folder; false when it cannot (also when it already exists).
    bool (*createFolder)(void* opaque, const char* path);
    // Gives the file normal attributes (clears read-only, hidden, system);
    // the result is not reported.
    void (*setNormalAttributes)(void* opaque, const char* path);
    // Opens the file without text translation and reads its first `size`
    // bytes as one block; true only when all of them were read.
    bool (*readStart)(void* opaque, const char* path, void* buffer, uint32_t size);
    // The process's current folder as the platform reports it (no trailing
    // separator except at a root such as "C:\\"); empty when it cannot be read.
    Text (*currentFolder)(void* opaque);
};

// The table for the platform the program was built for (file_seam_win.cpp or
// file_seam_posix.cpp). It lives as long as the program.
const FileSeam& platformFileSeam();
