// The archive item reader over real files: fixtures built with minizip's zip
// functions, faults patched into their bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "runtime/wide.h"
#include "tests/unzip/test_folder.h"
#include "tests/unzip/zip_fixture.h"
#include "unzip/archive_reader.h"
#include "zlib.h"

namespace {

uint64_t ticksOf(const FileTime& t) { return static_cast<uint64_t>(t.high) << 32 | t.low; }

const uint64_t kDefaultStampTicks = ::ticksOf(utcFileTime(2014, 5, 20, 16, 23, 10));

std::vector<FixtureItem> eightItems() {
    std::vector<FixtureItem> items = {folderItem("docs/")};
    for (int i = 1; i < 8; ++i) {
        std::string name = (i % 2 ? "docs/file" : "file") + std::to_string(i) + ".txt";
        items.push_back(fileItem(name, sampleText(100 + 37 * i, i)));
    }
    return items;
}

// A seam over the platform's that counts reads and records write sizes.
struct SeamLog {
    struct Times {
        uint64_t creation, access, write;  // 0 for a time left unchanged
    };
    int reads = 0;
    std::vector<uint32_t> writes;
    std::vector<Times> times;
};

FileSeam loggingSeam(SeamLog* log) {
    FileSeam seam = platformFileSeam();
    seam.opaque = log;
    seam.read = [](void* opaque, void* file, void* buffer, uint32_t size) {
        ++static_cast<SeamLog*>(opaque)->reads;
        return platformFileSeam().read(nullptr, file, buffer, size);
    };
    seam.write = [](void* opaque, void* file, const void* data, uint32_t size) {
        static_cast<SeamLog*>(opaque)->writes.push_back(size);
        return platformFileSeam().write(nullptr, file, data, size);
    };
    seam.setTimes = [](void* opaque, void* file, const FileTime* creation, const FileTime* access,
                       const FileTime* write) {
        auto ticks = [](const FileTime* t) { return t ? ticksOf(*t) : 0; };
        static_cast<SeamLog*>(opaque)->times.push_back({ticks(creation), ticks(access), ticks(write)});
        return platformFileSeam().setTimes(nullptr, file, creation, access, write);
    };
    return seam;
}

class ArchiveReaderTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (reader) {
            EXPECT_EQ(CloseArchive(reader), ReaderOk);
        }
    }

    // Writes `items` as the fixture archive, applies `patch` to its bytes and
    // opens it.
    void openWith(const std::vector<FixtureItem>& items,
                  const std::function<void(ZipBytes&)>& patch = nullptr) {
        ASSERT_TRUE(writePatchedZip(archive, items, patch));
        ASSERT_EQ(OpenArchive(archive.c_str(), &reader), ReaderOk);
        ASSERT_NE(reader, nullptr);
    }

    ArchiveItem item(int32_t index) {
        ArchiveItem it = {};
        EXPECT_EQ(GetItem(reader, index, &it), ReaderOk) << "item " << index;
        return it;
    }

    TestFolder folder;
    std::string archive = folder.path("fixture.zip");
    ArchiveReader* reader = nullptr;
};

// --- opening ---------------------------------------------------------------------

TEST_F(ArchiveReaderTest, MissingFileGivesNoReaderAndNoFile) {
    ArchiveReader* r = reinterpret_cast<ArchiveReader*>(1);
    EXPECT_EQ(OpenArchive(folder.path("missing.zip").c_str(), &r), ReaderNoFile);
    EXPECT_EQ(r, nullptr);
}

TEST_F(ArchiveReaderTest, FileWithoutZipDirectoryGivesNoReader) {
    const std::string contents[] = {"", "not an archive at all", std::string(70000, 'x')};
    for (const std::string& c : contents) {
        ASSERT_TRUE(writeWholeFile(archive, c));
        ArchiveReader* r = reinterpret_cast<ArchiveReader*>(1);
        EXPECT_EQ(OpenArchive(archive.c_str(), &r), ReaderCorrupt) << c.size();
        EXPECT_EQ(r, nullptr);
    }
}

TEST_F(ArchiveReaderTest, EveryCallWithoutReaderIsBadArgs) {
    ArchiveItem it;
    EXPECT_EQ(GetItem(nullptr, 0, &it), ReaderBadArgs);
    EXPECT_EQ(UnzipItem(nullptr, 0, folder.path("x").c_str()), ReaderBadArgs);
    EXPECT_EQ(CloseArchive(nullptr), ReaderBadArgs);
    EXPECT_FALSE(fileExists(folder.path("x")));
}

TEST_F(ArchiveReaderTest, ArchiveIsSharedForReadingOnlyWhileOpen) {
    openWith(eightItems());
    WideText path(archive.c_str());
    HANDLE writer = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(DeleteFileW(path));
    EXPECT_FALSE(MoveFileW(path, WideText(folder.path("moved.zip").c_str())));

    // A second reader of the same file works alongside.
    ArchiveReader* second = nullptr;
    ASSERT_EQ(OpenArchive(archive.c_str(), &second), ReaderOk);
    ArchiveItem a, b;
    EXPECT_EQ(GetItem(second, 3, &a), ReaderOk);
    EXPECT_EQ(GetItem(reader, 3, &b), ReaderOk);
    EXPECT_STREQ(a.name, b.name);
    EXPECT_EQ(CloseArchive(second), ReaderOk);

    EXPECT_EQ(CloseArchive(reader), ReaderOk);
    reader = nullptr;
    EXPECT_TRUE(DeleteFileW(path));
}

// --- describing items --------------------------------------------------------------

TEST_F(ArchiveReaderTest, IndexMinusOneAnswersTheItemCount) {
    openWith(eightItems());
    ArchiveItem it;
    std::memset(&it, 0x5A, sizeof it);
    ASSERT_EQ(GetItem(reader, -1, &it), ReaderOk);
    EXPECT_EQ(it.index, 8);
    EXPECT_STREQ(it.name, "");
    EXPECT_EQ(it.attributes, 0u);
    EXPECT_EQ(ticksOf(it.accessTime) | ticksOf(it.creationTime) | ticksOf(it.writeTime), 0u);
    EXPECT_EQ(it.compressedSize, 0);
    EXPECT_EQ(it.uncompressedSize, 0);
}

TEST_F(ArchiveReaderTest, IndexesOutsideTheArchiveAreBadArgs) {
    openWith(eightItems());
    ArchiveItem it;
    for (int32_t index : {-2, 8, 9, INT32_MIN, INT32_MAX})
        EXPECT_EQ(GetItem(reader, index, &it), ReaderBadArgs) << index;
    for (int32_t index : {-1, -2, 8, INT32_MAX}) {
        EXPECT_EQ(UnzipItem(reader, index, folder.path("out.txt").c_str()), ReaderBadArgs) << index;
        EXPECT_FALSE(fileExists(folder.path("out.txt"))) << index;
    }
}

TEST_F(ArchiveReaderTest, DescribesNamesAndSizesFromTheDirectory) {
    std::vector<FixtureItem> items = eightItems();
    items[2].method = 0;
    openWith(items);
    ZipBytes bytes;
    ASSERT_TRUE(bytes.load(archive));
    for (int32_t i = 0; i < 8; ++i) {
        ArchiveItem it = item(i);
        EXPECT_EQ(it.index, i);
        EXPECT_EQ(it.name, items[static_cast<size_t>(i)].name);
        EXPECT_EQ(it.uncompressedSize, static_cast<int32_t>(items[static_cast<size_t>(i)].data.size()));
        EXPECT_EQ(static_cast<uint32_t>(it.compressedSize), bytes.get32(bytes.centralHeader(i) + 20));
    }
    EXPECT_EQ(item(2).compressedSize, item(2).uncompressedSize);  // stored
    EXPECT_LT(item(3).compressedSize, item(3).uncompressedSize);  // deflated text
}

TEST_F(ArchiveReaderTest, MapsExternalAttributesOfWindowsAndUnixArchives) {
    struct Case {
        const char* name;
        uint16_t madeBy;
        uint32_t external;
        uint32_t expected;
    } cases[] = {
        {"win-archive.txt", kMadeByWindows, 0x20, 0xA1},
        {"win-folder/", kMadeByWindows, 0x10, 0x91},
        {"win-plain.txt", kMadeByWindows, 0x00, 0x81},
        {"win-hidden.txt", kMadeByWindows, 0x22, 0xA3},
        {"win-system.txt", kMadeByWindows, 0x24, 0xA5},
        {"unix-0644.txt", kMadeByUnix, 0100644u << 16, 0x80},
        {"unix-0755/", kMadeByUnix, 040755u << 16, 0x90},
        {"unix-0444.txt", kMadeByUnix, 0100444u << 16, 0x81},
        {"unix-0755-dos-folder/", kMadeByUnix, 040755u << 16 | 0x10, 0x90},
        {"unix-0644-dos-readonly.txt", kMadeByUnix, 0100644u << 16 | 0x01, 0x81},
    };
    std::vector<FixtureItem> items;
    for (const Case& c : cases) {
        FixtureItem it = fileItem(c.name, "x");
        it.versionMadeBy = c.madeBy;
        it.externalAttributes = c.external;
        items.push_back(it);
    }
    openWith(items);
    for (int32_t i = 0; i < static_cast<int32_t>(items.size()); ++i)
        EXPECT_EQ(item(i).attributes, cases[i].expected) << cases[i].name;
}

TEST_F(ArchiveReaderTest, OutputFileIsCreatedWithTheItemsAttributes) {
    FixtureItem windows = fileItem("w.txt", "windows");  // 0x20 -> 0xA1
    FixtureItem unix = fileItem("u.txt", "unix");
    unix.versionMadeBy = kMadeByUnix;
    unix.externalAttributes = 0100644u << 16;  // -> 0x80
    openWith({windows, unix});
    ASSERT_EQ(UnzipItem(reader, 0, folder.path("w.txt").c_str()), ReaderOk);
    ASSERT_EQ(UnzipItem(reader, 1, folder.path("u.txt").c_str()), ReaderOk);
    DWORD readOnlyArchive = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    EXPECT_EQ(attributesOf(folder.path("w.txt")) & readOnlyArchive, readOnlyArchive);
    EXPECT_EQ(attributesOf(folder.path("u.txt")) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(ArchiveReaderTest, DosStampBecomesAllThreeTimesAsUtcOnRecordAndFile) {
    openWith({fileItem("plain.txt", "no extended timestamp")});
    ArchiveItem it = item(0);
    EXPECT_EQ(ticksOf(it.writeTime), kDefaultStampTicks);
    EXPECT_EQ(ticksOf(it.accessTime), kDefaultStampTicks);
    EXPECT_EQ(ticksOf(it.creationTime), kDefaultStampTicks);

    ASSERT_EQ(UnzipItem(reader, 0, folder.path("plain.txt").c_str()), ReaderOk);
    FILETIME creation, access, write;
    ASSERT_TRUE(fileTimesOf(folder.path("plain.txt"), &creation, &access, &write));
    EXPECT_EQ(::ticksOf(creation), kDefaultStampTicks);
    EXPECT_EQ(::ticksOf(access), kDefaultStampTicks);
    EXPECT_EQ(::ticksOf(write), kDefaultStampTicks);
}

TEST_F(ArchiveReaderTest, ExtendedTimestampFromTheLocalExtraField) {
    const int32_t t1 = 1400603000;  // 2014-05-20 16:23:20
    const int32_t t2 = 1000000000;  // 2001-09-09 01:46:40
    const int32_t t3 = -1;          // 1969-12-31 23:59:59
    const uint64_t dos = kDefaultStampTicks;
    const uint64_t u1 = ::ticksOf(utcFileTime(2014, 5, 20, 16, 23, 20));
    const uint64_t u2 = ::ticksOf(utcFileTime(2001, 9, 9, 1, 46, 40));
    const uint64_t u3 = ::ticksOf(utcFileTime(1969, 12, 31, 23, 59, 59));
    std::string ut1 = utBlock(0x01, {t1});
    struct Case {
        const char* what;
        std::string localExtra;
        std::string centralExtra;
        uint64_t write, access, creation;
    } cases[] = {
        {"flags 0x05: write then creation", utBlock(0x05, {t1, t2}), "", u1, dos, u2},
        {"flags 0x07: all three in order", utBlock(0x07, {t1, t2, t3}), "", u1, u2, u3},
        {"flags 0x02: access only", utBlock(0x02, {t3}), "", dos, u3, dos},
        {"after a 300-byte block", extraBlock("XY", std::string(300, '\x55')) + ut1, "", u1, dos, dos},
        {"truncated: only the write slot fits", utBlock(0x07, {t1}), "", u1, dos, dos},
        {"truncated inside the write slot", ut1.substr(0, ut1.size() - 2), "", dos, dos, dos},
        {"only the first UT block counts", utBlock(0x00, {}) + ut1, "", dos, dos, dos},
        {"central directory is not consulted", "", utBlock(0x07, {t1, t2, t3}), dos, dos, dos},
        {"4 bytes are too short", std::string("UT\x01\x00", 4), "", dos, dos, dos},
    };
    std::vector<FixtureItem> items;
    for (const Case& c : cases) {
        FixtureItem it = fileItem("t" + std::to_string(items.size()) + ".txt", "times");
        it.localExtra = c.localExtra;
        it.centralExtra = c.centralExtra;
        items.push_back(it);
    }
    openWith(items);
    for (int32_t i = 0; i < static_cast<int32_t>(items.size()); ++i) {
        ArchiveItem it = item(i);
        EXPECT_EQ(ticksOf(it.writeTime), cases[i].write) << cases[i].what;
        EXPECT_EQ(ticksOf(it.accessTime), cases[i].access) << cases[i].what;
        EXPECT_EQ(ticksOf(it.creationTime), cases[i].creation) << cases[i].what;
    }
    // The times reach the file: write and access on disk; Wine on Linux
    // keeps no settable creation time, so that one is checked at the seam.
    ASSERT_EQ(UnzipItem(reader, 0, folder.path("t0.txt").c_str()), ReaderOk);
    FILETIME creation, access, write;
    ASSERT_TRUE(fileTimesOf(folder.path("t0.txt"), &creation, &access, &write));
    EXPECT_EQ(::ticksOf(write), u1);
    EXPECT_EQ(::ticksOf(access), dos);

    SeamLog log;
    FileSeam seam = loggingSeam(&log);
    ArchiveReader* logged = nullptr;
    ASSERT_EQ(OpenArchive(archive.c_str(), &logged, seam), ReaderOk);
    ASSERT_EQ(UnzipItem(logged, 0, folder.path("t0-again.txt").c_str()), ReaderOk);
    EXPECT_EQ(CloseArchive(logged), ReaderOk);
    ASSERT_EQ(log.times.size(), 1u);
    EXPECT_EQ(log.times[0].creation, u2);
    EXPECT_EQ(log.times[0].access, dos);
    EXPECT_EQ(log.times[0].write, u1);
}

// --- positioning and the cached record ---------------------------------------------

TEST_F(ArchiveReaderTest, GoingBackRestartsAtTheFirstEntry) {
    std::vector<FixtureItem> items = eightItems();
    openWith(items);
    for (int32_t i : {5, 2, 7, 0, 0, 6, 1})
        EXPECT_EQ(item(i).name, items[static_cast<size_t>(i)].name) << i;
    for (int32_t i = 7; i >= 1; --i) {
        std::string out = folder.path("out" + std::to_string(i));
        ASSERT_EQ(UnzipItem(reader, i, out.c_str()), ReaderOk) << i;
        std::string data;
        ASSERT_TRUE(readWholeFile(out, &data));
        EXPECT_EQ(data, items[static_cast<size_t>(i)].data) << i;
    }
}

TEST_F(ArchiveReaderTest, RepeatedIndexIsAnsweredFromTheCachedRecord) {
    ASSERT_TRUE(writeZip(archive, eightItems()));
    SeamLog log;
    FileSeam seam = loggingSeam(&log);
    ArchiveReader* r = nullptr;
    ASSERT_EQ(OpenArchive(archive.c_str(), &r, seam), ReaderOk);
    ArchiveItem first, again;
    ASSERT_EQ(GetItem(r, 4, &first), ReaderOk);
    int readsBefore = log.reads;
    EXPECT_GT(readsBefore, 0);
    ASSERT_EQ(GetItem(r, 4, &again), ReaderOk);
    EXPECT_EQ(log.reads, readsBefore);
    EXPECT_EQ(std::memcmp(&first, &again, sizeof first), 0);
    ASSERT_EQ(GetItem(r, 5, &again), ReaderOk);
    EXPECT_GT(log.reads, readsBefore);
    EXPECT_EQ(CloseArchive(r), ReaderOk);
}

TEST_F(ArchiveReaderTest, DataIsCopiedInPiecesOf16384Bytes) {
    std::string big = sampleText(40000);
    ASSERT_TRUE(writeZip(archive, {fileItem("big.txt", big)}));
    SeamLog log;
    FileSeam seam = loggingSeam(&log);
    ArchiveReader* r = nullptr;
    ASSERT_EQ(OpenArchive(archive.c_str(), &r, seam), ReaderOk);
    ASSERT_EQ(UnzipItem(r, 0, folder.path("big.txt").c_str()), ReaderOk);
    EXPECT_EQ(CloseArchive(r), ReaderOk);
    EXPECT_EQ(log.writes, (std::vector<uint32_t>{16384, 16384, 40000 - 2 * 16384}));
    std::string data;
    ASSERT_TRUE(readWholeFile(folder.path("big.txt"), &data));
    EXPECT_EQ(data, big);
}

// --- damaged archives ----------------------------------------------------------------

TEST_F(ArchiveReaderTest, DamagedLocalHeaderIsCorrupt) {
    struct Case {
        const char* what;
        std::function<void(ZipBytes&, size_t)> patch;  // gets the local header offset
    } cases[] = {
        {"signature", [](ZipBytes& b, size_t h) { b.put32(h, 0x04034b51); }},
        {"method differs from the directory", [](ZipBytes& b, size_t h) { b.put16(h + local::kMethod, 0); }},
        {"CRC-32 differs", [](ZipBytes& b, size_t h) { b.put32(h + local::kCrc, b.get32(h + local::kCrc) ^ 1); }},
        {"compressed size differs",
         [](ZipBytes& b, size_t h) { b.put32(h + local::kCompressedSize, b.get32(h + local::kCompressedSize) + 1); }},
        {"uncompressed size differs",
         [](ZipBytes& b, size_t h) { b.put32(h + local::kUncompressedSize, b.get32(h + local::kUncompressedSize) + 1); }},
        {"name length differs",
         [](ZipBytes& b, size_t h) { b.put16(h + local::kNameLength, b.get16(h + local::kNameLength) + 1); }},
    };
    std::vector<FixtureItem> items = eightItems();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        openWith(items, [&](ZipBytes& b) { c.patch(b, b.localHeader(2)); });
        ArchiveItem it;
        EXPECT_EQ(GetItem(reader, 2, &it), ReaderCorrupt);
        EXPECT_EQ(UnzipItem(reader, 2, folder.path("two.txt").c_str()), ReaderCorrupt);
        EXPECT_FALSE(fileExists(folder.path("two.txt")));
        EXPECT_EQ(item(1).name, items[1].name);
        EXPECT_EQ(item(3).name, items[3].name);
        EXPECT_EQ(CloseArchive(reader), ReaderOk);
        reader = nullptr;
    }
}

TEST_F(ArchiveReaderTest, DataDescriptorFlagExcusesLocalCrcAndSizes) {
    std::vector<FixtureItem> items = eightItems();
    openWith(items, [](ZipBytes& b) {
        size_t h = b.localHeader(2);
        b.put16(h + local::kFlags, b.get16(h + local::kFlags) | 0x08);
        b.put32(h + local::kCrc, 0);
        b.put32(h + local::kCompressedSize, 0);
        b.put32(h + local::kUncompressedSize, 0);
    });
    ASSERT_EQ(UnzipItem(reader, 2, folder.path("two.txt").c_str()), ReaderOk);
    std::string data;
    ASSERT_TRUE(readWholeFile(folder.path("two.txt"), &data));
    EXPECT_EQ(data, items[2].data);
}

TEST_F(ArchiveReaderTest, DamagedDirectoryRecordStopsTheItemsFromThere) {
    std::vector<FixtureItem> items = eightItems();
    openWith(items, [](ZipBytes& b) { b.put32(b.centralHeader(3), 0x02014b55); });
    ArchiveItem it;
    EXPECT_EQ(item(-1).index, 8);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(item(i).name, items[static_cast<size_t>(i)].name);
    for (int32_t i = 3; i < 8; ++i) EXPECT_EQ(GetItem(reader, i, &it), ReaderCorrupt) << i;
    EXPECT_EQ(UnzipItem(reader, 3, folder.path("three").c_str()), ReaderCorrupt);
    EXPECT_EQ(item(1).name, items[1].name);  // still readable after the failures
}

TEST_F(ArchiveReaderTest, MethodsOtherThanStoredAndDeflatedAreCorrupt) {
    std::vector<FixtureItem> items = eightItems();
    // 12 (bzip2) passes minizip's own header check, which would copy it raw.
    for (uint32_t method : {1u, 12u, 14u, 99u}) {
        SCOPED_TRACE(method);
        openWith(items, [&](ZipBytes& b) {
            b.put16(b.localHeader(1) + local::kMethod, method);
            b.put16(b.centralHeader(1) + central::kMethod, method);
        });
        ArchiveItem it;
        EXPECT_EQ(GetItem(reader, 1, &it), ReaderCorrupt);
        EXPECT_EQ(UnzipItem(reader, 1, folder.path("one.txt").c_str()), ReaderCorrupt);
        EXPECT_FALSE(fileExists(folder.path("one.txt")));
        EXPECT_EQ(item(0).name, items[0].name);
        EXPECT_EQ(item(2).name, items[2].name);
        EXPECT_EQ(CloseArchive(reader), ReaderOk);
        reader = nullptr;
    }
}

TEST_F(ArchiveReaderTest, UnreadableLocalExtraFieldIsReadFailed) {
    std::vector<FixtureItem> items = eightItems();
    // The last item's extra field would run 65535 bytes past a small file.
    openWith(items, [](ZipBytes& b) { b.put16(b.localHeader(7) + local::kExtraLength, 0xFFFF); });
    ArchiveItem it;
    EXPECT_EQ(GetItem(reader, 7, &it), ReaderReadFailed);
    EXPECT_EQ(UnzipItem(reader, 7, folder.path("seven.txt").c_str()), ReaderReadFailed);
    EXPECT_EQ(item(6).name, items[6].name);
}

TEST_F(ArchiveReaderTest, NamesOf260BytesOrMoreAreRefused) {
    std::string longest(259, 'n');
    openWith({fileItem(longest, "fits"), fileItem(std::string(260, 'n'), "too long"),
              fileItem(std::string(400, 'n'), "far too long")});
    EXPECT_EQ(item(0).name, longest);
    ArchiveItem it;
    EXPECT_EQ(GetItem(reader, 1, &it), ReaderCorrupt);
    EXPECT_EQ(GetItem(reader, 2, &it), ReaderCorrupt);
}

TEST_F(ArchiveReaderTest, DamagedDeflateDataFailsAndLeavesThePartialFile) {
    // Two byte-aligned halves: the first inflates, then a block of the
    // invalid type 3 follows.
    std::string data = sampleText(60000);
    z_stream z = {};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string compressed(deflateBound(&z, 60000), '\0');
    z.next_in = reinterpret_cast<Bytef*>(&data[0]);
    z.avail_in = 40000;
    z.next_out = reinterpret_cast<Bytef*>(&compressed[0]);
    z.avail_out = static_cast<uInt>(compressed.size());
    deflate(&z, Z_FULL_FLUSH);
    compressed.resize(z.total_out);
    deflateEnd(&z);
    compressed += std::string("\x07\x00\x00\x00", 4);
    FixtureItem broken;
    broken.name = "broken.txt";
    broken.data = compressed;
    broken.raw = true;
    broken.rawSize = static_cast<uint32_t>(data.size());
    broken.rawCrc = crcOf(data);
    openWith({broken});

    EXPECT_EQ(UnzipItem(reader, 0, folder.path("broken.txt").c_str()), ReaderWriteFailed);
    std::string partial;
    ASSERT_TRUE(readWholeFile(folder.path("broken.txt"), &partial));
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), data.size());
    EXPECT_EQ(partial, data.substr(0, partial.size()));
}

TEST_F(ArchiveReaderTest, WrongCrcOfAFullyReadItemIsAFailedItem) {
    std::string stored = sampleText(5000, 1), deflated = sampleText(5000, 2);
    FixtureItem a = fileItem("stored.txt", stored);
    a.method = 0;
    FixtureItem b = fileItem("deflated.txt", deflated);
    openWith({a, b}, [](ZipBytes& z) {
        for (int i = 0; i < 2; ++i) {
            uint32_t wrong = z.get32(z.centralHeader(i) + central::kCrc) ^ 0x00800000;
            z.put32(z.localHeader(i) + local::kCrc, wrong);
            z.put32(z.centralHeader(i) + central::kCrc, wrong);
        }
    });
    for (int32_t i = 0; i < 2; ++i) {
        std::string out = folder.path("out" + std::to_string(i));
        EXPECT_EQ(item(i).index, i);  // the record itself is sound
        EXPECT_EQ(UnzipItem(reader, i, out.c_str()), ReaderWriteFailed) << i;
        std::string data;
        ASSERT_TRUE(readWholeFile(out, &data));
        EXPECT_EQ(data, i == 0 ? stored : deflated);  // left in place
    }
}

TEST_F(ArchiveReaderTest, StreamEndingBeforeTheDeclaredSizeIsAFailedItem) {
    std::string data = "the stream ends here";
    FixtureItem shortItem;
    shortItem.name = "short.txt";
    shortItem.data = rawDeflate(data);
    shortItem.raw = true;
    shortItem.rawSize = static_cast<uint32_t>(data.size()) + 10;
    shortItem.rawCrc = crcOf(data);
    openWith({shortItem});
    EXPECT_EQ(UnzipItem(reader, 0, folder.path("short.txt").c_str()), ReaderWriteFailed);
}

// --- output files and folders -------------------------------------------------------

TEST_F(ArchiveReaderTest, ExistingFileHeldOpenIsNoFile) {
    openWith(eightItems());
    std::string busy = folder.path("busy.txt");
    ASSERT_TRUE(writeWholeFile(busy, "old contents"));
    HANDLE holder = CreateFileW(WideText(busy.c_str()), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(UnzipItem(reader, 1, busy.c_str()), ReaderNoFile);
    CloseHandle(holder);
    std::string data;
    ASSERT_TRUE(readWholeFile(busy, &data));
    EXPECT_EQ(data, "old contents");
}

TEST_F(ArchiveReaderTest, ExistingReadOnlyFileIsNoFile) {
    openWith(eightItems());
    // Wine run by root lets a write through regardless, which the probe
    // below detects.
    std::string data;
    std::string locked = folder.path("locked.txt");
    ASSERT_TRUE(writeWholeFile(locked, "old contents"));
    ASSERT_TRUE(SetFileAttributesW(WideText(locked.c_str()), FILE_ATTRIBUTE_READONLY));
    HANDLE probe = CreateFileW(WideText(locked.c_str()), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        GTEST_SKIP() << "this platform does not enforce read-only files (Wine run as root)";
    }
    EXPECT_EQ(UnzipItem(reader, 1, locked.c_str()), ReaderNoFile);
    ASSERT_TRUE(readWholeFile(locked, &data));
    EXPECT_EQ(data, "old contents");
}

TEST_F(ArchiveReaderTest, AbsoluteTargetGetsNoFoldersCreated) {
    openWith(eightItems());
    EXPECT_EQ(UnzipItem(reader, 1, folder.path("new\\sub\\one.txt").c_str()), ReaderNoFile);
    EXPECT_FALSE(folderExists(folder.path("new")));
}

TEST_F(ArchiveReaderTest, RelativeTargetGetsItsFoldersUnderTheBaseFolder) {
    CurrentFolder inside(folder.root());
    std::vector<FixtureItem> items = eightItems();
    openWith(items);
    ASSERT_EQ(UnzipItem(reader, 1, "x/y/z.txt"), ReaderOk);
    EXPECT_TRUE(folderExists(folder.path("x")));
    EXPECT_TRUE(folderExists(folder.path("x\\y")));
    std::string data;
    ASSERT_TRUE(readWholeFile(folder.path("x\\y\\z.txt"), &data));
    EXPECT_EQ(data, items[1].data);
    ASSERT_EQ(UnzipItem(reader, 2, "p\\q\\r.txt"), ReaderOk);
    EXPECT_TRUE(fileExists(folder.path("p\\q\\r.txt")));
}

TEST_F(ArchiveReaderTest, TargetClimbingWithDotDotGetsNoFoldersCreated) {
    CurrentFolder inside(folder.root());
    openWith(eightItems());
    for (const char* target : {"a/../b/f.txt", "a\\..\\b\\f.txt", "a/b/../../c/f.txt", "a../b/f.txt"}) {
        EXPECT_EQ(UnzipItem(reader, 1, target), ReaderNoFile) << target;
        for (const char* name : {"a", "a..", "b", "c"})
            EXPECT_FALSE(folderExists(folder.path(name))) << target;
    }
}

TEST_F(ArchiveReaderTest, FolderItemIsCreatedUnderTheBaseFolder) {
    CurrentFolder inside(folder.root());
    openWith({folderItem("one/two/three/"), folderItem("single/")});
    ASSERT_EQ(UnzipItem(reader, 0, "ignored-target"), ReaderOk);
    EXPECT_TRUE(folderExists(folder.path("one\\two\\three")));
    EXPECT_FALSE(fileExists(folder.path("ignored-target")));
    ASSERT_EQ(UnzipItem(reader, 1, nullptr), ReaderOk);
    EXPECT_TRUE(folderExists(folder.path("single")));
}

TEST_F(ArchiveReaderTest, FolderItemThatWouldLeaveTheBaseFolderIsRefused) {
    TestFolder parent;
    std::string base = parent.path("base");
    ASSERT_TRUE(CreateDirectoryW(WideText(base.c_str()), nullptr));
    CurrentFolder inside(base);
    openWith({folderItem("../escaped/"), folderItem("a/../../escaped2/"), folderItem("..\\escaped3\\")});
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(UnzipItem(reader, i, "t"), ReaderCorrupt) << i;
    for (const char* name : {"escaped", "escaped2", "escaped3"})
        EXPECT_FALSE(folderExists(parent.path(name))) << name;
    EXPECT_FALSE(folderExists(parent.path("base\\a")));
}

}  // namespace
