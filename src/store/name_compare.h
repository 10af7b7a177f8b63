// Comparing names without regard to case, as the handset's _wcsicmp does for the characters
// that have a simple lower-case form (Latin, Greek, Cyrillic).
#pragma once

#include <string_view>

char16_t FoldCase(char16_t c);
// Negative, zero or positive as a orders before, equal to or after b, case ignored.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
