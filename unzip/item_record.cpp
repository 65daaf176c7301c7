#include "unzip/item_record.h"

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
// Seconds from 1601-01-01 (the file-time origin) to 1970-01-01.
constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;

FileTime fileTimeFromTicks(int64_t ticks) {
    uint64_t t = static_cast<uint64_t>(ticks);
    return FileTime{static_cast<uint32_t>(t), static_cast<uint32_t>(t >> 32)};
}

bool isLeapYear(int32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t daysInMonth(int32_t year, int32_t month) {
    static const uint8_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
// Counts whole 400-year eras from 1 March 0000 so that leap days fall at the
// end of each counted year.
int64_t daysSince1970(int32_t year, int32_t month, int32_t day) {
    int64_t y = month <= 2 ? year - 1 : year;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yearOfEra = y - era * 400;                                    // 0..399
    int64_t monthFromMarch = month > 2 ? month - 3 : month + 9;           // 0..11
    int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;         // 0..365
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;  // 719468: days from 0000-03-01 to 1970-01-01
}

uint32_t readLe16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }

int32_t readLe32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t mapExternalAttributes(uint32_t external) {
    uint32_t attributes = kAttributeNormal;
    if ((external & (1u << 30)) || (external & 0x10)) attributes = kAttributeFolder | kAttributeNormal;
    if (external & 0x20) attributes |= kAttributeArchive;
    if (external & 0x02) attributes |= kAttributeHidden;
    if (!(external & (1u << 23)) || (external & 0x01)) attributes |= kAttributeReadOnly;
    if (external & 0x04) attributes |= kAttributeSystem;
    return attributes;
}

bool dosStampToFileTime(uint32_t dosStamp, FileTime* time) {
    int32_t year = static_cast<int32_t>(dosStamp >> 25) + 1980;
    int32_t month = static_cast<int32_t>(dosStamp >> 21) & 0x0F;
    int32_t day = static_cast<int32_t>(dosStamp >> 16) & 0x1F;
    int32_t hour = static_cast<int32_t>(dosStamp >> 11) & 0x1F;
    int32_t minute = static_cast<int32_t>(dosStamp >> 5) & 0x3F;
    int32_t second = static_cast<int32_t>(dosStamp & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        *time = FileTime{0, 0};
        return false;
    }
    int64_t seconds = daysSince1970(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    *time = fileTimeFromTicks((seconds + kSecondsFrom1601To1970) * kTicksPerSecond);
    return true;
}

FileTime unixSecondsToFileTime(int32_t seconds) {
    return fileTimeFromTicks((static_cast<int64_t>(seconds) + kSecondsFrom1601To1970) *
                             kTicksPerSecond);
}

void applyExtendedTimestamp(const uint8_t* extra, uint32_t length, FileTime* writeTime,
                            FileTime* accessTime, FileTime* creationTime) {
    if (!extra || length <= 4) return;
    // Blocks: a 2-byte identifier, a 2-byte little-endian data size, the data.
    for (uint32_t block = 0; block + 4 < length; block += 4 + readLe16(extra + block + 2)) {
        if (extra[block] != 'U' || extra[block + 1] != 'T') continue;
        uint8_t flags = extra[block + 4];
        FileTime* targets[3] = {writeTime, accessTime, creationTime};
        uint32_t slot = block + 5;
        for (int bit = 0; bit < 3; ++bit) {
            if (!(flags & (1u << bit))) continue;
            if (slot + 4 > length) break;  // this and any later slot lie beyond the field
            *targets[bit] = unixSecondsToFileTime(readLe32(extra + slot));
            slot += 4;
        }
        return;
    }
}
