// The installer's pure rules: brand table, disk figures, drive choice, the
// folder browser's answer, shortcut and temporary-archive names.
#include <gtest/gtest.h>

#include <cstring>

#include "app/install_rules.h"

namespace {

TEST(BrandTable, HasTwentyOneRowsOfTheStatedForm) {
    int rows = 0;
    for (int32_t number = -1; number <= 30; ++number) {
        const BrandRow* row = findBrandRow(number);
        bool expected = number >= 0 && number <= 23 && number != 6 && number != 12 && number != 18;
        ASSERT_EQ(row != nullptr, expected) << number;
        if (!row) continue;
        ++rows;
        EXPECT_TRUE(endsWithBackslash(row->companyFolder)) << number;
        int32_t names = splitText(row->productList, "|").count();
        if (number == 0) EXPECT_EQ(names, 15);
        else EXPECT_TRUE(names == 1 || names == 11) << number;
    }
    EXPECT_EQ(rows, 21);
    EXPECT_STREQ(findBrandRow(0)->companyFolder, "Zorvane软件\\");
}

TEST(DiskFigures, TruncatingMegabytesDecideTheDrive) {
    struct Case {
        int64_t available, total, totalFree;
        int64_t usedMB, freeMB, totalMB;
        const char* drive;
    } cases[] = {
        {1048576000, 2097152000, 1048576000, 1000, 1000, 2000, "D:\\"},  // exactly 1000 MB
        {1048575999, 2097152000, 1048575999, 1000, 999, 2000, "C:\\"},   // one byte less
        {0, 0, 0, 0, 0, 0, "C:\\"},                                      // no D: at all
        {10485760, 4194304000, 2097152000, 3990, 2000, 4000, "D:\\"},    // small quota, free disk
    };
    for (const Case& c : cases) {
        DiskFigures f = megabytesFromBytes(c.available, c.total, c.totalFree);
        EXPECT_EQ(f.usedMB, c.usedMB);
        EXPECT_EQ(f.freeMB, c.freeMB);
        EXPECT_EQ(f.totalMB, c.totalMB);
        EXPECT_STREQ(chooseDriveRoot(f.freeMB), c.drive);
    }
}

TEST(FolderBrowser, AnswerFollowsTheDisplayNameAndPath) {
    struct Case {
        const char* displayName;
        bool chosen;
        const char* path;
        const char* answer;
    } cases[] = {
        {"Soft", true, "E:\\Soft", "E:\\Soft"},
        {"本地磁盘 (E:)", true, "E:\\", "E:"},                       // a drive root loses its "\"
        {"  Soft  ", true, "E:\\Soft", "E:\\Soft"},
        {"\xA1\xA1Soft\xA1\xA1", true, "E:\\Soft", "E:\\Soft"},      // full-width spaces
        {" a?b ", true, "E:\\a?b", ""},                               // "?" means no choice
        {"Soft", true, nullptr, ""},                                  // the path lookup failed
        {"                ", false, nullptr, ""},                     // Cancel
        {"server", false, nullptr, "\\\\server"},                     // a non-file-system item
    };
    for (const Case& c : cases)
        EXPECT_STREQ(folderBrowserAnswer(c.displayName, c.chosen, c.path).c_str(), c.answer)
            << c.displayName;
}

TEST(TrimBlanks, KeepsTrailBytesThatLookLikeBlanks) {
    EXPECT_STREQ(trimBlanks("  \xA1\xA1 x y \xA1\xA1").c_str(), "x y");
    EXPECT_STREQ(trimBlanks("\xB0\xA1").c_str(), "\xB0\xA1");  // 啊 ends in A1
    EXPECT_TRUE(trimBlanks("   ").empty());
}

TEST(ShortcutName, ExtensionIsDecidedByTheLastComponent) {
    EXPECT_STREQ(shortcutFileName("C:\\Users\\a\\Desktop\\Zorvane工具11").c_str(),
                 "C:\\Users\\a\\Desktop\\Zorvane工具11.lnk");
    EXPECT_STREQ(shortcutFileName("C:\\Users\\a.b\\Desktop\\Zorvane工具11").c_str(),
                 "C:\\Users\\a.b\\Desktop\\Zorvane工具11.lnk");
    EXPECT_STREQ(shortcutFileName("C:\\x\\tool.v2").c_str(), "C:\\x\\tool.v2");
    EXPECT_STREQ(shortcutFileName("Zorvane工具11").c_str(), "Zorvane工具11.lnk");
}

TEST(ArchiveName, CandidatesNeverRepeat) {
    EXPECT_STREQ(archiveCandidate("C:\\Temp\\\\", 0).c_str(), "C:\\Temp\\\\tool.zip");
    EXPECT_STREQ(archiveCandidate("E:\\", 0).c_str(), "E:\\tool.zip");
    EXPECT_STREQ(archiveCandidate("E:\\", 12).c_str(), "E:\\tool-12.zip");
}

}  // namespace
