#include "archive/script_text.h"

namespace archive {

namespace {

void AppendEscape(std::string& out, char32_t unit) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const char escape[] = {'\\',
                           'u',
                           kDigits[(unit >> 12) & 0xF],
                           kDigits[(unit >> 8) & 0xF],
                           kDigits[(unit >> 4) & 0xF],
                           kDigits[unit & 0xF]};
    out.append(escape, sizeof escape);
}

// The character that starts at text[at] and its length in bytes; U+FFFD and 1 for a byte that
// starts no well-formed sequence (an overlong form, a surrogate, past U+10FFFF, cut short).
char32_t Decode(std::string_view text, std::size_t at, std::size_t& length) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    char32_t c = lead & (0x7F >> length);
    bool sound = lead >= 0xC2 && lead <= 0xF4 && at + length <= text.size();
    for (std::size_t i = 1; sound && i < length; ++i) {
        sound = (byte(at + i) & 0xC0) == 0x80;
        c = c << 6 | (byte(at + i) & 0x3F);
    }
    if (!sound || c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        length = 1;
        return 0xFFFD;
    }
    return c;
}

} // namespace

void AppendScriptString(std::string& out, std::string_view utf8) {
    // nlohmann-json's writer was tried: it leaves "<", ">", "&" and DEL as they are, and its
    // second pass cost more than the rest of the search data together.
    out += '"';
    for (std::size_t at = 0; at < utf8.size();) {
        const unsigned char byte = static_cast<unsigned char>(utf8[at]);
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\' && byte != '<' &&
            byte != '>' && byte != '&') {
            out += static_cast<char>(byte);
            ++at;
            continue;
        }
        std::size_t length = 1;
        const char32_t c = byte < 0x80 ? char32_t{byte} : Decode(utf8, at, length);
        if (c > 0xFFFF) {
            AppendEscape(out, 0xD800 + ((c - 0x10000) >> 10));
            AppendEscape(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            AppendEscape(out, c);
        }
        at += length;
    }
    out += '"';
}

} // namespace archive
