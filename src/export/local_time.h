// The one readable time format of the exports: "YYYY-MM-DD hh:mm:ss" in local time.
#pragma once

#include "platform/wintypes.h"

#include <string>

// True for a real date and time of the years 1901 to 2100; the day of the week and the
// milliseconds are not looked at.
[[nodiscard]] bool IsValidSystemTime(const SYSTEMTIME& time);

// The local time of a UTC FILETIME, always 19 characters; the empty text when the time cannot
// be converted or falls outside IsValidSystemTime.
std::u16string FormatLocalTime(const FILETIME& time);
