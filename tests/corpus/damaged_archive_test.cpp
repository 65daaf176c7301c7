// A corpus of damaged and hostile archives, made at test time from the zip
// fixtures and byte patches, run through the extraction engine of the Windows
// build. For every archive: the documented result and progress reports, no
// crash, no hang (each run has a time limit), and nothing created or changed
// outside the destination folder (the folder around it, the temporary folder
// and the root of drive C: are compared before and after).
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "runtime/wide.h"
#include "tests/support/gui_driver.h"
#include "tests/unzip/test_folder.h"
#include "tests/unzip/zip_fixture.h"
#include "unzip/zip_extractor.h"

namespace {

using Reports = std::vector<int32_t>;
using Bytes = std::vector<uint8_t>;

constexpr DWORD kRunLimitMs = 120000;

Reports reports;
void recordReport(uint32_t current, uint32_t total, ZipExtractor&) {
    reports.push_back(progressPercent(current, total));
}

// Every file and folder under `folder` (relative name -> size; folders -1),
// leaving out the subtree `skip`.
void listTree(const std::wstring& folder, const std::wstring& relative, const std::wstring& skip,
              std::map<std::wstring, int64_t>* out) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring full = folder + L"\\" + name, rel = relative + L"\\" + name;
        if (full == skip) continue;
        bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        (*out)[rel] = isFolder ? -1 : (static_cast<int64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow);
        if (isFolder) listTree(full, rel, skip, out);
    } while (FindNextFileW(h, &found));
    FindClose(h);
}

// The names directly in `folder`.
std::set<std::wstring> listNames(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.insert(found.cFileName);
    while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}


struct RunRequest {
    std::string archive, destination;
    int32_t result = 0;
};

DWORD WINAPI runExtractor(void* parameter) {
    auto* request = static_cast<RunRequest*>(parameter);
    ZipExtractor extractor;
    extractor.SetProgressCallback(recordReport);
    request->result = extractor.Run(request->archive.c_str(), request->destination.c_str());
    return 0;
}

std::string sample(size_t size, int seed) { return sampleText(size, seed); }

// Three deflated files: the base of most damaged archives.
std::vector<FixtureItem> threeFiles() {
    return {fileItem("a.txt", sample(3000, 1)), fileItem("b.txt", sample(5000, 2)),
            fileItem("c.txt", sample(2000, 3))};
}

class DamagedArchiveTest : public ::testing::Test {
protected:
    // Writes the archive from `items` (then `patch`es its bytes), or from
    // `bytes` when `items` is empty.
    std::string makeArchive(const std::string& name, const std::vector<FixtureItem>& items,
                            const std::function<void(ZipBytes&)>& patch = nullptr) {
        std::string path = folder.path(name);
        EXPECT_TRUE(writePatchedZip(path, items, patch));
        return path;
    }
    std::string writeBytes(const std::string& name, const Bytes& bytes) {
        std::string path = folder.path(name);
        EXPECT_TRUE(writeWholeFile(path, std::string(bytes.begin(), bytes.end())));
        return path;
    }
    Bytes bytesOf(const std::string& path) {
        std::string data;
        EXPECT_TRUE(readWholeFile(path, &data));
        return Bytes(data.begin(), data.end());
    }

    // Runs the engine on `archive` into a fresh destination and checks the
    // result, the reports and that nothing outside the destination changed.
    // Answers the files that landed in the destination.
    std::map<std::wstring, int64_t> check(const std::string& archive, int32_t expectedResult,
                                          const Reports& expectedReports) {
        std::wstring root = WideText(folder.root().c_str()).get();
        std::wstring dest = WideText(destination.c_str()).get();
        removeTree(dest);
        std::map<std::wstring, int64_t> before, after;
        listTree(root, L"", dest, &before);
        std::set<std::wstring> driveBefore = listNames(L"C:"), tempBefore = listNames(tempFolder());

        reports.clear();
        RunRequest request;
        request.archive = archive;
        request.destination = destination;
        HANDLE worker = CreateThread(nullptr, 0, runExtractor, &request, 0, nullptr);
        EXPECT_NE(worker, nullptr);
        if (WaitForSingleObject(worker, kRunLimitMs) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "extraction still running after " << kRunLimitMs << " ms: " << archive;
            std::fflush(nullptr);
            ExitProcess(3);  // a hung worker cannot be stopped safely
        }
        CloseHandle(worker);

        EXPECT_EQ(request.result, expectedResult) << archive;
        EXPECT_EQ(reports, expectedReports) << archive;
        if (expectedResult == 0 && !reports.empty()) {
            EXPECT_NE(reports.back(), 100);
        }

        listTree(root, L"", dest, &after);
        EXPECT_EQ(before, after) << "something changed outside the destination";
        EXPECT_EQ(listNames(L"C:"), driveBefore) << "the root of C: changed";
        EXPECT_EQ(listNames(tempFolder()), tempBefore) << "the temporary folder changed";
        std::map<std::wstring, int64_t> landed;
        listTree(dest, L"", L"", &landed);
        return landed;
    }

    static std::wstring tempFolder() {
        wchar_t temp[MAX_PATH];
        DWORD n = GetTempPathW(MAX_PATH, temp);
        if (n > 0 && temp[n - 1] == L'\\') temp[n - 1] = 0;
        return temp;
    }

    TestFolder folder;
    std::string destination = folder.path("dest");
};

using Landed = std::map<std::wstring, int64_t>;

TEST_F(DamagedArchiveTest, TruncatedAtManyOffsetsFailsBeforeAnyItem) {
    std::string whole = makeArchive("whole.zip", threeFiles());
    Bytes bytes = bytesOf(whole);
    ZipBytes zip;
    ASSERT_TRUE(zip.load(whole));
    std::set<size_t> offsets;
    for (size_t k = 0; k <= 40; ++k) offsets.insert(k);  // around the 32 bytes of the quick test
    for (int i = 0; i < 3; ++i) {
        for (size_t at : {zip.localHeader(i), zip.dataStart(i), zip.centralHeader(i)})
            for (size_t d : {0, 1, 2, 29, 30, 31}) offsets.insert(at + d);
    }
    size_t end = bytes.size() - 22;
    for (size_t k = end; k < bytes.size(); ++k) offsets.insert(k);  // every byte of the end record
    for (size_t k = 0; k < bytes.size(); k += 97) offsets.insert(k);
    for (size_t k : offsets) {
        if (k >= bytes.size()) continue;
        SCOPED_TRACE(k);
        std::string path = writeBytes("cut.zip", Bytes(bytes.begin(), bytes.begin() + k));
        EXPECT_EQ(check(path, 0, {0}), Landed{});
    }
    EXPECT_GT(offsets.size(), 100u);
}

TEST_F(DamagedArchiveTest, BadLocalHeaderStopsCountingAndFailsTheRun) {
    std::string path = makeArchive("bad-local.zip", threeFiles(),
                                   [](ZipBytes& z) { z.put32(z.localHeader(1), 0x04034b51); });
    EXPECT_EQ(check(path, 0, {0}), Landed{});
    path = makeArchive("bad-local-name-length.zip", threeFiles(), [](ZipBytes& z) {
        z.put16(z.localHeader(2) + local::kNameLength, 4);
    });
    EXPECT_EQ(check(path, 0, {0}), Landed{});
}

TEST_F(DamagedArchiveTest, BadCentralRecordOrEntryCountFailsTheRun) {
    std::string path = makeArchive("bad-central.zip", threeFiles(),
                                   [](ZipBytes& z) { z.put32(z.centralHeader(1), 0x02014b00); });
    EXPECT_EQ(check(path, 0, {0}), Landed{});
    // The end record declares more entries than the directory holds.
    path = makeArchive("count-too-high.zip", threeFiles(), [](ZipBytes& z) {
        size_t end = z.bytes.size() - 22;
        z.put16(end + 8, 5);
        z.put16(end + 10, 5);
    });
    EXPECT_EQ(check(path, 0, {0}), Landed{});
}

TEST_F(DamagedArchiveTest, BadCrcFailsTheItemAfterTheEarlierOnes) {
    std::string path = makeArchive("bad-crc.zip", threeFiles(), [](ZipBytes& z) {
        uint32_t wrong = z.get32(z.centralHeader(1) + central::kCrc) ^ 0x00100000u;
        z.put32(z.centralHeader(1) + central::kCrc, wrong);
        z.put32(z.localHeader(1) + local::kCrc, wrong);
    });
    Landed landed = check(path, 0, {0, 33});
    EXPECT_EQ(landed.count(L"\\a.txt"), 1u);
    EXPECT_EQ(landed.count(L"\\c.txt"), 0u);
}

TEST_F(DamagedArchiveTest, BadDeflateDataFailsTheItem) {
    std::string path = makeArchive("bad-deflate.zip", threeFiles(), [](ZipBytes& z) {
        size_t start = z.dataStart(1);
        for (size_t k = 10; k < 60; ++k) z.bytes[start + k] ^= 0xA5;
    });
    Landed landed = check(path, 0, {0, 33});
    EXPECT_EQ(landed.count(L"\\a.txt"), 1u);
    EXPECT_EQ(landed.count(L"\\c.txt"), 0u);
}

TEST_F(DamagedArchiveTest, UnsupportedMethodStopsCountingAndFailsTheRun) {
    for (uint32_t method : {1u, 6u, 9u, 12u, 14u, 99u}) {
        SCOPED_TRACE(method);
        std::string path = makeArchive("method.zip", threeFiles(), [method](ZipBytes& z) {
            z.put16(z.centralHeader(1) + central::kMethod, method);
            z.put16(z.localHeader(1) + local::kMethod, method);
        });
        EXPECT_EQ(check(path, 0, {0}), Landed{});
    }
}

TEST_F(DamagedArchiveTest, EncryptedItemsFail) {
    // Bit 0 of the flags in both headers and data that looks like ciphertext:
    // there is no decryption, so the item cannot be written correctly.
    for (int method : {8, 0}) {
        SCOPED_TRACE(method);
        std::vector<FixtureItem> items = threeFiles();
        for (FixtureItem& item : items) item.method = method;
        std::string path = makeArchive("encrypted.zip", items, [](ZipBytes& z) {
            z.put16(z.centralHeader(1) + 8, 1);
            z.put16(z.localHeader(1) + local::kFlags, 1);
            size_t start = z.dataStart(1);
            uint32_t state = 12345;
            for (size_t k = 0; k < 12; ++k) {
                state = state * 1103515245u + 12345u;
                z.bytes[start + k] ^= static_cast<uint8_t>(state >> 16);
            }
        });
        Landed landed = check(path, 0, {0, 33});
        EXPECT_EQ(landed.count(L"\\a.txt"), 1u);
        EXPECT_EQ(landed.count(L"\\c.txt"), 0u);
    }
}

TEST_F(DamagedArchiveTest, NamesLeavingTheDestinationAreRefused) {
    const char* names[] = {
        "../corpus-escape.txt",      "..\\corpus-escape.txt",     "sub/../../corpus-escape.txt",
        "/corpus-escape-root.txt",   "\\corpus-escape-root.txt",  "C:corpus-escape.txt",
        "C:/corpus-escape-root.txt", "C:\\corpus-escape-root.txt", "sub/.../corpus-escape.txt",
        "../corpus-escape-folder/",  "//server/share/corpus.txt",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        std::string n = name;
        FixtureItem unsafe = n.back() == '/' ? folderItem(n) : fileItem(n, "escaped");
        std::string path = makeArchive("escape.zip", {fileItem("first.txt", "1"), unsafe,
                                                      fileItem("last.txt", "3")});
        EXPECT_EQ(check(path, 0, {0, 33}), (Landed{{L"\\first.txt", 1}}));
    }
}

TEST_F(DamagedArchiveTest, NamesOf260BytesOrMoreStopCounting) {
    for (size_t length : {260u, 261u, 300u, 1000u, 65535u}) {
        SCOPED_TRACE(length);
        std::string path = makeArchive(
            "long-name.zip", {fileItem("first.txt", "1"), fileItem(std::string(length, 'n'), "x")});
        EXPECT_EQ(check(path, 0, {0}), Landed{});
    }
}

TEST_F(DamagedArchiveTest, EmptyZipAndShortFilesAreNotZips) {
    Bytes endRecord = {0x50, 0x4b, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(check(writeBytes("empty.zip", endRecord), 0, {0}), Landed{});
    EXPECT_EQ(check(writeBytes("zero.zip", {}), 0, {0}), Landed{});
    Bytes header = {0x50, 0x4b, 0x03, 0x04, 0x14, 0, 0, 0, 8, 0};
    for (size_t n = 1; n < 32; n += 5) {
        Bytes shortFile(n, 0x01);
        std::copy(header.begin(), header.begin() + std::min(n, header.size()), shortFile.begin());
        EXPECT_EQ(check(writeBytes("short.zip", shortFile), 0, {0}), Landed{}) << n;
    }
}

TEST_F(DamagedArchiveTest, SixtyFiveThousandFiveHundredThirtyFiveItemsAllExtract) {
    // The most the end record can count. Creating a file costs Wine a few
    // milliseconds, so most items are the same folder item again (an existing
    // folder is left alone) and 256 are files in it: every item is still
    // counted, described, reported and extracted.
    constexpr int kItems = 65535, kFiles = 256;
    std::vector<FixtureItem> items;
    items.reserve(kItems);
    for (int i = 0; i < kItems - kFiles; ++i) items.push_back(folderItem("d/"));
    for (int f = 0; f < kFiles; ++f) items.push_back(fileItem("d/" + std::to_string(f), std::to_string(f)));
    std::string path = makeArchive("many.zip", items);
    Reports expected;
    for (int i = 0; i < kItems; ++i) expected.push_back(progressPercent(static_cast<uint32_t>(i), kItems));
    expected.push_back(100);
    Landed landed = check(path, 1, expected);
    EXPECT_EQ(landed.size(), static_cast<size_t>(kFiles + 1));
    EXPECT_EQ(landed[L"\\d"], -1);
    EXPECT_EQ(landed[L"\\d\\255"], 3);
}

}  // namespace
