#include "export/local_time.h"

#include "platform/calendar.h"
#include "platform/time.h"

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
    // Written digit by digit: this runs for every message of an export.
    std::u16string text(u"0000-00-00 00:00:00");
    const auto put = [&text](std::size_t at, unsigned value, std::size_t digits) {
        for (std::size_t i = at + digits; i > at; value /= 10) {
            text[--i] = static_cast<char16_t>(u'0' + value % 10);
        }
    };
    put(0, fields.wYear, 4);
    put(5, fields.wMonth, 2);
    put(8, fields.wDay, 2);
    put(11, fields.wHour, 2);
    put(14, fields.wMinute, 2);
    put(17, fields.wSecond, 2);
    return text;
}
