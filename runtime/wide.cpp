#include "runtime/wide.h"

#include <cstdlib>

#include "runtime/fatal.h"

WideText::WideText(const char* gbk) {
    const char* s = gbk ? gbk : "";
    int n = MultiByteToWideChar(kGbkCodePage, 0, s, -1, nullptr, 0);
    if (n <= 0) n = 1;
    p_ = static_cast<wchar_t*>(allocateOrDie(static_cast<size_t>(n) * sizeof(wchar_t)));
    p_[0] = L'\0';
    MultiByteToWideChar(kGbkCodePage, 0, s, -1, p_, n);
}

WideText::~WideText() { std::free(p_); }

Text fromWide(const wchar_t* s, int length) {
    if (!s || length <= 0) return Text();
    // WC_NO_BEST_FIT_CHARS: a character GBK cannot hold becomes "?", as the
    // ANSI functions do, never a look-alike that could change a path.
    int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, s, length, nullptr, 0, "?",
                                nullptr);
    if (n <= 0) return Text();
    char* buf = static_cast<char*>(allocateOrDie(static_cast<size_t>(n)));
    WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, s, length, buf, n, "?", nullptr);
    Text t(buf, static_cast<size_t>(n));
    std::free(buf);
    return t;
}

Text fromWide(const wchar_t* s) { return fromWide(s, s ? static_cast<int>(wcslen(s)) : 0); }
