#include "cli/visible_text.h"

#include <cstdio>

std::u16string VisibleText(std::u16string_view text, bool keepLineFeeds) {
    std::u16string shown;
    shown.reserve(text.size());
    for (const char16_t unit : text) {
        const bool control = unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
        if (!control || (keepLineFeeds && (unit == u'\n' || unit == u'\t'))) {
            shown += unit;
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, unit < 0x80 ? "\\x%02X" : "\\u%04X",
                      static_cast<unsigned>(unit));
        for (const char* c = escape; *c != '\0'; ++c) {
            shown += static_cast<char16_t>(*c);
        }
    }
    return shown;
}
