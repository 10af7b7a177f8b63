#include "interchange/text_codec.h"

#include "platform/utf.h"

#include <charconv>

namespace interchange {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The character at text[i], advancing i; an unpaired surrogate comes back as itself.
char32_t NextCharacter(std::u16string_view text, std::size_t& i) {
    const char16_t u = text[i++];
    if (utf::IsHighSurrogate(u) && i < text.size() && utf::IsLowSurrogate(text[i])) {
        return utf::CombineSurrogates(u, text[i++]);
    }
    return u;
}

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

bool XmlCharacter(char32_t c) {
    if (c < 0x20) {
        return c == 0x9 || c == 0xA || c == 0xD;
    }
    return !IsSurrogate(c) && c != 0xFFFE && c != 0xFFFF;
}

constexpr char kHex[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

bool FitsXml(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] >= 0x20 && text[i] < 0xD800) { // the common case, without decoding
            ++i;
        } else if (!XmlCharacter(NextCharacter(text, i))) {
            return false;
        }
    }
    return true;
}

bool FitsUtf8(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] < 0xD800) {
            ++i;
        } else if (IsSurrogate(NextCharacter(text, i))) {
            return false;
        }
    }
    return true;
}

namespace {

// The longest form of one unit in either format: "&quot;" or "\u001F".
constexpr std::size_t kMaxBytesPerUnit = 6;

char* Put(char* out, std::string_view text) {
    for (const char c : text) {
        *out++ = c;
    }
    return out;
}

// The UTF-8 bytes of a character from U+0080 on.
char* PutUtf8(char* out, char32_t c) {
    if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
    return out;
}

// Escapes text into out, which is sized for the worst case first so that no append checks the
// capacity; escape(c, next) writes a character that needs more than its UTF-8 bytes, or
// returns null.
template <class Escape>
bool AppendEscaped(std::string& out, std::u16string_view text, Escape escape) {
    bool exact = true;
    const std::size_t start = out.size();
    out.resize(start + text.size() * kMaxBytesPerUnit);
    char* next = out.data() + start;
    for (std::size_t i = 0; i < text.size();) {
        const char16_t u = text[i];
        if (u >= 0x20 && u < 0x80 && u != '&' && u != '<' && u != '>' && u != '"' && u != '\\') {
            *next++ = static_cast<char>(u);
            ++i;
            continue;
        }
        const char32_t c = NextCharacter(text, i);
        if (char* escaped = escape(c, next, exact)) {
            next = escaped;
        } else if (c < 0x80) {
            *next++ = static_cast<char>(c);
        } else {
            next = PutUtf8(next, c);
        }
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
    return exact;
}

} // namespace

bool AppendXmlAttribute(std::string& out, std::u16string_view text) {
    return AppendEscaped(out, text, [](char32_t c, char* next, bool& exact) -> char* {
        switch (c) {
        case '&':
            return Put(next, "&amp;");
        case '<':
            return Put(next, "&lt;");
        case '>':
            return Put(next, "&gt;");
        case '"':
            return Put(next, "&quot;");
        // A parser turns literal tabs and line breaks in attribute values into spaces.
        case '\t':
            return Put(next, "&#9;");
        case '\n':
            return Put(next, "&#10;");
        case '\r':
            return Put(next, "&#13;");
        default:
            if (XmlCharacter(c)) {
                return nullptr;
            }
            exact = false;
            return PutUtf8(next, kReplacement);
        }
    });
}

bool AppendJsonString(std::string& out, std::u16string_view text) {
    out.push_back('"');
    const bool exact = AppendEscaped(out, text, [](char32_t c, char* next, bool& exact) -> char* {
        switch (c) {
        case '"':
            return Put(next, "\\\"");
        case '\\':
            return Put(next, "\\\\");
        case '\n':
            return Put(next, "\\n");
        case '\r':
            return Put(next, "\\r");
        case '\t':
            return Put(next, "\\t");
        default:
            if (c < 0x20) {
                next = Put(next, "\\u00");
                *next++ = kHex[c >> 4];
                *next++ = kHex[c & 0xF];
                return next;
            }
            if (!IsSurrogate(c)) {
                return nullptr;
            }
            exact = false;
            return PutUtf8(next, kReplacement);
        }
    });
    out.push_back('"');
    return exact;
}

void AppendHexUnits(std::string& out, std::u16string_view text) {
    for (const char16_t u : text) {
        for (int shift = 12; shift >= 0; shift -= 4) {
            out.push_back(kHex[(u >> shift) & 0xF]);
        }
    }
}

bool ParseHexUnits(std::string_view hex, std::u16string& text) {
    if (hex.size() % 4 != 0) {
        return false;
    }
    std::u16string units;
    units.reserve(hex.size() / 4);
    for (std::size_t i = 0; i < hex.size(); i += 4) {
        unsigned value = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const int digit = HexValue(hex[i + k]);
            if (digit < 0) {
                return false;
            }
            value = value * 16 + static_cast<unsigned>(digit);
        }
        units.push_back(static_cast<char16_t>(value));
    }
    text = std::move(units);
    return true;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    utf::ToUtf16(text, out);
    return out;
}

void FromXmlUtf8(std::string_view text, std::u16string& out) {
    utf::ToUtf16(text, out);
    // Every plane-16 character, the escape among them, begins with this byte: a text without it
    // holds no escape, which a search of the bytes tells quicker than one of the units.
    constexpr char kPlane16Lead = '\xF4';
    constexpr char16_t kHigh = 0xDBFF; // U+10FFFD's high half, which only plane 16 shares
    constexpr char16_t kLow = 0xDFFD;
    if (text.find(kPlane16Lead) == std::string_view::npos ||
        out.find(kHigh) == std::u16string::npos) {
        return;
    }
    const std::u16string units = std::move(out);
    out.clear();
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const bool escape = units[i] == kHigh && i + 3 < units.size() && units[i + 1] == kLow;
        const char16_t high = escape ? units[i + 2] : 0;
        if (escape && high == kHigh && units[i + 3] == kLow) {
            out += units.substr(i, 2); // the escape character itself
            i += 3;
        } else if (escape && high >= 0xDBC0 && utf::IsLowSurrogate(units[i + 3])) {
            // A plane-16 character U+100000 + unit: its halves hold the unit's 16 bits.
            out += static_cast<char16_t>(((high - 0xDBC0) << 10) | (units[i + 3] - 0xDC00));
            i += 3;
        } else {
            out += units[i];
        }
    }
}

std::u16string FromXmlUtf8(std::string_view text) {
    std::u16string out;
    FromXmlUtf8(text, out);
    return out;
}

bool ParseUnsigned(std::string_view text, std::uint64_t maximum, std::uint64_t& value) {
    std::uint64_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || parsed > maximum) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseSigned(std::string_view text, std::int64_t& value) {
    std::int64_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) {
        return false;
    }
    value = parsed;
    return true;
}

void AppendNumber(std::string& out, std::uint64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

} // namespace interchange
