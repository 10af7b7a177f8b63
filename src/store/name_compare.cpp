#include "store/name_compare.h"

char16_t foldCase(char16_t c) {
    const auto plus = [c](int offset) { return static_cast<char16_t>(c + offset); };
    if (c >= u'A' && c <= u'Z') {
        return plus(0x20);
    }
    if (c < 0x80) {
        return c;
    }
    // Latin-1: À..Þ except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
        return plus(0x20);
    }
    // Latin Extended-A: upper case at even code points, except the odd-paired ranges.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
        return (c % 2 == 0) ? plus(1) : c;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c % 2 == 1) ? plus(1) : c;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    // Greek capitals (the gap at U+03A2 has no letter).
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) {
        return plus(0x20);
    }
    // Cyrillic capitals.
    if (c >= 0x400 && c <= 0x40F) {
        return plus(0x50);
    }
    if (c >= 0x410 && c <= 0x42F) {
        return plus(0x20);
    }
    return c;
}

int compareNoCase(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int x = foldCase(a[i]);
        const int y = foldCase(b[i]);
        if (x != y) {
            return x - y;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}
