// Text pieces that both interchange formats share: UTF-16 written as escaped UTF-8, the units
// that XML or JSON cannot carry kept as hexadecimal beside the readable text, and numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace interchange {

// True when XML 1.0 can hold every unit: no C0 control but tab, CR and LF, no unpaired
// surrogate, no U+FFFE or U+FFFF.
[[nodiscard]] bool FitsXml(std::u16string_view text);
// True when the text has no unpaired surrogate, so that it has an exact UTF-8 form.
[[nodiscard]] bool FitsUtf8(std::u16string_view text);

// The text as the value of a double-quoted XML attribute, in UTF-8: markup characters, tab, CR
// and LF as references, and every unit that XML cannot hold as U+FFFD. True when nothing was
// replaced (FitsXml).
[[nodiscard]] bool AppendXmlAttribute(std::string& out, std::u16string_view text);
// The text as a quoted JSON string in UTF-8; unpaired surrogates become U+FFFD. True when nothing
// was replaced (FitsUtf8).
[[nodiscard]] bool AppendJsonString(std::string& out, std::u16string_view text);

// Every unit as four hexadecimal digits: the exact form of a text that the readable one cannot
// carry.
void AppendHexUnits(std::string& out, std::u16string_view text);
[[nodiscard]] bool ParseHexUnits(std::string_view hex, std::u16string& text);

// UTF-8 from a parser (already checked) to UTF-16.
std::u16string FromUtf8(std::string_view text);

// The escape by which the XML reader's reference filter carries units that XML forbids: the
// escape character, then the character kXmlEscapedBase + unit; the escape character itself is
// written twice.
inline constexpr char32_t kXmlEscape = 0x10FFFD;
inline constexpr char32_t kXmlEscapedBase = 0x100000;
// As FromUtf8, for a text that went through the reference filter: its escapes become the units
// they carry. The second form decodes into out, reusing the memory it holds.
std::u16string FromXmlUtf8(std::string_view text);
void FromXmlUtf8(std::string_view text, std::u16string& out);

// Decimal numbers with nothing else around them.
[[nodiscard]] bool ParseUnsigned(std::string_view text, std::uint64_t maximum,
                                 std::uint64_t& value);
[[nodiscard]] bool ParseSigned(std::string_view text, std::int64_t& value);
void AppendNumber(std::string& out, std::uint64_t value);

} // namespace interchange
