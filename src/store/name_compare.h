// Comparing names without regard to case, as the handset's _wcsicmp does for the characters
// that have a simple lower-case form (Latin, Greek, Cyrillic).
#pragma once

#include <string_view>

char16_t foldCase(char16_t c);
// Negative, zero or positive as a orders before, equal to or after b, case ignored.
int compareNoCase(std::u16string_view a, std::u16string_view b);
