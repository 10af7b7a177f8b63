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
        if (!XmlCharacter(NextCharacter(text, i))) {
            return false;
        }
    }
    return true;
}

bool FitsUtf8(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (IsSurrogate(NextCharacter(text, i))) {
            return false;
        }
    }
    return true;
}

void AppendXmlAttribute(std::string& out, std::u16string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextCharacter(text, i);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        // A parser turns literal tabs and line breaks in attribute values into spaces.
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            utf::AppendUtf8(out, XmlCharacter(c) ? c : kReplacement);
        }
    }
}

void AppendJsonString(std::string& out, std::u16string_view text) {
    out.push_back('"');
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextCharacter(text, i);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out.push_back(kHex[c >> 4]);
                out.push_back(kHex[c & 0xF]);
            } else {
                utf::AppendUtf8(out, IsSurrogate(c) ? kReplacement : c);
            }
        }
    }
    out.push_back('"');
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
