#pragma once
// Small ZIP archives built inside the tests: whole archives with minizip's
// zip functions, and byte patches on top of them where a test needs a fault
// in the bytes (damaged headers, unsupported methods, wrong CRC-32).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// 2014-05-20 16:23:10 as a DOS stamp (date in the upper 16 bits).
constexpr uint32_t kDefaultDosStamp = 0x44B482E5;

constexpr uint16_t kMadeByWindows = 0x0014;  // host 0 (FAT), version 2.0
constexpr uint16_t kMadeByUnix = 0x0314;     // host 3 (Unix), version 2.0

struct FixtureItem {
    std::string name;                   // GBK bytes, "/" separators
    std::string data;
    int method = 8;                     // 0 stored, 8 deflated
    uint32_t dosStamp = kDefaultDosStamp;
    uint32_t externalAttributes = 0x20;
    uint16_t versionMadeBy = kMadeByWindows;
    std::string localExtra;
    std::string centralExtra;
    // When set, `data` is already compressed by `method` and the headers
    // declare rawSize and rawCrc as the uncompressed size and CRC-32.
    bool raw = false;
    uint32_t rawSize = 0;
    uint32_t rawCrc = 0;
};

FixtureItem fileItem(const std::string& name, const std::string& data);
FixtureItem folderItem(const std::string& name);  // external attributes 0x10, no data

// Writes the archive to `path` (GBK). False when minizip fails.
bool writeZip(const std::string& path, const std::vector<FixtureItem>& items);

// An extra-field block: 2-byte id, 2-byte size, then `data`.
std::string extraBlock(const char id[2], const std::string& data);
// A "UT" block with the flags byte and the given 32-bit times.
std::string utBlock(uint8_t flags, const std::vector<int32_t>& times);

std::string rawDeflate(const std::string& data);
uint32_t crcOf(const std::string& data);
// Text that deflates to several blocks: `size` bytes of numbered lines.
std::string sampleText(size_t size, int seed = 0);

// An archive's bytes, with the header offsets found through its end record,
// for patching single fields.
class ZipBytes {
public:
    bool load(const std::string& path);
    bool save(const std::string& path) const;

    size_t centralHeader(int index) const;  // offset of entry `index`'s directory record
    size_t localHeader(int index) const;    // offset of its local header
    size_t dataStart(int index) const;      // first byte of its data

    uint32_t get16(size_t offset) const;
    uint32_t get32(size_t offset) const;
    void put16(size_t offset, uint32_t value);
    void put32(size_t offset, uint32_t value);

    std::vector<uint8_t> bytes;
};

// Writes `items` as an archive at `path`, then applies `patch` (if any) to
// its bytes. False if any step failed.
bool writePatchedZip(const std::string& path, const std::vector<FixtureItem>& items,
                     const std::function<void(ZipBytes&)>& patch);

// Field offsets inside a local header and a directory record.
namespace local {
constexpr size_t kFlags = 6, kMethod = 8, kCrc = 14, kCompressedSize = 18,
                 kUncompressedSize = 22, kNameLength = 26, kExtraLength = 28;
}
namespace central {
constexpr size_t kMethod = 10, kCrc = 16, kNameLength = 28, kExternalAttributes = 38;
}
