// The extraction engine over real files, with a recording progress callback.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "runtime/wide.h"
#include "tests/unzip/test_folder.h"
#include "tests/unzip/zip_fixture.h"
#include "unzip/zip_extractor.h"

namespace {

// What the callback saw; reset by each test's fixture.
std::vector<int32_t> reports;
int64_t stopAtIndex = -1;

void recordReport(uint32_t current, uint32_t total, ZipExtractor& extractor) {
    reports.push_back(progressPercent(current, total));
    if (static_cast<int64_t>(current) == stopAtIndex && current != total) extractor.stopRequested = 1;
}

std::vector<FixtureItem> numberedFiles(int count, const std::string& prefix = "file") {
    std::vector<FixtureItem> items;
    for (int i = 0; i < count; ++i)
        items.push_back(fileItem(prefix + std::to_string(i) + ".txt", sampleText(50 + 13 * i, i)));
    return items;
}

using Reports = std::vector<int32_t>;

// What normal attributes clear. (Wine reports every file as archive.)
const DWORD kCleared = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

class ZipExtractorTest : public ::testing::Test {
protected:
    void SetUp() override {
        reports.clear();
        stopAtIndex = -1;
    }

    int32_t run(const char* archivePath, const char* destination) {
        ZipExtractor extractor;
        extractor.SetProgressCallback(recordReport);
        return extractor.Run(archivePath, destination);
    }
    int32_t run() { return run(archive.c_str(), destination.c_str()); }

    void makeArchive(const std::vector<FixtureItem>& items,
                     const std::function<void(ZipBytes&)>& patch = nullptr) {
        ASSERT_TRUE(writePatchedZip(archive, items, patch));
    }

    std::string extracted(const std::string& name) const { return destination + "\\" + name; }

    TestFolder folder;
    std::string archive = folder.path("product.zip");
    std::string destination = folder.path("dest");
};

TEST(ProgressPercent, TruncatesTheDoubleQuotient) {
    struct Case {
        uint32_t current, total;
        int32_t percent;
    } cases[] = {
        {0, 0, 0},       {0, 8, 0},        {1, 8, 12},        {7, 8, 87},
        {8, 8, 100},     {1, 3, 33},       {2, 3, 66},        {29, 100, 28},
        {57, 100, 56},   {58, 100, 57},    {99, 100, 99},     {UINT32_MAX, UINT32_MAX, 100},
        {1, UINT32_MAX, 0}, {UINT32_MAX - 1, UINT32_MAX, 99},
    };
    for (const Case& c : cases)
        EXPECT_EQ(progressPercent(c.current, c.total), c.percent) << c.current << "/" << c.total;
}

// --- whole runs --------------------------------------------------------------------

TEST_F(ZipExtractorTest, ReportsAfterEachItemAndOnceAtTheEnd) {
    struct Case {
        int items;
        Reports expected;  // empty: checked by index below
    } cases[] = {
        {3, {0, 33, 66, 100}},
        {100, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.items);
        reports.clear();
        std::vector<FixtureItem> items = numberedFiles(c.items);
        makeArchive(items);
        EXPECT_EQ(run(), 1);
        if (!c.expected.empty()) {
            EXPECT_EQ(reports, c.expected);
        } else {
            ASSERT_EQ(reports.size(), 101u);
            EXPECT_EQ(reports[29], 28);
            EXPECT_EQ(reports[57], 56);
            EXPECT_EQ(reports[58], 57);
            EXPECT_EQ(reports[99], 99);
            EXPECT_EQ(reports[100], 100);
        }
        for (const FixtureItem& it : items) {
            std::string data;
            ASSERT_TRUE(readWholeFile(extracted(it.name), &data)) << it.name;
            EXPECT_EQ(data, it.data);
        }
    }
}

TEST_F(ZipExtractorTest, EightItemsWithAFolderUnpackWithNormalAttributes) {
    std::vector<FixtureItem> items = {folderItem("bin/")};
    for (int i = 1; i < 8; ++i)
        items.push_back(fileItem((i < 4 ? "bin/tool" : "readme") + std::to_string(i) + ".txt",
                                 sampleText(300 * i, i)));
    makeArchive(items);  // files carry 0x20: read-only items until the run clears it
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(reports, (Reports{0, 12, 25, 37, 50, 62, 75, 87, 100}));
    EXPECT_TRUE(folderExists(extracted("bin")));
    for (size_t i = 1; i < items.size(); ++i) {
        std::string path = extracted(items[i].name);
        std::string data;
        ASSERT_TRUE(readWholeFile(path, &data)) << items[i].name;
        EXPECT_EQ(data, items[i].data);
        EXPECT_EQ(attributesOf(path) & kCleared, 0u) << items[i].name;
    }
}

TEST_F(ZipExtractorTest, MissingTextOrArchiveGivesMinusOneAndOneReportOfZero) {
    makeArchive(numberedFiles(2));
    std::string missing = folder.path("missing.zip");
    struct Case {
        const char* what;
        const char* archive;
        const char* destination;
    } cases[] = {
        {"no archive text", nullptr, destination.c_str()},
        {"no destination text", archive.c_str(), nullptr},
        {"archive file missing", missing.c_str(), destination.c_str()},
        {"empty archive path", "", destination.c_str()},
    };
    for (const Case& c : cases) {
        reports.clear();
        EXPECT_EQ(run(c.archive, c.destination), -1) << c.what;
        EXPECT_EQ(reports, Reports{0}) << c.what;
    }
    EXPECT_FALSE(folderExists(destination));
}

TEST_F(ZipExtractorTest, FailuresBeforeCountingGiveZeroAndOneReportOfZero) {
    std::string sound = folder.path("sound.zip");
    ASSERT_TRUE(writeZip(sound, numberedFiles(3)));
    ZipBytes bytes;
    ASSERT_TRUE(bytes.load(sound));
    std::string soundBytes(bytes.bytes.begin(), bytes.bytes.end());
    std::string blocker = folder.path("blocker");
    ASSERT_TRUE(writeWholeFile(blocker, "a file where a folder should be"));
    std::string emptyZip = folder.path("empty.zip");
    ASSERT_TRUE(writeZip(emptyZip, {}));
    std::string emptyZipBytes;
    ASSERT_TRUE(readWholeFile(emptyZip, &emptyZipBytes));

    struct Case {
        const char* what;
        std::string archiveBytes;
        std::string destination;
    } cases[] = {
        {"destination cannot be created", soundBytes, blocker + "\\dest"},
        {"text file", "just some text, long enough to fill thirty-two bytes", destination},
        {"shorter than 32 bytes", soundBytes.substr(0, 31), destination},
        {"empty ZIP: only its end record", emptyZipBytes, destination},
        {"no central directory", soundBytes.substr(0, bytes.centralHeader(0)), destination},
    };
    for (const Case& c : cases) {
        reports.clear();
        ASSERT_TRUE(writeWholeFile(archive, c.archiveBytes));
        EXPECT_EQ(run(archive.c_str(), c.destination.c_str()), 0) << c.what;
        EXPECT_EQ(reports, Reports{0}) << c.what;
        EXPECT_FALSE(fileExists(c.destination + "\\file0.txt")) << c.what;
    }
}

TEST_F(ZipExtractorTest, CountingShortOfTheDirectoryFailsTheRun) {
    struct Case {
        const char* what;
        std::function<void(ZipBytes&)> patch;
        std::string thirdName;
    } cases[] = {
        {"damaged directory record", [](ZipBytes& b) { b.put32(b.centralHeader(2), 0); }, "file2.txt"},
        {"unsupported method",
         [](ZipBytes& b) {
             b.put16(b.localHeader(2) + local::kMethod, 12);
             b.put16(b.centralHeader(2) + central::kMethod, 12);
         },
         "file2.txt"},
        {"name of 260 bytes", nullptr, std::string(260, 'n')},
    };
    for (const Case& c : cases) {
        TestFolder target;
        reports.clear();
        std::vector<FixtureItem> items = numberedFiles(5);
        items[2].name = c.thirdName;
        makeArchive(items, c.patch);
        EXPECT_EQ(run(archive.c_str(), target.root().c_str()), 0) << c.what;
        EXPECT_EQ(reports, Reports{0}) << c.what;
        EXPECT_FALSE(fileExists(target.path("file0.txt"))) << c.what;  // nothing installed
    }
}

// --- failing items ----------------------------------------------------------------------

TEST_F(ZipExtractorTest, FailedItemEndsTheRunWithThePercentageActuallyDone) {
    std::string bad = sampleText(3000, 9);
    struct Case {
        const char* what;
        std::vector<FixtureItem> items;
        std::function<void(ZipBytes&)> patch;
        Reports expected;
    } cases[] = {
        {"file in a folder that has no item",
         {fileItem("a.txt", "a"), fileItem("b.txt", "b"), fileItem("nofolder/c.txt", "c"), fileItem("d.txt", "d")},
         nullptr, {0, 25, 50}},
        {"wrong CRC-32",
         {fileItem("a.txt", "a"), fileItem("b.txt", "b"), fileItem("c.txt", bad), fileItem("d.txt", "d")},
         [](ZipBytes& z) {
             uint32_t wrong = z.get32(z.centralHeader(2) + central::kCrc) ^ 0x10;
             z.put32(z.localHeader(2) + local::kCrc, wrong);
             z.put32(z.centralHeader(2) + central::kCrc, wrong);
         },
         {0, 25, 50}},
        {"damaged deflate data",
         {fileItem("a.txt", "a"), fileItem("b.txt", "b"), fileItem("c.txt", bad), fileItem("d.txt", "d")},
         [](ZipBytes& z) { z.bytes[z.dataStart(2)] = 0x07; },  // block type 3 does not exist
         {0, 25, 50}},
        {"the first item fails",
         {fileItem("nofolder/c.txt", "c"), fileItem("a.txt", "a")}, nullptr, {0}},
        {"folder item under a file",
         {fileItem("f", "a file"), folderItem("f/sub/")}, nullptr, {0, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestFolder target;
        reports.clear();
        makeArchive(c.items, c.patch);
        EXPECT_EQ(run(archive.c_str(), target.root().c_str()), 0);
        EXPECT_EQ(reports, c.expected);
        size_t done = c.expected.size() - 1;
        for (size_t i = 0; i < c.items.size(); ++i) {
            if (c.items[i].externalAttributes & 0x10) continue;
            bool present = fileExists(target.path(c.items[i].name));
            if (i < done) {
                EXPECT_TRUE(present) << c.items[i].name;
            } else if (i > done) {
                EXPECT_FALSE(present) << c.items[i].name;
            }
        }
    }
}

TEST_F(ZipExtractorTest, NamesThatWouldLeaveTheDestinationAreRefused) {
    const char* names[] = {
        "../escape.txt", "..\\escape.txt", "sub/../../escape.txt", "sub\\..\\..\\escape.txt",
        "/escape-root.txt", "\\escape-root.txt", "C:escape.txt", "C:/escape-root.txt",
        "sub/.../escape.txt", "sub/.. /escape.txt", "../escape-folder/",
    };
    CurrentFolder inside(destination.substr(0, destination.rfind('\\')));
    for (const char* name : names) {
        SCOPED_TRACE(name);
        reports.clear();
        FixtureItem unsafe = fileItem(name, "escaped");
        if (name[strlen(name) - 1] == '/') unsafe = folderItem(name);
        makeArchive({fileItem("first.txt", "1"), unsafe, fileItem("last.txt", "3")});
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(reports, (Reports{0, 33}));
        EXPECT_TRUE(fileExists(extracted("first.txt")));
        EXPECT_FALSE(fileExists(extracted("last.txt")));
        for (const char* escaped : {"escape.txt", "escape-folder"})
            EXPECT_EQ(attributesOf(folder.path(escaped)), INVALID_FILE_ATTRIBUTES) << escaped;
        EXPECT_EQ(attributesOf("C:\\escape-root.txt"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(attributesOf("C:\\escape.txt"), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(folderExists(extracted("sub")));
    }
}

TEST_F(ZipExtractorTest, StopAfterIndexTwoEndsWithoutFinalReport) {
    std::vector<FixtureItem> items = numberedFiles(6);
    makeArchive(items);
    stopAtIndex = 2;
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(reports, (Reports{0, 16, 33}));
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(fileExists(extracted(items[i].name)), i <= 2) << items[i].name;
    // The archive was closed: it can be deleted now.
    EXPECT_TRUE(DeleteFileW(WideText(archive.c_str())));
}

TEST_F(ZipExtractorTest, ExistingReadOnlyHiddenSystemFileIsReplaced) {
    ASSERT_TRUE(CreateDirectoryW(WideText(destination.c_str()), nullptr));
    std::string path = extracted("file0.txt");
    ASSERT_TRUE(writeWholeFile(path, "old"));
    ASSERT_TRUE(SetFileAttributesW(WideText(path.c_str()), FILE_ATTRIBUTE_READONLY |
                                                               FILE_ATTRIBUTE_HIDDEN |
                                                               FILE_ATTRIBUTE_SYSTEM));
    std::vector<FixtureItem> items = numberedFiles(1);
    makeArchive(items);
    EXPECT_EQ(run(), 1);
    std::string data;
    ASSERT_TRUE(readWholeFile(path, &data));
    EXPECT_EQ(data, items[0].data);
    EXPECT_EQ(attributesOf(path) & kCleared, 0u);
}

// --- destinations ----------------------------------------------------------------------

TEST_F(ZipExtractorTest, GbkDestinationEndingIn5CGetsItsBackslash) {
    // "乗" is 0x81 0x5C in GBK: its second byte is the code of "\\".
    std::string gbkFolder = folder.path("下载\\乗");
    std::vector<FixtureItem> items = numberedFiles(2);
    makeArchive(items);
    EXPECT_EQ(run(archive.c_str(), gbkFolder.c_str()), 1);
    std::wstring wideRoot(WideText(folder.root().c_str()).get());
    std::wstring expected = wideRoot + L"\\\u4e0b\u8f7d\\\u4e57\\file1.txt";
    EXPECT_NE(GetFileAttributesW(expected.c_str()), INVALID_FILE_ATTRIBUTES);
    // Nothing was made of the lead byte alone.
    std::wstring stray = wideRoot + L"\\\u4e0b\u8f7d\\*";
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(stray.c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int entries = 0;
    do {
        if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..") {
            ++entries;
            EXPECT_EQ(std::wstring(found.cFileName), L"\u4e57");
        }
    } while (FindNextFileW(h, &found));
    FindClose(h);
    EXPECT_EQ(entries, 1);
}

TEST_F(ZipExtractorTest, DestinationEndingInSlashGetsBackslashAppended) {
    makeArchive(numberedFiles(1));
    EXPECT_EQ(run(archive.c_str(), (folder.root() + "/slash/").c_str()), 1);
    EXPECT_TRUE(fileExists(folder.path("slash\\file0.txt")));
}

TEST_F(ZipExtractorTest, EmptyDestinationMeansTheRootOfTheCurrentDrive) {
    CurrentFolder inside(folder.root());
    std::string name = "unzip-root-test-" + std::to_string(GetCurrentProcessId()) + ".txt";
    makeArchive({fileItem(name, "at the root")});
    EXPECT_EQ(run(archive.c_str(), ""), 1);
    std::string atRoot = folder.root().substr(0, 2) + "\\" + name;
    std::string data;
    EXPECT_TRUE(readWholeFile(atRoot, &data));
    EXPECT_EQ(data, "at the root");
    DeleteFileW(WideText(atRoot.c_str()));
}

TEST(EnsureTrailingBackslash, AppendsUnlessTheLastCharacterIsABackslash) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"", "\\"},           {"a", "a\\"},           {"a\\", "a\\"},
        {"a/", "a/\\"},       {"C:\\", "C:\\"},       {"下载", "下载\\"},
        {"乗", "乗\\"},       {"乗\\", "乗\\"},       {"a\\乗", "a\\乗\\"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(ZipExtractor::EnsureTrailingBackslash(c.text).c_str(), c.expected) << c.text;
    EXPECT_STREQ(ZipExtractor::EnsureTrailingBackslash(nullptr).c_str(), "\\");
}

TEST_F(ZipExtractorTest, MakeFolderPathCreatesEachMissingFolder) {
    ZipExtractor extractor;
    EXPECT_TRUE(extractor.MakeFolderPath(folder.path("a\\b\\c").c_str()));
    EXPECT_TRUE(folderExists(folder.path("a\\b\\c")));
    EXPECT_TRUE(extractor.MakeFolderPath(folder.path("a\\b\\c\\").c_str()));  // all there already
    EXPECT_TRUE(extractor.MakeFolderPath(folder.path("a\\乗\\d").c_str()));
    EXPECT_TRUE(folderExists(folder.path("a\\乗\\d")));
    ASSERT_TRUE(writeWholeFile(folder.path("file"), "x"));
    EXPECT_FALSE(extractor.MakeFolderPath(folder.path("file\\sub").c_str()));
}

TEST_F(ZipExtractorTest, LooksLikeZipReadsTheFirst32Bytes) {
    std::string sound = folder.path("sound.zip");
    ASSERT_TRUE(writeZip(sound, numberedFiles(2)));
    std::string soundBytes;
    ASSERT_TRUE(readWholeFile(sound, &soundBytes));
    std::string folderFirst = folder.path("folder-first.zip");
    ASSERT_TRUE(writeZip(folderFirst, {folderItem("f/"), fileItem("f/a.txt", "a")}));
    std::string emptyZip = folder.path("empty.zip");
    ASSERT_TRUE(writeZip(emptyZip, {}));
    auto withBytes24To27 = [&](uint32_t v) {
        std::string b = soundBytes;
        for (int i = 0; i < 4; ++i) b[static_cast<size_t>(24 + i)] = static_cast<char>(v >> (8 * i));
        return b;
    };
    struct Case {
        const char* what;
        std::string bytes;  // written to a file unless `path` is set
        std::string path;
        bool expected;
    } cases[] = {
        {"an archive", soundBytes, "", true},
        {"first item a folder of size 0", "", folderFirst, true},
        {"only 31 bytes", soundBytes.substr(0, 31), "", false},
        {"exactly 32 bytes", soundBytes.substr(0, 32), "", true},
        {"empty ZIP", "", emptyZip, false},
        {"other signature", "PK\x05\x06" + soundBytes.substr(4), "", false},
        {"no name, size high half 0", withBytes24To27(0), "", false},
        {"negative value in bytes 24-27", withBytes24To27(0x80000001u), "", false},
        {"missing file", "", folder.path("missing.zip"), false},
    };
    ZipExtractor extractor;
    for (const Case& c : cases) {
        std::string path = c.path;
        if (path.empty()) {
            path = folder.path("probe.bin");
            ASSERT_TRUE(writeWholeFile(path, c.bytes));
        }
        EXPECT_EQ(extractor.LooksLikeZip(path.c_str()), c.expected) << c.what;
    }
}

TEST_F(ZipExtractorTest, CountItemsStopsAtTheFirstItemThatCannotBeDescribed) {
    makeArchive(numberedFiles(8), [](ZipBytes& b) { b.put32(b.centralHeader(5), 0); });
    ZipExtractor extractor;
    ArchiveReader* reader = nullptr;
    ASSERT_EQ(OpenArchive(archive.c_str(), &reader), ReaderOk);
    EXPECT_EQ(extractor.CountItems(reader), 5);
    EXPECT_EQ(CloseArchive(reader), ReaderOk);
    EXPECT_EQ(extractor.CountItems(nullptr), -1);
}

}  // namespace
