// The POSIX side of the file seam, for native builds of the reader and the
// engine (fuzzing, benchmarks). Paths keep their bytes; "\\" separators
// become "/" so that the Windows-style paths the engine builds name real
// folders. Attribute bits map to the one thing POSIX has: read-only.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "unzip/file_seam.h"

namespace {

constexpr uint32_t kReadOnly = 0x01;

// A copy of `path` with "\\" turned into "/".
Text nativePath(const char* path) {
    Text copy(path);
    // The copy's bytes are our own: change them in place.
    for (char* c = const_cast<char*>(copy.get()); c && *c; ++c)
        if (*c == '\\') *c = '/';
    return copy;
}

int fdOf(void* file) { return static_cast<int>(reinterpret_cast<intptr_t>(file)) - 1; }
void* fileOf(int fd) { return reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1); }

void* openRead(void*, const char* path) {
    int fd = ::open(nativePath(path).c_str(), O_RDONLY);
    return fd < 0 ? nullptr : fileOf(fd);
}

void* createWrite(void*, const char* path, uint32_t attributes) {
    mode_t mode = (attributes & kReadOnly) ? 0444 : 0644;
    int fd = ::open(nativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    return fd < 0 ? nullptr : fileOf(fd);
}

uint32_t read(void*, void* file, void* buffer, uint32_t size) {
    uint32_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fdOf(file), static_cast<char*>(buffer) + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

bool write(void*, void* file, const void* data, uint32_t size) {
    uint32_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fdOf(file), static_cast<const char*>(data) + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<uint32_t>(n);
    }
    return true;
}

bool seek(void*, void* file, uint64_t offset, SeekOrigin origin) {
    int whence = origin == SeekFromCurrent ? SEEK_CUR : origin == SeekFromEnd ? SEEK_END : SEEK_SET;
    return ::lseek(fdOf(file), static_cast<off_t>(offset), whence) != static_cast<off_t>(-1);
}

uint64_t tell(void*, void* file) {
    off_t position = ::lseek(fdOf(file), 0, SEEK_CUR);
    return position < 0 ? UINT64_MAX : static_cast<uint64_t>(position);
}

bool isDiskFile(void*, void* file) {
    struct stat st;
    return ::fstat(fdOf(file), &st) == 0 && S_ISREG(st.st_mode);
}

// 100-ns ticks since 1601 to a timeval since 1970.
struct timeval timevalOf(const FileTime& t) {
    int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(t.high) << 32) | t.low);
    int64_t micro = ticks / 10 - 11644473600LL * 1000000;
    struct timeval tv;
    tv.tv_sec = static_cast<time_t>(micro / 1000000);
    tv.tv_usec = static_cast<suseconds_t>(micro % 1000000);
    if (tv.tv_usec < 0) {
        tv.tv_usec += 1000000;
        --tv.tv_sec;
    }
    return tv;
}

bool setTimes(void*, void* file, const FileTime*, const FileTime* access, const FileTime* write) {
    // POSIX keeps no creation time.
    struct stat st;
    if (::fstat(fdOf(file), &st) != 0) return false;
    struct timeval times[2];
    times[0].tv_sec = st.st_atime;
    times[0].tv_usec = 0;
    times[1].tv_sec = st.st_mtime;
    times[1].tv_usec = 0;
    if (access) times[0] = timevalOf(*access);
    if (write) times[1] = timevalOf(*write);
    return ::futimes(fdOf(file), times) == 0;
}

void close(void*, void* file) { ::close(fdOf(file)); }

bool exists(void*, const char* path) { return ::access(nativePath(path).c_str(), F_OK) == 0; }

bool createFolder(void*, const char* path) { return ::mkdir(nativePath(path).c_str(), 0755) == 0; }

void setNormalAttributes(void*, const char* path) {
    Text native = nativePath(path);
    struct stat st;
    if (::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::chmod(native.c_str(), 0644);
}

bool readStart(void*, const char* path, void* buffer, uint32_t size) {
    std::FILE* f = std::fopen(nativePath(path).c_str(), "rb");
    if (!f) return false;
    bool complete = std::fread(buffer, size, 1, f) == 1;
    std::fclose(f);
    return complete;
}

Text currentFolder(void*) {
    char* folder = ::getcwd(nullptr, 0);
    Text result(folder);
    std::free(folder);
    return result;
}

const FileSeam kPosixSeam = {
    nullptr,    openRead, createWrite, read,   write,        seek,         tell,
    isDiskFile, setTimes, close,       exists, createFolder, setNormalAttributes,
    readStart,  currentFolder,
};

}  // namespace

const FileSeam& platformFileSeam() { return kPosixSeam; }
