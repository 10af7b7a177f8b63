#include "export/local_time.h"

#include "platform/calendar.h"
#include "platform/time.h"

#include <array>
#include <cstdio>

bool IsValidSystemTime(const SYSTEMTIME& time) {
    return time.wYear >= 1901 && time.wYear <= 2100 && time.wMonth >= 1 && time.wMonth <= 12 &&
           time.wDay >= 1 && time.wDay <= calendar::DaysInMonth(time.wYear, time.wMonth) &&
           time.wHour <= 23 && time.wMinute <= 59 && time.wSecond <= 59;
}

std::u16string FormatLocalTime(const FILETIME& time) {
    // Fields that could not be filled stay zero, which is never a valid time.
    SYSTEMTIME fields{};
    FILETIME local{};
    if (FileTimeToLocalFileTime(&time, &local) != FALSE) {
        FileTimeToSystemTime(&local, &fields);
    }
    if (!IsValidSystemTime(fields)) {
        return {};
    }
    std::array<char, 32> text{};
    const int length =
        std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d:%02d:%02d", fields.wYear,
                      fields.wMonth, fields.wDay, fields.wHour, fields.wMinute, fields.wSecond);
    return std::u16string(text.data(), text.data() + length);
}
