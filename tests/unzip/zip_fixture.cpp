#include "tests/unzip/zip_fixture.h"

#include <cstdio>
#include <cstring>

#include "runtime/wide.h"
#include "zip.h"
#include "zlib.h"

FixtureItem fileItem(const std::string& name, const std::string& data) {
    FixtureItem item;
    item.name = name;
    item.data = data;
    return item;
}

FixtureItem folderItem(const std::string& name) {
    FixtureItem item;
    item.name = name;
    item.method = 0;
    item.externalAttributes = 0x10;
    return item;
}

bool writeZip(const std::string& path, const std::vector<FixtureItem>& items) {
    // minizip opens the file with fopen: archive paths of the tests are ASCII.
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    bool ok = true;
    for (const FixtureItem& item : items) {
        zip_fileinfo info = {};
        info.dosDate = item.dosStamp;
        info.external_fa = item.externalAttributes;
        int err = zipOpenNewFileInZip4(
            zip, item.name.c_str(), &info, item.localExtra.data(),
            static_cast<uInt>(item.localExtra.size()), item.centralExtra.data(),
            static_cast<uInt>(item.centralExtra.size()), nullptr, item.method,
            Z_DEFAULT_COMPRESSION, item.raw ? 1 : 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
            nullptr, 0, item.versionMadeBy, 0);
        if (err == ZIP_OK && !item.data.empty())
            err = zipWriteInFileInZip(zip, item.data.data(), static_cast<unsigned>(item.data.size()));
        if (err == ZIP_OK)
            err = item.raw ? zipCloseFileInZipRaw(zip, item.rawSize, item.rawCrc)
                           : zipCloseFileInZip(zip);
        ok = ok && err == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

std::string extraBlock(const char id[2], const std::string& data) {
    std::string block(id, 2);
    block += static_cast<char>(data.size() & 0xFF);
    block += static_cast<char>((data.size() >> 8) & 0xFF);
    return block + data;
}

std::string utBlock(uint8_t flags, const std::vector<int32_t>& times) {
    std::string data(1, static_cast<char>(flags));
    for (int32_t t : times) {
        uint32_t u = static_cast<uint32_t>(t);
        for (int shift = 0; shift < 32; shift += 8) data += static_cast<char>((u >> shift) & 0xFF);
    }
    return extraBlock("UT", data);
}

std::string rawDeflate(const std::string& data) {
    z_stream z = {};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

uint32_t crcOf(const std::string& data) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                       static_cast<uInt>(data.size())));
}

std::string sampleText(size_t size, int seed) {
    std::string text;
    char line[48];
    for (unsigned n = 0; text.size() < size; ++n) {
        std::snprintf(line, sizeof line, "line %u of sample %d: %u\n", n, seed, n * 2654435761u);
        text += line;
    }
    text.resize(size);
    return text;
}

bool ZipBytes::load(const std::string& path) {
    FILE* f = _wfopen(WideText(path.c_str()), L"rb");
    if (!f) return false;
    bytes.clear();
    unsigned char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    return true;
}

bool ZipBytes::save(const std::string& path) const {
    FILE* f = _wfopen(WideText(path.c_str()), L"wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

uint32_t ZipBytes::get16(size_t offset) const { return bytes[offset] | bytes[offset + 1] << 8; }

uint32_t ZipBytes::get32(size_t offset) const { return get16(offset) | get16(offset + 2) << 16; }

void ZipBytes::put16(size_t offset, uint32_t value) {
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void ZipBytes::put32(size_t offset, uint32_t value) {
    put16(offset, value & 0xFFFF);
    put16(offset + 2, value >> 16);
}

size_t ZipBytes::centralHeader(int index) const {
    // The fixtures carry no archive comment: the end record is the last 22 bytes.
    size_t end = bytes.size() - 22;
    size_t offset = get32(end + 16);
    for (int i = 0; i < index; ++i)
        offset += 46 + get16(offset + central::kNameLength) + get16(offset + 30) + get16(offset + 32);
    return offset;
}

size_t ZipBytes::localHeader(int index) const { return get32(centralHeader(index) + 42); }

size_t ZipBytes::dataStart(int index) const {
    size_t offset = localHeader(index);
    return offset + 30 + get16(offset + local::kNameLength) + get16(offset + local::kExtraLength);
}

bool writePatchedZip(const std::string& path, const std::vector<FixtureItem>& items,
                     const std::function<void(ZipBytes&)>& patch) {
    if (!writeZip(path, items)) return false;
    if (!patch) return true;
    ZipBytes bytes;
    if (!bytes.load(path)) return false;
    patch(bytes);
    return bytes.save(path);
}
