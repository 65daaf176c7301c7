// The embedded byte sets and the write-file service, under Wine.
#include <windows.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <gtest/gtest.h>

#include "data/embedded.h"
#include "runtime/text.h"
#include "runtime/write_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const ByteSetRecord& record) {
    return Bytes(record.data, record.data + byteSetLength(&record));
}

// Whole file through the C runtime; `ok` is false when it cannot be read.
Bytes readFile(const std::string& path, bool* ok = nullptr) {
    Bytes bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (ok) *ok = f != nullptr;
    if (!f) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

void putFile(const std::string& path, const char* content) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fputs(content, f);
    std::fclose(f);
}

struct EmbeddedFile {
    const char* name;
    const ByteSetRecord* record;
    const char* source;  // the file the build embedded, as Wine sees it
};

const EmbeddedFile kEmbedded[] = {
    {"productArchive", &productArchive, PRODUCT_ARCHIVE_FILE},
    {"finishPicture", &finishPicture, SOURCE_ROOT "/data/finish.jpg"},
    {"logoPicture", &logoPicture, SOURCE_ROOT "/ui/pictures/logo.jpg"},
    {"startPicture", &startPicture, SOURCE_ROOT "/ui/pictures/start.jpg"},
    {"startHotPicture", &startHotPicture, SOURCE_ROOT "/ui/pictures/start_hot.jpg"},
};

TEST(EmbeddedData, RecordsHoldTheirFilesInTheByteSetLayout) {
    for (const EmbeddedFile& e : kEmbedded) {
        SCOPED_TRACE(e.name);
        bool found = false;
        Bytes source = readFile(e.source, &found);
        ASSERT_TRUE(found) << e.source;
        EXPECT_EQ(e.record->dimensions, 1);
        EXPECT_EQ(static_cast<size_t>(e.record->length), source.size());
        EXPECT_EQ(bytesOf(*e.record), source);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(e.record) % 4, 0u);
        EXPECT_TRUE(isConstantAddress(e.record));
    }
}

TEST(EmbeddedData, ReleasingTheConstantsLeavesThemIntact) {
    std::vector<Bytes> before;
    for (const EmbeddedFile& e : kEmbedded) before.push_back(bytesOf(*e.record));
    for (const EmbeddedFile& e : kEmbedded) {
        releaseByteSet(e.record);
        releaseByteSet(e.record);
    }
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(kEmbedded[i].name);
        EXPECT_EQ(kEmbedded[i].record->dimensions, 1);
        EXPECT_EQ(bytesOf(*kEmbedded[i].record), before[i]);
    }
}

// Each test gets a fresh folder under the temporary folder.
class WriteFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        folder_ = std::string(temp) + "data_write_" + std::to_string(GetCurrentProcessId()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override {
        for (const std::string& f : made_) DeleteFileA(f.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string path(const char* name) {
        made_.push_back(folder_ + name);
        return made_.back();
    }
    std::string folder_;
    std::vector<std::string> made_;
};

TEST_F(WriteFileTest, WrittenArchiveIsExactlyTheEmbeddedBytes) {
    std::string file = path("tool.zip");
    ASSERT_TRUE(writeFile(file.c_str(), {&productArchive}));
    Bytes written = readFile(file);
    EXPECT_EQ(written, bytesOf(productArchive));
    ASSERT_GE(written.size(), 4u + 22u);
    const uint8_t localHeader[] = {0x50, 0x4B, 0x03, 0x04};
    EXPECT_EQ(std::memcmp(written.data(), localHeader, 4), 0);
    // Ends with the end record and no comment: nothing after the archive.
    const uint8_t* end = written.data() + written.size() - 22;
    const uint8_t endRecord[] = {0x50, 0x4B, 0x05, 0x06};
    EXPECT_EQ(std::memcmp(end, endRecord, 4), 0);
    EXPECT_EQ(end[20] | end[21] << 8, 0);

    // Releasing the record in between changes nothing in a second write.
    releaseByteSet(&productArchive);
    ASSERT_TRUE(writeFile(file.c_str(), {&productArchive}));
    EXPECT_EQ(readFile(file), written);
}

TEST_F(WriteFileTest, EmptyPartsLeaveAnEmptyFile) {
    const ByteSetRecord lengthZero = {1, 0, {0x55}};
    const ByteSetRecord lengthNegative = {1, -5, {0x55}};
    struct Case {
        const char* name;
        const ByteSetRecord* part;
    } cases[] = {{"null", nullptr}, {"length 0", &lengthZero}, {"negative length", &lengthNegative}};
    std::string file = path("empty.bin");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        putFile(file, "older content");
        ASSERT_EQ(readFile(file).size(), 13u);
        EXPECT_TRUE(writeFile(file.c_str(), {c.part}));
        bool exists = false;
        EXPECT_TRUE(readFile(file, &exists).empty());
        EXPECT_TRUE(exists);
        DeleteFileA(file.c_str());
        // A missing file is created.
        EXPECT_TRUE(writeFile(file.c_str(), {c.part}));
        EXPECT_TRUE(readFile(file, &exists).empty());
        EXPECT_TRUE(exists);
    }
}

TEST_F(WriteFileTest, PartsFollowEachOtherWithoutTheirHeaders) {
    ByteSet first("abc", 3), second("de", 2);
    std::string file = path("parts.bin");
    ASSERT_TRUE(writeFile(file.c_str(), {first.get(), nullptr, second.get(), first.get()}));
    Bytes expected = {'a', 'b', 'c', 'd', 'e', 'a', 'b', 'c'};
    EXPECT_EQ(readFile(file), expected);
}

TEST_F(WriteFileTest, NameIsReadAsGbk) {
    ByteSet content("ok", 2);
    std::string file = path("安装包.bin");  // GBK bytes in this build
    ASSERT_TRUE(writeFile(file.c_str(), {content.get()}));
    wchar_t wideFolder[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, folder_.c_str(), -1, wideFolder, MAX_PATH), 0);
    std::wstring wide = std::wstring(wideFolder) + L"安装包.bin";
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WriteFileTest, FailuresAnswerFalse) {
    ByteSet content("data", 4);
    EXPECT_FALSE(writeFile(nullptr, {content.get()}));
    EXPECT_FALSE(writeFile("", {content.get()}));
    std::string missingFolder = folder_ + "no such folder\\x.bin";
    EXPECT_FALSE(writeFile(missingFolder.c_str(), {content.get()}));
    EXPECT_EQ(GetFileAttributesA(missingFolder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WriteFileTest, FileOpenElsewhereIsNotShared) {
    std::string file = path("busy.bin");
    putFile(file, "kept");
    // Even a holder that shares everything keeps out an exclusive opener.
    HANDLE holder = CreateFileA(file.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ByteSet content("new", 3);
    EXPECT_FALSE(writeFile(file.c_str(), {content.get()}));
    CloseHandle(holder);
    Bytes kept = {'k', 'e', 'p', 't'};
    EXPECT_EQ(readFile(file), kept);
}

// libjpeg reports errors through error_exit, which must not return.
struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf escape;
};

void onJpegError(j_common_ptr info) { longjmp(reinterpret_cast<JpegError*>(info->err)->escape, 1); }

struct Decoded {
    bool ok = false;
    JDIMENSION width = 0, height = 0;
    int components = 0;
    bool progressive = true;
    int jfifMinor = -1;
    unsigned restartInterval = 0;
    bool adobe = false;
    std::vector<int> appMarkers;  // APPn segments seen, in order
};

Decoded decode(const ByteSetRecord& record) {
    Decoded d;
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    if (setjmp(error.escape)) {
        jpeg_destroy_decompress(&info);
        d.ok = false;
        return d;
    }
    jpeg_create_decompress(&info);
    for (int m = JPEG_APP0 + 1; m <= JPEG_APP0 + 15; ++m) jpeg_save_markers(&info, m, 0xFFFF);
    jpeg_mem_src(&info, record.data, static_cast<unsigned long>(byteSetLength(&record)));
    jpeg_read_header(&info, TRUE);
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) d.appMarkers.push_back(m->marker - JPEG_APP0);
    d.progressive = info.progressive_mode;
    d.jfifMinor = info.saw_JFIF_marker ? info.JFIF_minor_version : -1;
    d.adobe = info.saw_Adobe_marker;
    d.restartInterval = info.restart_interval;
    jpeg_start_decompress(&info);
    d.width = info.output_width;
    d.height = info.output_height;
    d.components = info.output_components;
    std::vector<JSAMPLE> row(info.output_width * info.output_components);
    JSAMPROW rows[1] = {row.data()};
    while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, rows, 1);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    d.ok = true;
    return d;
}

TEST(EmbeddedPictures, DecodeAsBaselineColourJpegsOfTheirSize) {
    struct Case {
        const char* name;
        const ByteSetRecord* record;
        JDIMENSION width, height;
    } cases[] = {
        {"finishPicture", &finishPicture, 220, 80},
        {"logoPicture", &logoPicture, 424, 534},
        {"startPicture", &startPicture, 220, 80},
        {"startHotPicture", &startHotPicture, 220, 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Decoded d = decode(*c.record);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.width, c.width);
        EXPECT_EQ(d.height, c.height);
        EXPECT_EQ(d.components, 3);
        EXPECT_FALSE(d.progressive);
    }
}

TEST(EmbeddedPictures, FinishPictureCarriesWhatTheDecoderMustSkip) {
    Decoded d = decode(finishPicture);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.jfifMinor, 2);             // JFIF 1.02
    EXPECT_GT(d.restartInterval, 0u);      // restart markers in the scan
    EXPECT_TRUE(d.adobe);                  // APP14
    // EXIF and XMP (APP1 twice), the ICC profile (APP2), Photoshop (APP13).
    std::vector<int> expected = {1, 1, 2, 13, 14};
    EXPECT_EQ(d.appMarkers, expected);
}

}  // namespace
