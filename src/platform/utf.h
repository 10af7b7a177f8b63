// UTF-16 <-> UTF-8 for host paths and console output. Unpaired surrogates are refused by the
// strict forms and replaced by U+FFFD in the lenient ones.
#pragma once

#include <string>
#include <string_view>

namespace utf {

[[nodiscard]] constexpr bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
[[nodiscard]] constexpr bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
// The character that a high and a low surrogate stand for together.
constexpr char32_t CombineSurrogates(char16_t high, char16_t low) {
    return 0x10000 + ((char32_t{high} - 0xD800) << 10) + (char32_t{low} - 0xDC00);
}

// Appends one character (not a surrogate half of a pair) as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

bool ToUtf8(std::u16string_view text, std::string& out);
bool ToUtf16(std::string_view text, std::u16string& out);

std::string Utf8(std::u16string_view text);
std::u16string Utf16(std::string_view text);

// Where the first U+0000 is, or the text's size when it has none: four units at a time, for the
// readers and writers that look through every text for one.
std::size_t FirstNulUnit(std::u16string_view text);

// Host names are bytes, not always valid UTF-8: each byte that does not decode becomes the lone
// surrogate U+DC80-U+DCFF and goes back to the same byte, so every name round-trips.
std::u16string FromHostBytes(std::string_view bytes);
// False for a text with any other unpaired surrogate, which names no host byte.
[[nodiscard]] bool ToHostBytes(std::u16string_view text, std::string& out);

} // namespace utf
