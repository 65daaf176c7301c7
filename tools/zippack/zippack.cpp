// zippack: packs a product folder into the installer's product archive.
//
//   zippack --program NAME --time SECONDS FOLDER ARCHIVE
//
// NAME is the product's program without ".exe" (UTF-8), SECONDS the Unix time
// stamped on every entry. A build tool for the host, built against the
// system's minizip (-lminizip -lz).
//
// The archive is what the installer's extractor expects, and the same inputs
// always give the same bytes:
//   - order: in each folder its files by name, then its subfolders, each
//     folder entry directly before its contents; "<NAME>.exe" from the top of
//     FOLDER comes last of all;
//   - names in GBK with "/" separators, folder names ending in "/";
//   - files deflated, folders stored with sizes 0; general-purpose flags 0;
//   - version needed 20 for files and 10 for folders, version made by 2.0 on
//     host 0 (MS-DOS), external attributes 0x20 (archive) or 0x10 (folder);
//   - no extra field in the local headers, one NTFS time field (tag 0x000A,
//     36 bytes) in each central record; the DOS time and the NTFS times all
//     come from --time, never from the files;
//   - one disk, no comment, no zip64 records.
// Inputs that break the installer's limits are refused with a message naming
// the file, and no archive is left behind.
#include <minizip/zip.h>
#include <zlib.h>

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMaxEntries = 65535;        // the end record's 16-bit count
constexpr size_t kMaxNameBytes = 259;          // the reader's 260-byte name buffer
constexpr uint64_t kNoZip64Limit = 0xFFFFFFFF;  // minizip switches to zip64 here
constexpr uint16_t kVersionFile = 20;
constexpr uint16_t kVersionFolder = 10;
constexpr uint32_t kAttributeFile = 0x20;
constexpr uint32_t kAttributeFolder = 0x10;

struct Entry {
    fs::path source;    // the file or folder on disk
    std::string shown;  // relative UTF-8 name, for messages
    std::string name;   // archive name: GBK, "/" separators, folders end in "/"
    bool folder = false;
    uint64_t size = 0;
};

std::string g_output;  // removed again when packing fails

[[noreturn]] void fail(const std::string& subject, const std::string& problem) {
    std::fprintf(stderr, "zippack: %s: %s\n", subject.c_str(), problem.c_str());
    if (!g_output.empty()) {
        std::error_code ignored;
        fs::remove(g_output, ignored);
    }
    std::exit(1);
}

// Lists `folder` into `out` in archive order, without the program (which the
// caller appends last). Folders that hold nothing still get their entry.
void collect(const fs::path& folder, const std::string& prefix, std::vector<Entry>& out) {
    std::vector<fs::directory_entry> files, folders;
    std::error_code error;
    for (const auto& child : fs::directory_iterator(folder, error)) {
        if (child.is_directory()) {
            folders.push_back(child);
        } else if (child.is_regular_file()) {
            files.push_back(child);
        } else {
            fail(prefix + child.path().filename().string(), "neither a file nor a folder");
        }
    }
    if (error) fail(folder.string(), "cannot be listed: " + error.message());
    auto byName = [](const fs::directory_entry& a, const fs::directory_entry& b) {
        return a.path().filename().string() < b.path().filename().string();
    };
    std::sort(files.begin(), files.end(), byName);
    std::sort(folders.begin(), folders.end(), byName);
    for (const auto& f : files) {
        Entry e;
        e.source = f.path();
        e.shown = prefix + f.path().filename().string();
        e.size = f.file_size();
        out.push_back(e);
    }
    for (const auto& d : folders) {
        Entry e;
        e.source = d.path();
        e.shown = prefix + d.path().filename().string() + "/";
        e.folder = true;
        out.push_back(e);
        collect(d.path(), e.shown, out);
    }
}

// UTF-8 to GBK; false when a character has no GBK form.
bool toGbk(const std::string& utf8, std::string& gbk) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) fail("iconv", "no UTF-8 to GBK conversion");
    std::string in = utf8;
    std::vector<char> buffer(in.size() * 2 + 4);
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (ok) gbk.assign(buffer.data(), dst);
    return ok;
}

// True when some GBK character of `gbk` has 0x5C ("\") as its second byte:
// the installer splits names at that byte and would cut the character apart.
bool hasBackslashTrailByte(const std::string& gbk) {
    for (size_t i = 0; i < gbk.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(gbk[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) {
            if (gbk[i + 1] == '\\') return true;
            ++i;
        }
    }
    return false;
}

void checkEntries(std::vector<Entry>& entries, const std::string& folder) {
    if (entries.size() > kMaxEntries) {
        fail(folder, std::to_string(entries.size()) + " files and folders; an archive holds at most " +
                     std::to_string(kMaxEntries) + " entries");
    }
    for (Entry& e : entries) {
        if (!toGbk(e.shown, e.name)) fail(e.shown, "the name has characters that GBK cannot hold");
        if (e.name.size() > kMaxNameBytes) {
            fail(e.shown, "the name is " + std::to_string(e.name.size()) +
                          " bytes in GBK; names must stay below 260 bytes");
        }
        if (hasBackslashTrailByte(e.name)) {
            fail(e.shown, "a character of the name has the byte 0x5C (\"\\\") in GBK, "
                          "which the installer would take for a folder separator");
        }
        if (e.size >= kNoZip64Limit) {
            fail(e.shown, std::to_string(e.size) + " bytes; files must be smaller than " +
                          std::to_string(kNoZip64Limit) + " bytes (32-bit sizes)");
        }
    }
}

uint32_t dosDateTime(const std::tm& t) {
    return static_cast<uint32_t>((t.tm_year - 80) << 25 | (t.tm_mon + 1) << 21 | t.tm_mday << 16 |
                                 t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec / 2);
}

// NTFS extra field: tag 0x000A, 32 data bytes: 4 reserved, then attribute 1
// (24 bytes) with the modification, access and creation FILETIMEs.
std::vector<unsigned char> ntfsTimes(int64_t unixSeconds) {
    uint64_t filetime = static_cast<uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
    std::vector<unsigned char> field;
    auto put = [&field](uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) field.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    put(0x000A, 2);
    put(32, 2);
    put(0, 4);
    put(0x0001, 2);
    put(24, 2);
    for (int i = 0; i < 3; ++i) put(filetime, 8);
    return field;
}

// minizip has no call for the current output position, so the archive is
// written through stdio functions that remember their stream and can be asked.
struct PositionIo {
    zlib_filefunc64_def stdio;
    voidpf stream = nullptr;
};
PositionIo g_io;

voidpf ZCALLBACK openRemembering(voidpf, const void* name, int mode) {
    g_io.stream = g_io.stdio.zopen64_file(g_io.stdio.opaque, name, mode);
    return g_io.stream;
}
uLong ZCALLBACK readPass(voidpf, voidpf s, void* buf, uLong n) {
    return g_io.stdio.zread_file(g_io.stdio.opaque, s, buf, n);
}
uLong ZCALLBACK writePass(voidpf, voidpf s, const void* buf, uLong n) {
    return g_io.stdio.zwrite_file(g_io.stdio.opaque, s, buf, n);
}
ZPOS64_T ZCALLBACK tellPass(voidpf, voidpf s) { return g_io.stdio.ztell64_file(g_io.stdio.opaque, s); }
long ZCALLBACK seekPass(voidpf, voidpf s, ZPOS64_T offset, int origin) {
    return g_io.stdio.zseek64_file(g_io.stdio.opaque, s, offset, origin);
}
int ZCALLBACK closePass(voidpf, voidpf s) { return g_io.stdio.zclose_file(g_io.stdio.opaque, s); }
int ZCALLBACK errorPass(voidpf, voidpf s) { return g_io.stdio.zerror_file(g_io.stdio.opaque, s); }

uint64_t outputPosition() { return g_io.stdio.ztell64_file(g_io.stdio.opaque, g_io.stream); }

void addEntry(zipFile zip, const Entry& e, uint32_t dosTime, const std::vector<unsigned char>& ntfs) {
    zip_fileinfo info{};
    info.dosDate = dosTime;
    info.external_fa = e.folder ? kAttributeFolder : kAttributeFile;
    // Level -1 (zlib's default): levels 1, 2, 8 and 9 would set flag bits.
    int err = zipOpenNewFileInZip4_64(zip, e.name.c_str(), &info, nullptr, 0, ntfs.data(),
                                      static_cast<uInt>(ntfs.size()), nullptr,
                                      e.folder ? 0 : Z_DEFLATED, e.folder ? 0 : Z_DEFAULT_COMPRESSION,
                                      0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                      kVersionFile, 0, 0);
    if (err != ZIP_OK) fail(e.shown, "minizip cannot start the entry (" + std::to_string(err) + ")");
    if (!e.folder) {
        std::ifstream in(e.source, std::ios::binary);
        if (!in) fail(e.shown, "cannot be read");
        std::vector<char> buffer(1 << 16);
        uint64_t total = 0;
        while (in) {
            in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            auto n = static_cast<unsigned>(in.gcount());
            if (n == 0) break;
            total += n;
            if (zipWriteInFileInZip(zip, buffer.data(), n) != ZIP_OK) fail(e.shown, "write failed");
        }
        if (in.bad() || total != e.size) fail(e.shown, "changed or unreadable while being packed");
    }
    if (zipCloseFileInZip(zip) != ZIP_OK) fail(e.shown, "minizip cannot finish the entry");
    if (outputPosition() >= kNoZip64Limit) {
        fail(e.shown, "the archive passes 4 GiB here; offsets must fit in 32 bits");
    }
}

uint16_t get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t get32(const unsigned char* p) { return get16(p) | static_cast<uint32_t>(get16(p + 2)) << 16; }

// minizip writes version needed 20 for every entry; a folder needs only 1.0.
// Patches the folder entries' local headers and central records in place.
void markFolderVersions(const std::string& archive, size_t entryCount) {
    std::fstream f(archive, std::ios::in | std::ios::out | std::ios::binary);
    unsigned char end[22];
    f.seekg(-22, std::ios::end);
    f.read(reinterpret_cast<char*>(end), sizeof end);
    if (!f || get32(end) != 0x06054b50 || get16(end + 10) != entryCount) {
        fail(archive, "minizip wrote an unexpected end record");
    }
    std::vector<unsigned char> central(get32(end + 12));
    uint32_t centralOffset = get32(end + 16);
    f.seekg(centralOffset);
    f.read(reinterpret_cast<char*>(central.data()), static_cast<std::streamsize>(central.size()));
    const unsigned char folderVersion[2] = {kVersionFolder, 0};
    for (size_t at = 0; at + 46 <= central.size();) {
        unsigned char* record = &central[at];
        uint16_t nameLength = get16(record + 28);
        if (record[46 + nameLength - 1] == '/') {
            f.seekp(centralOffset + at + 6);
            f.write(reinterpret_cast<const char*>(folderVersion), 2);
            f.seekp(get32(record + 42) + 4);
            f.write(reinterpret_cast<const char*>(folderVersion), 2);
        }
        at += 46 + nameLength + get16(record + 30) + get16(record + 32);
    }
    if (!f) fail(archive, "cannot be patched");
}

[[noreturn]] void usage() {
    std::fprintf(stderr, "usage: zippack --program NAME --time SECONDS FOLDER ARCHIVE\n");
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    std::string program, folder, archive;
    int64_t seconds = -1;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--program" && i + 1 < argc) {
            program = argv[++i];
        } else if (arg == "--time" && i + 1 < argc) {
            seconds = std::strtoll(argv[++i], nullptr, 10);
        } else if (folder.empty()) {
            folder = arg;
        } else if (archive.empty()) {
            archive = arg;
        } else {
            usage();
        }
    }
    if (program.empty() || folder.empty() || archive.empty()) usage();
    // DOS dates run from 1980 to 2107; the seconds are kept even (DOS counts in twos).
    if (seconds < 315532800 || seconds > 4354819198 || seconds % 2 != 0) {
        fail("--time", "needs an even number of seconds between 1980 and 2107");
    }
    std::time_t stamp = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&stamp, &utc);

    if (!fs::is_directory(folder)) fail(folder, "is not a folder");
    const std::string programFile = program + ".exe";
    std::vector<Entry> entries;
    collect(folder, "", entries);
    auto isProgram = [&](const Entry& e) { return !e.folder && e.shown == programFile; };
    auto found = std::find_if(entries.begin(), entries.end(), isProgram);
    if (found == entries.end()) fail(programFile, "missing at the top of " + folder);
    std::rotate(found, found + 1, entries.end());  // the program goes last
    checkEntries(entries, folder);

    fill_fopen64_filefunc(&g_io.stdio);
    zlib_filefunc64_def io{};
    io.zopen64_file = openRemembering;
    io.zread_file = readPass;
    io.zwrite_file = writePass;
    io.ztell64_file = tellPass;
    io.zseek64_file = seekPass;
    io.zclose_file = closePass;
    io.zerror_file = errorPass;
    g_output = archive;
    zipFile zip = zipOpen2_64(archive.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
    if (!zip) fail(archive, "cannot be created");
    const uint32_t dosTime = dosDateTime(utc);
    const std::vector<unsigned char> ntfs = ntfsTimes(seconds);
    uint64_t centralSize = 0;
    for (const Entry& e : entries) {
        addEntry(zip, e, dosTime, ntfs);
        centralSize += 46 + e.name.size() + ntfs.size();
    }
    if (outputPosition() + centralSize + 22 >= kNoZip64Limit) {
        fail(entries.back().shown, "the central directory would pass 4 GiB after this entry");
    }
    if (zipClose(zip, nullptr) != ZIP_OK) fail(archive, "cannot be finished");
    markFolderVersions(archive, entries.size());
    return 0;
}
