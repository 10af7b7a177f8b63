// The proleptic Gregorian calendar and the FILETIME epoch, shared by the time services, the
// directory search and the readable exports.
#pragma once

#include <cstdint>

namespace calendar {

inline constexpr std::int64_t kTicksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01, both UTC.
inline constexpr std::int64_t kUnixEpochSeconds = 11'644'473'600;

[[nodiscard]] constexpr bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// month is 1 to 12.
constexpr int DaysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace calendar
