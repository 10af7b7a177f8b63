#include "platform/time.h"

#include "platform/calendar.h"
#include "platform/errors.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <optional>
#include <string>

namespace {

using calendar::kTicksPerSecond;
using calendar::kUnixEpochSeconds;
constexpr std::int64_t kTicksPerMillisecond = 10'000;
constexpr std::uint64_t kFirstUnconvertible = std::uint64_t{1} << 63;

BOOL Fail() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// Whole seconds since 1970, rounded towards the past.
std::time_t UnixSeconds(std::int64_t ticks) {
    std::int64_t seconds = ticks / kTicksPerSecond;
    if (ticks % kTicksPerSecond < 0) {
        --seconds;
    }
    return static_cast<std::time_t>(seconds - kUnixEpochSeconds);
}

// localtime_r does not notice a changed TZ by itself, and tzset looks the zone file up again
// on every call when TZ is unset; so reload the rules only when TZ has changed.
void FollowTimeZone() {
    static std::mutex mutex;
    static bool loaded = false;
    static std::optional<std::string> seen;
    const std::lock_guard lock(mutex);
    const char* zone = std::getenv("TZ");
    std::optional<std::string> current;
    if (zone != nullptr) {
        current = zone;
    }
    if (!loaded || current != seen) {
        tzset();
        seen = std::move(current);
        loaded = true;
    }
}

// The offset of local time from UTC, in seconds, at that instant.
bool LocalOffset(std::time_t instant, long& offset) {
    FollowTimeZone();
    std::tm fields{};
    if (localtime_r(&instant, &fields) == nullptr) {
        return false;
    }
    offset = fields.tm_gmtoff;
    return true;
}

bool IsRealTime(const SYSTEMTIME& t) {
    return t.wYear >= 1601 && t.wYear <= 30828 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
           t.wDay <= calendar::DaysInMonth(t.wYear, t.wMonth) && t.wHour < 24 && t.wMinute < 60 &&
           t.wSecond < 60 && t.wMilliseconds < 1000;
}

} // namespace

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
    if (fileTime == nullptr || localFileTime == nullptr) {
        return Fail();
    }
    const std::uint64_t utc = FileTimeToU64(*fileTime);
    if (utc >= kFirstUnconvertible) {
        return Fail();
    }
    const auto ticks = static_cast<std::int64_t>(utc);
    long offset = 0;
    if (!LocalOffset(UnixSeconds(ticks), offset)) {
        return Fail();
    }
    const std::int64_t shift = std::int64_t{offset} * kTicksPerSecond;
    if ((shift < 0 && ticks < -shift) ||
        (shift > 0 && ticks > std::numeric_limits<std::int64_t>::max() - shift)) {
        return Fail();
    }
    *localFileTime = U64ToFileTime(static_cast<std::uint64_t>(ticks + shift));
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (fileTime == nullptr || systemTime == nullptr) {
        return Fail();
    }
    const std::uint64_t value = FileTimeToU64(*fileTime);
    if (value >= kFirstUnconvertible) {
        return Fail();
    }
    const auto ticks = static_cast<std::int64_t>(value);
    const std::time_t seconds = UnixSeconds(ticks);
    std::tm fields{};
    if (gmtime_r(&seconds, &fields) == nullptr) {
        return Fail();
    }
    systemTime->wYear = static_cast<WORD>(fields.tm_year + 1900);
    systemTime->wMonth = static_cast<WORD>(fields.tm_mon + 1);
    systemTime->wDayOfWeek = static_cast<WORD>(fields.tm_wday);
    systemTime->wDay = static_cast<WORD>(fields.tm_mday);
    systemTime->wHour = static_cast<WORD>(fields.tm_hour);
    systemTime->wMinute = static_cast<WORD>(fields.tm_min);
    systemTime->wSecond = static_cast<WORD>(fields.tm_sec);
    systemTime->wMilliseconds = static_cast<WORD>((ticks % kTicksPerSecond) / kTicksPerMillisecond);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
    if (systemTime == nullptr || fileTime == nullptr || !IsRealTime(*systemTime)) {
        return Fail();
    }
    std::tm fields{};
    fields.tm_year = systemTime->wYear - 1900;
    fields.tm_mon = systemTime->wMonth - 1;
    fields.tm_mday = systemTime->wDay;
    fields.tm_hour = systemTime->wHour;
    fields.tm_min = systemTime->wMinute;
    fields.tm_sec = systemTime->wSecond;
    const std::int64_t seconds = std::int64_t{timegm(&fields)} + kUnixEpochSeconds;
    const std::int64_t fraction = systemTime->wMilliseconds * kTicksPerMillisecond;
    if (seconds > (std::numeric_limits<std::int64_t>::max() - fraction) / kTicksPerSecond) {
        return Fail(); // late in 30828, beyond the last FILETIME
    }
    const std::int64_t ticks = seconds * kTicksPerSecond + fraction;
    *fileTime = U64ToFileTime(static_cast<std::uint64_t>(ticks));
    return TRUE;
}

void GetLocalTime(SYSTEMTIME* systemTime) {
    if (systemTime == nullptr) {
        return;
    }
    std::timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t ticks =
        (std::int64_t{now.tv_sec} + kUnixEpochSeconds) * kTicksPerSecond + now.tv_nsec / 100;
    const FILETIME utc = U64ToFileTime(static_cast<std::uint64_t>(ticks));
    FILETIME local{};
    if (FileTimeToLocalFileTime(&utc, &local) == FALSE) {
        local = utc;
    }
    FileTimeToSystemTime(&local, systemTime);
}
