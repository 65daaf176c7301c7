// Texts, text arrays, byte sets and the GBK <-> UTF-16 conversion. The
// program runs once in a Chinese and once in a Western Wine locale: the
// answers must not change.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/text.h"
#include "runtime/wide.h"

namespace {

std::vector<std::string> parts(const TextArray& a) {
    std::vector<std::string> v;
    for (int32_t i = 1; i <= a.count(); ++i) v.push_back(a.at(i));
    return v;
}

struct SplitCase {
    const char* text;
    std::vector<std::string> expected;
};

TEST(SplitText, FollowsTheSeparatorRules) {
    const SplitCase cases[] = {
        {"a|b|", {"a", "b"}},
        {"a||b", {"a", "", "b"}},
        {"|a", {"", "a"}},
        {"|", {""}},
        {"", {}},
        {nullptr, {}},
        {"A亅B", {"A亅B"}},           // 亅 is 0x81 0x7C: its second byte is "|"
        {"甲|亅|", {"甲", "亅"}},
        {"x|\x81", {"x", "\x81"}},    // a lead byte before the NUL ends the scan
    };
    for (const SplitCase& c : cases) {
        TextArray a = splitText(c.text, "|");
        EXPECT_EQ(a.record()->dimensions, 1) << (c.text ? c.text : "(null)");
        EXPECT_EQ(parts(a), c.expected) << (c.text ? c.text : "(null)");
    }
}

TEST(SplitText, ProductListOfRowZero) {
    TextArray names = splitText(
        "Zorvane工具01|Zorvane工具02|Zorvane工具03|Zorvane工具04|Zorvane工具05|Zorvane工具06|"
        "Zorvane工具07|Zorvane工具08|Zorvane工具09|Zorvane工具10|Zorvane工具11|Zorvane工具12|"
        "Zorvane工具13|Zorvane工具14|Zorvane工具15",
        "|");
    EXPECT_EQ(names.count(), 15);
    EXPECT_STREQ(names.at(11), "Zorvane工具11");
}

TEST(Texts, NullAndEmptyAreTheSameText) {
    EXPECT_TRUE(Text("").empty());
    EXPECT_EQ(Text("").get(), nullptr);
    EXPECT_STREQ(Text().c_str(), "");
    EXPECT_TRUE(textEmpty(nullptr));
    EXPECT_FALSE(textEmpty("a"));
    EXPECT_STREQ(concat({nullptr, "C:\\", "", "软件"}).c_str(), "C:\\软件");
    EXPECT_TRUE(concat({nullptr, ""}).empty());
}

TEST(Texts, LeftCountsBytesNotCharacters) {
    EXPECT_STREQ(leftBytes("E:\\软件", 1).c_str(), "E");
    EXPECT_STREQ(leftBytes("安装", 1).c_str(), "\xB0");  // half of 安 (B0 B2)
    EXPECT_TRUE(leftBytes(nullptr, 1).empty());
    EXPECT_STREQ(leftBytes("ab", 9).c_str(), "ab");
}

TEST(Texts, BackslashIsFoundOnlyAsAWholeCharacter) {
    EXPECT_TRUE(endsWithBackslash("C:\\Temp\\"));
    EXPECT_FALSE(endsWithBackslash("C:\\Temp"));
    EXPECT_FALSE(endsWithBackslash("D:\\" "\xD7\x5C"));  // a GBK character ending in 0x5C
    EXPECT_FALSE(endsWithBackslash(nullptr));
}

TEST(Texts, FixedTextCutsWhatDoesNotFit) {
    char buffer[12];
    FixedText t(buffer, sizeof buffer);
    t.append("代码").appendDecimal(-42).append("|").appendDecimal(0);
    EXPECT_STREQ(t.c_str(), "代码-42|0");
    t.append("abcdef");
    EXPECT_STREQ(t.c_str(), "代码-42|0ab");  // 11 bytes and the NUL
    char big[32];
    EXPECT_STREQ(FixedText(big, sizeof big).appendDecimal(INT64_MIN).c_str(), "-9223372036854775808");
}

TEST(ByteSets, RecordLayoutAndOwnership) {
    EXPECT_EQ(ByteSet(nullptr, 0).get(), nullptr);
    const uint8_t bytes[] = {1, 2, 3};
    ByteSet b(bytes, 3);
    ASSERT_NE(b.get(), nullptr);
    EXPECT_EQ(b.get()->dimensions, 1);
    EXPECT_EQ(b.get()->length, 3);
    EXPECT_EQ(std::memcmp(b.data(), bytes, 3), 0);
    EXPECT_FALSE(isConstantAddress(b.get()));
}

// A constant record of the program, like the embedded pictures.
const struct {
    int32_t dimensions = 1, length = 4;
    uint8_t data[4] = {9, 8, 7, 6};
} kConstantRecord;

TEST(ByteSets, ReleasingAConstantLeavesItIntact) {
    auto* rec = reinterpret_cast<const ByteSetRecord*>(&kConstantRecord);
    EXPECT_TRUE(isConstantAddress(rec));
    releaseByteSet(rec);
    freeText(const_cast<char*>("constant text"));
    EXPECT_EQ(rec->length, 4);
    EXPECT_EQ(rec->data[3], 6);
}

TEST(WideTexts, ConversionUsesCodePage936WhateverTheSystemSays) {
    EXPECT_STREQ(WideText("安装程序").get(), L"安装程序");
    EXPECT_STREQ(WideText(nullptr).get(), L"");
    EXPECT_STREQ(fromWide(L"请选择安装位置").c_str(), "请选择安装位置");
    // A character GBK cannot hold becomes "?", as the ANSI functions do.
    EXPECT_STREQ(fromWide(L"a\xD55C" L"b").c_str(), "a?b");
    EXPECT_TRUE(fromWide(L"").empty());
}

TEST(WideTexts, TheLocaleOfThisRunIsTheOneAsked) {
    std::wstring lang;
    wchar_t buffer[64];
    if (GetEnvironmentVariableW(L"LC_ALL", buffer, 64)) lang = buffer;
    if (lang.rfind(L"zh_CN", 0) == 0) EXPECT_EQ(GetACP(), 936u);
    else if (!lang.empty()) EXPECT_NE(GetACP(), 936u);
}

// Draws a text into a small bitmap and answers its pixels.
std::vector<uint32_t> render(const wchar_t* text) {
    const int w = 120, h = 24;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    HFONT font = CreateFontW(-16, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                             0, L"SimSun");
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT rc = {0, 0, w, h};
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text, -1, &rc, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                                 static_cast<const uint32_t*>(bits) + w * h);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBmp);
    DeleteObject(font);
    DeleteObject(bmp);
    DeleteDC(dc);
    return pixels;
}

TEST(WideTexts, GbkTextsDrawTheSameGlyphsAsTheirUnicode) {
    std::vector<uint32_t> fromGbk = render(WideText("安装目录：").get());
    std::vector<uint32_t> reference = render(L"安装目录：");
    EXPECT_EQ(fromGbk, reference);
    size_t inked = 0;
    for (uint32_t p : reference) inked += (p & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(inked, 40u);  // real glyphs, not empty boxes or nothing
    EXPECT_NE(reference, render(L"□□□□□"));
}

}  // namespace
