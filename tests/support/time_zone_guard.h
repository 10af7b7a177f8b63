// Time zones and UTC times for the tests: TZ set for a test's lifetime, a fixed zone, and
// times from calendar fields.
#pragma once

#include "platform/time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class TimeZoneGuard {
public:
    explicit TimeZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            previous_ = old;
        }
        ::setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneGuard() {
        if (previous_) {
            ::setenv("TZ", previous_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        tzset();
    }
    TimeZoneGuard(const TimeZoneGuard&) = delete;
    TimeZoneGuard& operator=(const TimeZoneGuard&) = delete;

private:
    std::optional<std::string> previous_;
};

// Central European time with summer time, without relying on the host's zone files.
inline constexpr char kCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";

inline FILETIME UtcTime(int year, int month, int day, int hour, int minute, int second) {
    const auto w = [](int value) { return static_cast<WORD>(value); };
    // Year, month, day of the week (not looked at), day, hour, minute, second, millisecond.
    const SYSTEMTIME fields{w(year), w(month), 0, w(day), w(hour), w(minute), w(second), 0};
    FILETIME time{};
    EXPECT_TRUE(SystemTimeToFileTime(&fields, &time));
    return time;
}
