// The Windows side of the file seam. Paths arrive as GBK and are converted to
// UTF-16 through code page 936 for the wide functions, so that the result does
// not depend on the system's ANSI code page.
#include <windows.h>

#include <io.h>
#include <stdio.h>

#include "runtime/wide.h"
#include "unzip/file_seam.h"

static_assert(sizeof(FileTime) == sizeof(FILETIME), "FileTime mirrors FILETIME");

namespace {

HANDLE handleOf(void* file) { return static_cast<HANDLE>(file); }

void* openRead(void*, const char* path) {
    HANDLE h = CreateFileW(WideText(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

void* createWrite(void*, const char* path, uint32_t attributes) {
    HANDLE h = CreateFileW(WideText(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes,
                           nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

uint32_t read(void*, void* file, void* buffer, uint32_t size) {
    DWORD done = 0;
    if (!ReadFile(handleOf(file), buffer, size, &done, nullptr)) return 0;
    return done;
}

bool write(void*, void* file, const void* data, uint32_t size) {
    DWORD done = 0;
    return WriteFile(handleOf(file), data, size, &done, nullptr) && done == size;
}

bool seek(void*, void* file, uint64_t offset, SeekOrigin origin) {
    DWORD method = origin == SeekFromCurrent ? FILE_CURRENT
                   : origin == SeekFromEnd   ? FILE_END
                                             : FILE_BEGIN;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handleOf(file), distance, nullptr, method) != 0;
}

uint64_t tell(void*, void* file) {
    LARGE_INTEGER zero, position;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(handleOf(file), zero, &position, FILE_CURRENT)) return UINT64_MAX;
    return static_cast<uint64_t>(position.QuadPart);
}

bool isDiskFile(void*, void* file) { return GetFileType(handleOf(file)) == FILE_TYPE_DISK; }

bool setTimes(void*, void* file, const FileTime* creation, const FileTime* access,
              const FileTime* write) {
    return SetFileTime(handleOf(file), reinterpret_cast<const FILETIME*>(creation),
                       reinterpret_cast<const FILETIME*>(access),
                       reinterpret_cast<const FILETIME*>(write)) != 0;
}

void close(void*, void* file) { CloseHandle(handleOf(file)); }

bool exists(void*, const char* path) { return _waccess(WideText(path), 0) == 0; }

bool createFolder(void*, const char* path) { return CreateDirectoryW(WideText(path), nullptr) != 0; }

void setNormalAttributes(void*, const char* path) {
    SetFileAttributesW(WideText(path), FILE_ATTRIBUTE_NORMAL);
}

bool readStart(void*, const char* path, void* buffer, uint32_t size) {
    FILE* f = _wfopen(WideText(path), L"rb");
    if (!f) return false;
    bool complete = fread(buffer, size, 1, f) == 1;
    fclose(f);
    return complete;
}

Text currentFolder(void*) {
    DWORD length = GetCurrentDirectoryW(0, nullptr);  // includes the terminator
    if (length == 0) return Text();
    auto* buffer = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, length * sizeof(wchar_t)));
    if (!buffer) return Text();
    DWORD got = GetCurrentDirectoryW(length, buffer);
    Text folder = got > 0 && got < length ? fromWide(buffer, static_cast<int>(got)) : Text();
    HeapFree(GetProcessHeap(), 0, buffer);
    return folder;
}

const FileSeam kWindowsSeam = {
    nullptr,     openRead, createWrite,  read,   write,        seek,         tell,
    isDiskFile,  setTimes, close,        exists, createFolder, setNormalAttributes,
    readStart,   currentFolder,
};

}  // namespace

const FileSeam& platformFileSeam() { return kWindowsSeam; }
