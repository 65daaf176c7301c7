#pragma once
// Conversions between the program's GBK texts and the UTF-16 that the wide
// Windows functions take. Code page 936 is named explicitly so that the
// result does not depend on the system's ANSI code page.
#include <windows.h>

#include "runtime/text.h"

constexpr UINT kGbkCodePage = 936;

// A UTF-16 copy of a GBK text; never null (empty for a null text).
class WideText {
public:
    explicit WideText(const char* gbk);
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;
    ~WideText();
    operator const wchar_t*() const { return p_; }
    const wchar_t* get() const { return p_; }

private:
    wchar_t* p_;
};

// A GBK text from UTF-16; characters that GBK cannot hold become "?".
Text fromWide(const wchar_t* s);
Text fromWide(const wchar_t* s, int length);
