// The record arithmetic checked against the platform's own conversions.
#include <gtest/gtest.h>

#include "tests/unzip/test_folder.h"
#include "unzip/item_record.h"

namespace {

uint64_t ticksOf(const FileTime& t) { return static_cast<uint64_t>(t.high) << 32 | t.low; }

TEST(DosStamp, ConvertsFieldForFieldAsUtcLikeThePlatform) {
    const uint32_t stamps[] = {
        0x44B482E5,  // 2014-05-20 16:23:10
        0x00210000,  // 1980-01-01 00:00:00, the first DOS day
        0x505DBF7D,  // 2020-02-29 23:59:58, a leap day
        0xFF9FBF7D,  // 2107-12-31 23:59:58, the last DOS day
        0x3A3C0000,  // 2009-01-28 00:00:00
    };
    for (uint32_t stamp : stamps) {
        FILETIME platform = {};
        ASSERT_TRUE(DosDateTimeToFileTime(static_cast<WORD>(stamp >> 16), static_cast<WORD>(stamp),
                                          &platform))
            << std::hex << stamp;
        FileTime ours;
        EXPECT_TRUE(dosStampToFileTime(stamp, &ours)) << std::hex << stamp;
        EXPECT_EQ(ticksOf(ours), ::ticksOf(platform)) << std::hex << stamp;
    }
    FileTime example;
    dosStampToFileTime(0x44B482E5, &example);
    EXPECT_EQ(ticksOf(example), ::ticksOf(utcFileTime(2014, 5, 20, 16, 23, 10)));
}

TEST(DosStamp, InvalidFieldsGiveNoTime) {
    struct Case {
        uint32_t stamp;
        const char* what;
    } cases[] = {
        {0x00000000, "zero stamp"},
        {0x44B40000 | (24u << 11), "hour 24"},
        {0x44B40000 | (60u << 5), "minute 60"},
        {0x44B40000 | 30u, "second 60"},
        {(34u << 25) | (13u << 21) | (1u << 16), "month 13"},
        {(34u << 25) | (2u << 21) | (29u << 16), "2014-02-29"},
        {(34u << 25) | (4u << 21) | (31u << 16), "April 31"},
    };
    for (const Case& c : cases) {
        FileTime t = {1, 1};
        EXPECT_FALSE(dosStampToFileTime(c.stamp, &t)) << c.what;
        EXPECT_EQ(ticksOf(t), 0u) << c.what;
    }
}

TEST(UnixSeconds, GiveTheUtcCalendarSecond) {
    struct Case {
        int32_t seconds;
        int year, month, day, hour, minute, second;
    } cases[] = {
        {0, 1970, 1, 1, 0, 0, 0},
        {1400603000, 2014, 5, 20, 16, 23, 20},
        {1000000000, 2001, 9, 9, 1, 46, 40},
        {-1, 1969, 12, 31, 23, 59, 59},
        {INT32_MAX, 2038, 1, 19, 3, 14, 7},
        {INT32_MIN, 1901, 12, 13, 20, 45, 52},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ticksOf(unixSecondsToFileTime(c.seconds)),
                  ::ticksOf(utcFileTime(c.year, c.month, c.day, c.hour, c.minute, c.second)))
            << c.seconds;
}

}  // namespace
