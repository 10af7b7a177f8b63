#include "platform/time.h"

#include "platform/errors.h"
#include "support/time_zone_guard.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct Split {
    std::uint64_t ticks;
    SYSTEMTIME fields; // year, month, day of week, day, hour, minute, second, milliseconds
};

class SplitTest : public testing::TestWithParam<Split> {};

TEST_P(SplitTest, GivesCalendarFields) {
    const Split& c = GetParam();
    const FILETIME time = U64ToFileTime(c.ticks);
    SYSTEMTIME got{};
    ASSERT_TRUE(FileTimeToSystemTime(&time, &got));
    EXPECT_EQ(got.wYear, c.fields.wYear);
    EXPECT_EQ(got.wMonth, c.fields.wMonth);
    EXPECT_EQ(got.wDayOfWeek, c.fields.wDayOfWeek);
    EXPECT_EQ(got.wDay, c.fields.wDay);
    EXPECT_EQ(got.wHour, c.fields.wHour);
    EXPECT_EQ(got.wMinute, c.fields.wMinute);
    EXPECT_EQ(got.wSecond, c.fields.wSecond);
    EXPECT_EQ(got.wMilliseconds, c.fields.wMilliseconds);
}

TEST_P(SplitTest, RoundTripsThroughFields) {
    const Split& c = GetParam();
    FILETIME back{};
    ASSERT_TRUE(SystemTimeToFileTime(&c.fields, &back));
    // Ticks below one millisecond are not kept by the fields.
    EXPECT_EQ(FileTimeToU64(back), c.ticks - c.ticks % 10'000);
}

INSTANTIATE_TEST_SUITE_P(
    Times, SplitTest,
    testing::Values(Split{0, {1601, 1, 1, 1, 0, 0, 0, 0}},
                    Split{116444736000000000ULL, {1970, 1, 4, 1, 0, 0, 0, 0}},
                    Split{128807104891230000ULL, {2009, 3, 4, 5, 7, 8, 9, 123}},
                    Split{0x7FFFFFFFFFFFFFFFULL, {30828, 9, 4, 14, 2, 48, 5, 477}}));

TEST(FileTimeToSystemTime, FailsFromTwoToTheSixtyThreeAndLeavesFields) {
    for (const std::uint64_t ticks : {0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL}) {
        const FILETIME time = U64ToFileTime(ticks);
        SYSTEMTIME fields{};
        fields.wYear = 1999;
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(FileTimeToSystemTime(&time, &fields));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(fields.wYear, 1999);
        EXPECT_EQ(fields.wMonth, 0);
    }
}

TEST(SystemTimeToFileTime, RefusesFieldsThatNameNoTime) {
    const SYSTEMTIME bad[] = {{2100, 2, 0, 29, 0, 0, 0, 0},  {2001, 13, 0, 1, 0, 0, 0, 0},
                              {2001, 1, 0, 1, 24, 0, 0, 0},  {2001, 1, 0, 1, 0, 0, 0, 1000},
                              {1600, 12, 0, 31, 0, 0, 0, 0}, {30828, 9, 0, 14, 2, 48, 5, 478},
                              {30829, 1, 0, 1, 0, 0, 0, 0}};
    for (const SYSTEMTIME& fields : bad) {
        FILETIME time{7, 7};
        EXPECT_FALSE(SystemTimeToFileTime(&fields, &time))
            << fields.wYear << "-" << fields.wMonth << "-" << fields.wDay;
        EXPECT_EQ(FileTimeToU64(time), 0x0000000700000007ULL);
    }
    const SYSTEMTIME leap{2000, 2, 0, 29, 0, 0, 0, 0};
    FILETIME time{};
    EXPECT_TRUE(SystemTimeToFileTime(&leap, &time));
}

struct Local {
    const char* zone;
    FILETIME utc;
    std::int64_t offsetSeconds;
};

class LocalTest : public testing::TestWithParam<Local> {};

TEST_P(LocalTest, AddsTheOffsetInForceAtThatInstant) {
    const Local& c = GetParam();
    const TimeZoneGuard zone(c.zone);
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&c.utc, &local));
    EXPECT_EQ(static_cast<std::int64_t>(FileTimeToU64(local) - FileTimeToU64(c.utc)),
              c.offsetSeconds * 10'000'000);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, LocalTest,
    testing::Values(Local{"UTC0", UtcTime(2009, 7, 1, 12, 0, 0), 0},
                    Local{kCentralEurope, UtcTime(2009, 1, 15, 12, 0, 0), 3600},
                    Local{kCentralEurope, UtcTime(2009, 7, 1, 12, 0, 0), 7200},
                    // The switch to summer time, 2009-03-29 01:00 UTC.
                    Local{kCentralEurope, UtcTime(2009, 3, 29, 0, 59, 59), 3600},
                    Local{kCentralEurope, UtcTime(2009, 3, 29, 1, 0, 0), 7200},
                    Local{"EST5EDT,M3.2.0,M11.1.0", UtcTime(2009, 1, 15, 12, 0, 0), -18000},
                    Local{"EST5EDT,M3.2.0,M11.1.0", UtcTime(2009, 7, 1, 12, 0, 0), -14400}));

TEST(FileTimeToLocalFileTime, FollowsAChangedTimeZone) {
    const FILETIME utc = UtcTime(2009, 7, 1, 12, 0, 0);
    FILETIME first{};
    FILETIME second{};
    {
        const TimeZoneGuard zone("UTC0");
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &first));
    }
    {
        const TimeZoneGuard zone("JST-9");
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &second));
    }
    EXPECT_EQ(FileTimeToU64(second) - FileTimeToU64(first), 9ULL * 3600 * 10'000'000);
}

TEST(FileTimeToLocalFileTime, FailsWhenTheResultLeavesTheRange) {
    FILETIME local{3, 3};
    {
        const TimeZoneGuard zone("EST5");
        const FILETIME zero{};
        EXPECT_FALSE(FileTimeToLocalFileTime(&zero, &local));
    }
    {
        const TimeZoneGuard zone("JST-9");
        const FILETIME last = U64ToFileTime(0x7FFFFFFFFFFFFFFFULL);
        EXPECT_FALSE(FileTimeToLocalFileTime(&last, &local));
        const FILETIME unconvertible = U64ToFileTime(0x8000000000000000ULL);
        EXPECT_FALSE(FileTimeToLocalFileTime(&unconvertible, &local));
    }
    EXPECT_EQ(FileTimeToU64(local), 0x0000000300000003ULL);
}

} // namespace
