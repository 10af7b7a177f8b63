// Windows CE time services over the host clock. Local time follows the host's time-zone rules
// for the date in question (the TZ variable is honoured; a change of it takes effect at once).
#pragma once

#include "platform/wintypes.h"

// Adds the local offset in force at that instant. Fails (ERROR_INVALID_PARAMETER) for values
// from 2^63 up and when the result would leave the range 0 to 2^63 - 1.
[[nodiscard]] BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime);
// Splits a FILETIME into calendar fields (proleptic Gregorian calendar, no offset applied).
// Fails (ERROR_INVALID_PARAMETER) for values from 2^63 up, leaving the fields unchanged.
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
// The inverse: fails for fields that name no real time or no time from 1601 to the last
// FILETIME below 2^63 (in 30828). The day of the week is not looked at.
[[nodiscard]] BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);
// The current local time.
void GetLocalTime(SYSTEMTIME* systemTime);
