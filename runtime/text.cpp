#include "runtime/text.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "runtime/fatal.h"

Text::Text(const char* s) : Text(s, s ? std::strlen(s) : 0) {}

Text::Text(const char* s, size_t n) {
    if (!s || n == 0) return;
    p_ = static_cast<char*>(allocateOrDie(n + 1));
    std::memcpy(p_, s, n);
    p_[n] = '\0';
}

Text& Text::operator=(const Text& o) {
    if (this != &o) *this = Text(o);
    return *this;
}

Text& Text::operator=(Text&& o) noexcept {
    std::swap(p_, o.p_);
    return *this;
}

Text::~Text() { std::free(p_); }

size_t Text::size() const { return p_ ? std::strlen(p_) : 0; }

char* Text::release() {
    char* p = p_;
    p_ = nullptr;
    return p;
}

Text Text::adopt(char* owned) {
    Text t;
    t.p_ = owned && *owned ? owned : nullptr;
    if (!t.p_) freeText(owned);
    return t;
}

bool textEmpty(const char* s) { return !s || !*s; }

Text concat(std::initializer_list<const char*> parts) {
    size_t n = 0;
    for (const char* p : parts) n += p ? std::strlen(p) : 0;
    if (n == 0) return Text();
    char* buf = static_cast<char*>(allocateOrDie(n + 1));
    char* out = buf;
    for (const char* p : parts) {
        size_t len = p ? std::strlen(p) : 0;
        std::memcpy(out, p, len);
        out += len;
    }
    *out = '\0';
    Text t(buf, n);
    std::free(buf);
    return t;
}

Text leftBytes(const char* s, size_t n) {
    size_t len = s ? std::strlen(s) : 0;
    return Text(s, n < len ? n : len);
}

bool endsWithBackslash(const char* s) {
    bool last = false;
    for (const char* p = s ? s : ""; *p; p += gbkCharLength(p)) last = *p == '\\';
    return last;
}

void freeText(char* s) {
    if (s && !isConstantAddress(s)) std::free(s);
}

FixedText& FixedText::append(const char* s) {
    for (; s && *s && len_ + 1 < cap_; ++s) buf_[len_++] = *s;
    buf_[len_] = '\0';
    return *this;
}

FixedText& FixedText::appendDecimal(int64_t v) {
    char digits[24];
    int n = 0;
    uint64_t u = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    do digits[n++] = static_cast<char>('0' + u % 10); while (u /= 10);
    if (v < 0) digits[n++] = '-';
    char reversed[24];
    for (int i = 0; i < n; ++i) reversed[i] = digits[n - 1 - i];
    reversed[n] = '\0';
    return append(reversed);
}

// --- text arrays ---------------------------------------------------------

namespace {
TextArrayRecord* newArrayRecord(int32_t capacity) {
    size_t slots = capacity > 1 ? static_cast<size_t>(capacity) : 1;
    size_t bytes = offsetof(TextArrayRecord, items) + slots * sizeof(char*);
    auto* rec = static_cast<TextArrayRecord*>(allocateOrDie(bytes));
    rec->dimensions = 1;
    rec->count = 0;
    return rec;
}
}  // namespace

TextArray::TextArray() : rec_(newArrayRecord(0)) {}

TextArray& TextArray::operator=(TextArray&& o) noexcept {
    std::swap(rec_, o.rec_);
    return *this;
}

TextArray::~TextArray() {
    if (!rec_) return;
    for (int32_t i = 0; i < rec_->count; ++i) std::free(rec_->items[i]);
    std::free(rec_);
}

const char* TextArray::at(int32_t index) const {
    if (index < 1) raiseRuntimeError(4, "数组成员引用下标必须大于等于1");
    if (index > count()) raiseRuntimeError(1, "数组成员引用下标超出定义范围");
    const char* s = rec_->items[index - 1];
    return s ? s : "";
}

void TextArray::append(Text t) {
    int32_t n = count();
    // Grow by doubling; capacity is implied by the power-of-two sizes.
    if (n >= 1 && (n & (n - 1)) == 0) {
        TextArrayRecord* bigger = newArrayRecord(n * 2);
        std::memcpy(bigger->items, rec_->items, static_cast<size_t>(n) * sizeof(char*));
        bigger->count = n;
        std::free(rec_);
        rec_ = bigger;
    }
    rec_->items[n] = t.release();
    rec_->count = n + 1;
}

TextArray splitText(const char* text, const char* separator) {
    TextArray parts;
    if (textEmpty(text)) return parts;
    size_t sepLen = separator ? std::strlen(separator) : 0;
    const char* partStart = text;
    const char* p = text;
    while (*p) {
        if (sepLen && std::strncmp(p, separator, sepLen) == 0) {
            parts.append(Text(partStart, static_cast<size_t>(p - partStart)));
            p += sepLen;
            partStart = p;
            continue;
        }
        if (isGbkLead(static_cast<unsigned char>(*p))) {
            if (!p[1]) { ++p; break; }  // a lead byte before the NUL ends the scan
            p += 2;
        } else {
            ++p;
        }
    }
    if (*partStart) parts.append(Text(partStart));
    return parts;
}

// --- byte sets -----------------------------------------------------------

ByteSet::ByteSet(const void* data, size_t n) {
    if (n == 0) return;
    rec_ = static_cast<ByteSetRecord*>(allocateOrDie(offsetof(ByteSetRecord, data) + n));
    rec_->dimensions = 1;
    rec_->length = static_cast<int32_t>(n);
    std::memcpy(rec_->data, data, n);
}

ByteSet& ByteSet::operator=(ByteSet&& o) noexcept {
    std::swap(rec_, o.rec_);
    return *this;
}

ByteSet::~ByteSet() { releaseByteSet(rec_); }

ByteSetRecord* ByteSet::release() {
    ByteSetRecord* r = rec_;
    rec_ = nullptr;
    return r;
}

ByteSet ByteSet::adopt(ByteSetRecord* owned) {
    ByteSet b;
    b.rec_ = owned;
    return b;
}

void releaseByteSet(const ByteSetRecord* b) {
    if (b && !isConstantAddress(b)) std::free(const_cast<ByteSetRecord*>(b));
}
