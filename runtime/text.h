#pragma once
// Texts, text arrays and byte sets: the shared value types of the installer.
// Texts are NUL-terminated GBK byte strings; a null text and an empty text are
// the same thing everywhere. This file and text.cpp make no Windows calls.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

// An owned text. Holds null instead of an empty string.
class Text {
public:
    Text() = default;
    explicit Text(const char* s);           // copies s (null or "" gives an empty text)
    Text(const char* s, size_t n);          // copies the first n bytes of s
    Text(const Text& o) : Text(o.p_) {}
    Text(Text&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Text& operator=(const Text& o);
    Text& operator=(Text&& o) noexcept;
    ~Text();

    const char* c_str() const { return p_ ? p_ : ""; }  // never null
    const char* get() const { return p_; }              // null when empty
    size_t size() const;
    bool empty() const { return !p_; }
    char* release();                                    // caller frees with freeText
    static Text adopt(char* owned);                     // takes over a released text

private:
    char* p_ = nullptr;
};

bool textEmpty(const char* s);                          // null counts as empty
Text concat(std::initializer_list<const char*> parts);  // null parts count as empty
Text leftBytes(const char* s, size_t n);                // first n bytes (not characters)
void freeText(char* s);                                 // ignores constants

// Builds a text in a caller's fixed buffer without allocating (for the
// error paths); what does not fit is cut off, and the text stays terminated.
class FixedText {
public:
    FixedText(char* buffer, size_t capacity) : buf_(buffer), cap_(capacity) { buf_[0] = '\0'; }
    FixedText& append(const char* s);
    FixedText& appendDecimal(int64_t v);
    const char* c_str() const { return buf_; }

private:
    char* buf_;
    size_t cap_;
    size_t len_ = 0;
};

// GBK: lead bytes 0x81-0xFE start a two-byte character.
inline bool isGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
// Byte length of the character at s (1 or 2; 1 at a dangling lead byte).
inline size_t gbkCharLength(const char* s) {
    return isGbkLead(static_cast<unsigned char>(s[0])) && s[1] ? 2 : 1;
}

// True when the last character (not merely the last byte) is a backslash.
bool endsWithBackslash(const char* s);

// Text array: stored as a 32-bit dimension count (1), a 32-bit element count,
// then the element texts. Indexes are one-based; an index below 1 raises
// runtime error 4, above the count runtime error 1.
struct TextArrayRecord {
    int32_t dimensions;
    int32_t count;
    char* items[1];  // `count` entries follow (at least one slot is allocated)
};

class TextArray {
public:
    TextArray();                                        // the empty array (1, 0)
    TextArray(const TextArray&) = delete;
    TextArray& operator=(const TextArray&) = delete;
    TextArray(TextArray&& o) noexcept : rec_(o.rec_) { o.rec_ = nullptr; }
    TextArray& operator=(TextArray&& o) noexcept;
    ~TextArray();

    int32_t count() const { return rec_ ? rec_->count : 0; }
    const char* at(int32_t index) const;                // one-based, "" for empty elements
    void append(Text t);
    const TextArrayRecord* record() const { return rec_; }

private:
    TextArrayRecord* rec_;
};

// Splits on `separator`, comparing only at GBK character boundaries. Each
// separator ends one part (possibly empty); the rest after the last one is a
// part only if it is not empty. An empty text yields an empty array.
TextArray splitText(const char* text, const char* separator);

// Byte set: a 32-bit little-endian dimension count (1), a 32-bit length n,
// then n bytes, handed around by its address. Null is the empty byte set; a
// byte set made at run time never has length 0.
struct ByteSetRecord {
    int32_t dimensions;
    int32_t length;
    uint8_t data[1];  // `length` bytes follow
};
static_assert(offsetof(ByteSetRecord, length) == 4 && offsetof(ByteSetRecord, data) == 8,
              "byte set layout");

inline size_t byteSetLength(const ByteSetRecord* b) {
    return b && b->length > 0 ? static_cast<size_t>(b->length) : 0;
}

// An owned byte set (null when empty). Destroying it releases the record
// unless the record is a constant of the program.
class ByteSet {
public:
    ByteSet() = default;
    ByteSet(const void* data, size_t n);                // copies; n == 0 gives null
    ByteSet(const ByteSet&) = delete;
    ByteSet& operator=(const ByteSet&) = delete;
    ByteSet(ByteSet&& o) noexcept : rec_(o.rec_) { o.rec_ = nullptr; }
    ByteSet& operator=(ByteSet&& o) noexcept;
    ~ByteSet();

    const ByteSetRecord* get() const { return rec_; }
    ByteSetRecord* release();
    static ByteSet adopt(ByteSetRecord* owned);         // takes over a released record
    size_t size() const { return byteSetLength(rec_); }
    const uint8_t* data() const { return rec_ ? rec_->data : nullptr; }

private:
    ByteSetRecord* rec_ = nullptr;
};

void releaseByteSet(const ByteSetRecord* b);            // no-op for constants and null

// True when p lies in the program's own image (constants are never released).
// Implemented per platform.
bool isConstantAddress(const void* p);
