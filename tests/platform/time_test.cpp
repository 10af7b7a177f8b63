#include "platform/time.h"

#include "platform/errors.h"
#include "support/time_zone_guard.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::uint64_t kLast = 0x7FFFFFFFFFFFFFFFULL;

TEST(FileTime, SplitsIntoCalendarFieldsAndBack) {
    const std::pair<std::uint64_t, SYSTEMTIME> cases[] = {
        // year, month, day of week, day, hour, minute, second, milliseconds
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
        {116444736000000000ULL, {1970, 1, 4, 1, 0, 0, 0, 0}},
        {128807104891230000ULL, {2009, 3, 4, 5, 7, 8, 9, 123}},
        {kLast, {30828, 9, 4, 14, 2, 48, 5, 477}},
    };
    for (const auto& [ticks, fields] : cases) {
        const FILETIME time = U64ToFileTime(ticks);
        SYSTEMTIME got{};
        ASSERT_TRUE(FileTimeToSystemTime(&time, &got));
        EXPECT_EQ(std::tie(got.wYear, got.wMonth, got.wDayOfWeek, got.wDay, got.wHour, got.wMinute,
                           got.wSecond, got.wMilliseconds),
                  std::tie(fields.wYear, fields.wMonth, fields.wDayOfWeek, fields.wDay,
                           fields.wHour, fields.wMinute, fields.wSecond, fields.wMilliseconds));
        FILETIME back{};
        ASSERT_TRUE(SystemTimeToFileTime(&fields, &back));
        EXPECT_EQ(FileTimeToU64(back), ticks - ticks % 10'000); // fields keep milliseconds only
    }
    for (const std::uint64_t ticks : {kLast + 1, kLast * 2 + 1}) { // from 2^63 on, no fields
        const FILETIME time = U64ToFileTime(ticks);
        SYSTEMTIME got{};
        got.wYear = 1999;
        EXPECT_FALSE(FileTimeToSystemTime(&time, &got));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(got.wYear, 1999);
    }
}

// The rows change the zone from one to the next, so a zone kept from an earlier call shows.
TEST(FileTime, LocalTimeAddsTheOffsetInForceAndFailsOutsideTheRange) {
    const std::tuple<const char*, std::uint64_t, std::int64_t, bool> cases[] = {
        // The switch to summer time, 2009-03-29 01:00 UTC.
        {kCentralEurope, FileTimeToU64(UtcTime(2009, 3, 29, 0, 59, 59)), 3600, true},
        {kCentralEurope, FileTimeToU64(UtcTime(2009, 3, 29, 1, 0, 0)), 7200, true},
        {"EST5EDT,M3.2.0,M11.1.0", FileTimeToU64(UtcTime(2009, 7, 1, 12, 0, 0)), -14400, true},
        {"JST-9", FileTimeToU64(UtcTime(2009, 7, 1, 12, 0, 0)), 9 * 3600, true},
        {"EST5", 0, 0, false},
        {"JST-9", kLast, 0, false},
        {"UTC0", kLast + 1, 0, false},
    };
    const TimeZoneGuard restore("UTC0");
    for (const auto& [zone, ticks, offsetSeconds, converts] : cases) {
        ::setenv("TZ", zone, 1); // without tzset: the conversion must see the change itself
        const FILETIME utc = U64ToFileTime(ticks);
        FILETIME local{3, 3};
        EXPECT_EQ(FileTimeToLocalFileTime(&utc, &local) != FALSE, converts) << zone << ticks;
        EXPECT_EQ(FileTimeToU64(local),
                  converts ? ticks + offsetSeconds * 10'000'000 : 0x0000000300000003ULL)
            << zone << " " << ticks;
    }
}

} // namespace
