// Benchmark floor: the least work that unpacking an archive needs. The whole
// archive is read into memory with one read, the central directory is walked
// by hand, every item is inflated in memory (zlib, raw deflate) and its bytes
// are written to its file with one write. No checks beyond what zlib does, no
// attributes, no times. Windows program.
// Usage: extract_floor ARCHIVE DESTINATION
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "zlib.h"

namespace {

uint32_t get16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t get32(const uint8_t* p) { return get16(p) | get16(p + 2) << 16; }

std::wstring widen(const std::string& s) {
    int n = MultiByteToWideChar(936, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(936, 0, s.c_str(), -1, &w[0], n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    HANDLE in = CreateFileW(widen(argv[1]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE) return 1;
    LARGE_INTEGER size;
    GetFileSizeEx(in, &size);
    std::vector<uint8_t> zip(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(in, zip.data(), static_cast<DWORD>(zip.size()), &got, nullptr) || got != zip.size())
        return 1;
    CloseHandle(in);

    std::string dest = std::string(argv[2]) + "\\";
    CreateDirectoryW(widen(argv[2]).c_str(), nullptr);
    const uint8_t* end = zip.data() + zip.size() - 22;  // no archive comment
    uint32_t count = get16(end + 10);
    const uint8_t* entry = zip.data() + get32(end + 16);
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t method = get16(entry + 10), packed = get32(entry + 20), unpacked = get32(entry + 24);
        uint32_t nameLength = get16(entry + 28), local = get32(entry + 42);
        std::string name(reinterpret_cast<const char*>(entry + 46), nameLength);
        entry += 46 + nameLength + get16(entry + 30) + get16(entry + 32);
        for (char& c : name)
            if (c == '/') c = '\\';
        std::wstring path = widen(dest + name);
        if (!name.empty() && name.back() == '\\') {
            CreateDirectoryW(path.c_str(), nullptr);
            continue;
        }
        const uint8_t* header = zip.data() + local;
        const uint8_t* data = header + 30 + get16(header + 26) + get16(header + 28);
        out.resize(unpacked);
        if (method == 8) {
            z_stream z = {};
            inflateInit2(&z, -MAX_WBITS);
            z.next_in = const_cast<Bytef*>(data);
            z.avail_in = packed;
            z.next_out = out.data();
            z.avail_out = unpacked;
            int r = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            if (r != Z_STREAM_END) return 1;
        } else {
            std::copy(data, data + unpacked, out.begin());
        }
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 1;
        DWORD written = 0;
        if (unpacked && !WriteFile(h, out.data(), unpacked, &written, nullptr)) return 1;
        CloseHandle(h);
    }
    return 0;
}
