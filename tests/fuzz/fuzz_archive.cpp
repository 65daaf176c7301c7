// libFuzzer target for the archive item reader and the extraction engine,
// built natively with AddressSanitizer and UndefinedBehaviorSanitizer
// (tests/fuzz/build.sh).
//
// Each input is an archive file in a scratch folder, and:
//   1. the reader opens it, describes every item (and index -1, and the
//      indexes just outside) and writes every item to a numbered file;
//   2. the engine extracts the whole archive into a destination folder.
// Both work through a file seam that keeps the scratch folder in memory: on
// this machine every system call is costly, and minizip reads its headers a
// byte at a time, so real files would cost the fuzzer most of its speed.
// (FUZZ_REAL_FILES=1 runs the same checks over the POSIX seam and real files
// under /dev/shm instead.) Either way the seam
//   - stops the process (a finding) when anything would be created outside
//     the scratch folder, or outside the destination during step 2;
//   - caps the bytes written per input, so a small archive that inflates to
//     gigabytes costs a failed write instead of memory or disk;
//   - forgets what the input created before the next one.
// The answers are checked against the documented results too.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "unzip/archive_reader.h"
#include "unzip/zip_extractor.h"

namespace {

constexpr uint64_t kWriteCap = 1u << 20;  // bytes written per input, over all files
constexpr uint32_t kReadOnly = 0x01;

struct Guard {
    std::string scratch;        // absolute, no trailing "/"
    std::string allowed;        // where creating is allowed right now
    int home = -1;              // the folder libFuzzer was started in (real files)
    std::vector<std::string> created;  // real files: what to remove afterwards
    uint64_t written = 0;
};
Guard guard;

[[noreturn]] void finding(const char* what, const char* path) {
    std::fprintf(stderr, "FINDING: %s: %s\n", what, path ? path : "(null)");
    std::abort();
}

// `path` with "\\" as "/", made absolute against the current folder (the
// scratch folder) and with "." and ".." resolved by name.
std::string resolved(const char* path) {
    std::string p(path ? path : "");
    for (char& c : p)
        if (c == '\\') c = '/';
    if (p.empty() || p[0] != '/') p = guard.scratch + "/" + p;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        std::string part = p.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

bool under(const std::string& path, const std::string& folder) {
    if (folder == "/") return true;
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

void checkInside(const char* what, const char* path) {
    if (!under(resolved(path), guard.allowed)) finding(what, path);
}

// --- the scratch folder in memory -------------------------------------------

struct MemoryFile {
    std::string data;
    uint32_t attributes = 0;
};
struct Handle {
    MemoryFile* file;
    uint64_t position;
};
std::map<std::string, MemoryFile> files;
std::set<std::string> folders;

bool isFolder(const std::string& r) {
    return folders.count(r) != 0 || under(guard.scratch, r);  // the scratch and its parents
}

std::string parentOf(const std::string& r) {
    size_t slash = r.rfind('/');
    return slash == 0 ? "/" : r.substr(0, slash);
}

void* memOpenRead(void*, const char* path) {
    auto it = files.find(resolved(path));
    return it == files.end() ? nullptr : new Handle{&it->second, 0};
}

void* memCreateWrite(void*, const char* path, uint32_t attributes) {
    std::string r = resolved(path);
    if (isFolder(r) || !isFolder(parentOf(r))) return nullptr;
    auto it = files.find(r);
    if (it != files.end() && (it->second.attributes & kReadOnly)) return nullptr;
    MemoryFile& file = files[r];
    file.data.clear();
    file.attributes = attributes;
    return new Handle{&file, 0};
}

uint32_t memRead(void*, void* h, void* buffer, uint32_t size) {
    auto* handle = static_cast<Handle*>(h);
    const std::string& data = handle->file->data;
    if (handle->position >= data.size()) return 0;
    uint64_t n = data.size() - handle->position;
    if (n > size) n = size;
    std::memcpy(buffer, data.data() + handle->position, static_cast<size_t>(n));
    handle->position += n;
    return static_cast<uint32_t>(n);
}

bool memWrite(void*, void* h, const void* data, uint32_t size) {
    auto* handle = static_cast<Handle*>(h);
    std::string& out = handle->file->data;
    if (handle->position != out.size()) finding("write away from the end of a file", nullptr);
    out.append(static_cast<const char*>(data), size);
    handle->position += size;
    return true;
}

bool memSeek(void*, void* h, uint64_t offset, SeekOrigin origin) {
    auto* handle = static_cast<Handle*>(h);
    uint64_t base = origin == SeekFromCurrent ? handle->position
                    : origin == SeekFromEnd   ? handle->file->data.size()
                                              : 0;
    // Offsets are unsigned: a backward seek from the end wraps round to it.
    uint64_t target = base + offset;
    if (target > handle->file->data.size() && origin != SeekFromStart) return false;
    handle->position = target;
    return true;
}

uint64_t memTell(void*, void* h) { return static_cast<Handle*>(h)->position; }
bool memIsDiskFile(void*, void*) { return true; }
bool memSetTimes(void*, void*, const FileTime*, const FileTime*, const FileTime*) { return true; }
void memClose(void*, void* h) { delete static_cast<Handle*>(h); }

bool memExists(void*, const char* path) {
    std::string r = resolved(path);
    return isFolder(r) || files.count(r) != 0;
}

bool memCreateFolder(void*, const char* path) {
    std::string r = resolved(path);
    if (isFolder(r) || files.count(r) || !isFolder(parentOf(r))) return false;
    folders.insert(r);
    return true;
}

void memSetNormalAttributes(void*, const char* path) {
    auto it = files.find(resolved(path));
    if (it != files.end()) it->second.attributes = 0x80;
}

bool memReadStart(void*, const char* path, void* buffer, uint32_t size) {
    auto it = files.find(resolved(path));
    if (it == files.end() || it->second.data.size() < size) return false;
    std::memcpy(buffer, it->second.data.data(), size);
    return true;
}

Text memCurrentFolder(void*) { return Text(guard.scratch.c_str()); }

const FileSeam kMemorySeam = {
    nullptr,       memOpenRead, memCreateWrite, memRead,   memWrite,
    memSeek,       memTell,     memIsDiskFile,  memSetTimes, memClose,
    memExists,     memCreateFolder, memSetNormalAttributes, memReadStart,
    memCurrentFolder,
};

// --- the guard, over either seam ----------------------------------------------

const bool realFiles = std::getenv("FUZZ_REAL_FILES") && *std::getenv("FUZZ_REAL_FILES") == '1';
const FileSeam& base = realFiles ? platformFileSeam() : kMemorySeam;

void* guardedCreateWrite(void*, const char* path, uint32_t attributes) {
    checkInside("file created outside its folder", path);
    void* file = base.createWrite(base.opaque, path, attributes);
    if (file && realFiles) guard.created.push_back(resolved(path));
    return file;
}

bool guardedWrite(void*, void* file, const void* data, uint32_t size) {
    if (guard.written + size > kWriteCap) return false;
    guard.written += size;
    return base.write(base.opaque, file, data, size);
}

bool guardedCreateFolder(void*, const char* path) {
    checkInside("folder created outside its folder", path);
    bool made = base.createFolder(base.opaque, path);
    if (made && realFiles) guard.created.push_back(resolved(path));
    return made;
}

void guardedSetNormal(void*, const char* path) {
    checkInside("attributes changed outside its folder", path);
    base.setNormalAttributes(base.opaque, path);
}

FileSeam makeGuardedSeam() {
    FileSeam seam = base;
    seam.createWrite = guardedCreateWrite;
    seam.write = guardedWrite;
    seam.createFolder = guardedCreateFolder;
    seam.setNormalAttributes = guardedSetNormal;
    return seam;
}
const FileSeam guarded = makeGuardedSeam();

// Forgets what the input created (real files: removes them, deepest first).
void sweep() {
    for (auto it = guard.created.rbegin(); it != guard.created.rend(); ++it)
        if (::unlink(it->c_str()) != 0) ::rmdir(it->c_str());
    guard.created.clear();
    guard.written = 0;
    std::string archive = guard.scratch + "/input.zip";
    for (auto it = files.begin(); it != files.end();)
        it = it->first == archive ? std::next(it) : files.erase(it);
    folders.clear();
    folders.insert(guard.scratch + "/items");
}

bool knownResult(ReaderResult r) {
    return r == ReaderOk || r == ReaderNoFile || r == ReaderWriteFailed || r == ReaderCorrupt ||
           r == ReaderReadFailed || r == ReaderBadArgs;
}

struct Reports {
    uint32_t count = 0;
    uint32_t lastCurrent = 0;
    uint32_t lastTotal = 0;
};
Reports reports;

void onProgress(uint32_t current, uint32_t total, ZipExtractor&) {
    if (current > total) finding("progress beyond the total", nullptr);
    ++reports.count;
    reports.lastCurrent = current;
    reports.lastTotal = total;
}

void describeAndUnzipAll(const std::string& archive) {
    guard.allowed = guard.scratch;
    ArchiveReader* reader = nullptr;
    ReaderResult opened = OpenArchive(archive.c_str(), &reader, guarded);
    if (!knownResult(opened)) finding("unknown result from OpenArchive", archive.c_str());
    if (!reader) {
        if (opened == ReaderOk) finding("OpenArchive answered ok without a reader", nullptr);
        return;
    }
    ArchiveItem item;
    if (GetItem(reader, -1, &item) != ReaderOk) finding("no item count", nullptr);
    int32_t count = item.index;
    if (count < 0 || count > 65535) finding("item count out of range", nullptr);
    if (GetItem(reader, count, &item) != ReaderBadArgs || GetItem(reader, -2, &item) != ReaderBadArgs)
        finding("index outside the archive accepted", nullptr);
    // After an item that cannot be described, every later index restarts at
    // the first entry and fails at the same place again: a few of them are
    // enough (the declared count may be 65535 in a file of a few bytes).
    int32_t failuresLeft = 4;
    for (int32_t i = 0; i < count && failuresLeft > 0; ++i) {
        ReaderResult described = GetItem(reader, i, &item);
        if (!knownResult(described)) finding("unknown result from GetItem", nullptr);
        if (described != ReaderOk) --failuresLeft;
        if (described == ReaderOk &&
            (item.index != i || std::memchr(item.name, 0, sizeof item.name) == nullptr))
            finding("item record inconsistent", item.name);
        char target[32];
        std::snprintf(target, sizeof target, "items/%d", static_cast<int>(i));
        ReaderResult unzipped = UnzipItem(reader, i, target);
        if (!knownResult(unzipped)) finding("unknown result from UnzipItem", nullptr);
    }
    // Once more from the last item backwards: positioning restarts each time.
    for (int32_t i = count - 1; i >= 0 && i >= count - 3; --i) GetItem(reader, i, &item);
    if (CloseArchive(reader) != ReaderOk) finding("CloseArchive failed", nullptr);
}

void extractAll(const std::string& archive) {
    std::string destination = guard.scratch + "/dest";
    guard.allowed = destination;
    reports = Reports();
    ZipExtractor extractor(ControlIdentity(), guarded);
    extractor.SetProgressCallback(onProgress);
    int32_t result = extractor.Run(archive.c_str(), destination.c_str());
    if (result != 0 && result != 1) finding("Run answered neither 0 nor 1 for an existing archive", nullptr);
    if (reports.count == 0) finding("no final report", nullptr);
    if (result == 0 && reports.lastTotal != 0 && reports.lastCurrent == reports.lastTotal)
        finding("a failed run reported 100", nullptr);
    if (result == 1 && reports.lastCurrent != reports.lastTotal)
        finding("a completed run did not report 100", nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!realFiles) {
        guard.scratch = "/scratch";
        sweep();
        return 0;
    }
    char pattern[] = "/dev/shm/unzip-fuzz-XXXXXX";
    const char* scratch = ::mkdtemp(pattern);
    if (!scratch) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    guard.scratch = scratch;
    guard.home = ::open(".", O_RDONLY | O_DIRECTORY);
    if (guard.home < 0 || ::mkdir((guard.scratch + "/items").c_str(), 0755) != 0) {
        std::perror("scratch folder");
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string archive = guard.scratch + "/input.zip";
    if (realFiles) {
        // The reader's base folder for relative names is the current folder:
        // the scratch folder while an input runs, libFuzzer's own otherwise.
        if (::chdir(guard.scratch.c_str()) != 0) std::abort();
        int fd = ::open(archive.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
        ::close(fd);
    } else {
        files[archive].data.assign(reinterpret_cast<const char*>(data), size);
    }

    describeAndUnzipAll(archive);
    sweep();
    extractAll(archive);
    sweep();
    if (realFiles) {
        ::rmdir((guard.scratch + "/dest").c_str());
        if (::fchdir(guard.home) != 0) std::abort();
    }
    return 0;
}
