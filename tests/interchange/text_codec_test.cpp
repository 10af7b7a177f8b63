// The two escapes that every text of the interchange files goes through, unit by unit: what each
// kind of character becomes, and whether the text came through exactly; and the filter and
// decoder that carry the units XML forbids through the parser.
#include "interchange/reference_filter.h"
#include "interchange/text_codec.h"
#include "support/trickle_source.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;

namespace {

struct EscapeCase {
    const char* name;
    std::u16string_view text;
    std::string written; // after what out held before
    bool exact;
};

// Appends to text already there, as the writers do; every row checks that it is kept.
template <class Append>
void CheckTable(const char* format, Append append, const std::vector<EscapeCase>& cases) {
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(std::string(format) + " " + c.name);
        std::string out = "x=";
        EXPECT_EQ(append(out, c.text), c.exact);
        EXPECT_EQ(out, "x=" + c.written);
    }
}

// An XML attribute escapes markup and breaks and replaces what XML cannot hold; a JSON string
// quotes, escapes controls and replaces lone surrogates.
TEST(TextCodec, EachCharacterBecomesItsEscapeOrAReplacement) {
    const std::string fffd = "\xEF\xBF\xBD"; // U+FFFD in UTF-8
    CheckTable("XML", interchange::AppendXmlAttribute,
               {
                   {"Empty", u""sv, "", true},
                   {"Plain", u"Hi 5 'a' \\ / ="sv, "Hi 5 'a' \\ / =", true},
                   {"LessThan", u"a<b"sv, "a&lt;b", true},
                   {"GreaterThan", u"a>b"sv, "a&gt;b", true},
                   {"Ampersand", u"&amp;"sv, "&amp;amp;", true},
                   {"Quote", u"\"q\""sv, "&quot;q&quot;", true},
                   {"TabAndBreaks", u"\t\n\r"sv, "&#9;&#10;&#13;", true},
                   {"Delete", u"\x7F"sv, "\x7F", true},
                   {"TwoAndThreeBytes", u"\u00E9\u20AC"sv, "\xC3\xA9\xE2\x82\xAC", true},
                   {"Pair", u"\U0001F600"sv, "\xF0\x9F\x98\x80", true},
                   {"Nul", u"a\0b"sv, "a" + fffd + "b", false},
                   {"Controls", u"\x01\x1F"sv, fffd + fffd, false},
                   {"LoneHigh", u"\xD83D."sv, fffd + ".", false},
                   {"LoneLow", u"\xDE00"sv, fffd, false},
                   {"HighAtTheEnd", u"a\xD83D"sv, "a" + fffd, false},
                   {"Nonchars", u"\uFFFE\uFFFF"sv, fffd + fffd, false},
               });
    CheckTable("JSON", interchange::AppendJsonString,
               {
                   {"Empty", u""sv, "\"\"", true},
                   {"Plain", u"Hi 5 'a' / ="sv, "\"Hi 5 'a' / =\"", true},
                   {"MarkupAsItIs", u"<b>&amp;"sv, "\"<b>&amp;\"", true},
                   {"QuoteAndBackslash", u"\"\\"sv, "\"\\\"\\\\\"", true},
                   {"TabAndBreaks", u"\t\n\r"sv, "\"\\t\\n\\r\"", true},
                   {"Nul", u"a\0b"sv, "\"a\\u0000b\"", true},
                   {"Controls", u"\x01\x08\x0B\x0C\x0F\x10\x1F"sv,
                    "\"\\u0001\\u0008\\u000B\\u000C\\u000F\\u0010\\u001F\"", true},
                   {"Delete", u"\x7F"sv, "\"\x7F\"", true},
                   {"TwoAndThreeBytes", u"\u00E9\u20AC"sv, "\"\xC3\xA9\xE2\x82\xAC\"", true},
                   {"Pair", u"\U0001F600"sv, "\"\xF0\x9F\x98\x80\"", true},
                   {"Nonchars", u"\uFFFE"sv, "\"\xEF\xBF\xBE\"", true},
                   {"LoneHigh", u"\xD83D."sv, "\"" + fffd + ".\"", false},
                   {"LoneLow", u"\xDE00"sv, "\"" + fffd + "\"", false},
               });
}

std::string Escaped(char32_t unit) {
    return "&#1114109;&#" + std::to_string(0x100000 + unit) + ";";
}

TEST(ReferenceFilter, RewritesWhatXmlForbidsAcrossEveryBoundary) {
    const std::string zeros(100, '0');
    const std::pair<std::string, std::string> cases[] = {
        {"a&#55357;&#56832;b", "a&#128512;b"},                       // a pair of halves
        {"&#xD83D;&#xde00;", "&#128512;"},                           // in hexadecimal
        {"&#00055357;&#x0000DE00;", "&#128512;"},                    // with leading zeros
        {"&#" + zeros + "55357;&#" + zeros + "56832;", "&#128512;"}, // past the lookahead
        {"&#56832;", Escaped(0xDE00)},                               // a lone low half
        {"&#55357;&#65;", Escaped(0xD83D) + "&#65;"},                // a high half, then no low
        {"&#55357;", Escaped(0xD83D)},                               // at the very end
        {"&#0;&#1;&#x1F;&#31;", Escaped(0) + Escaped(1) + Escaped(0x1F) + Escaped(31)},
        {"&#65534;&#xFFFF;", Escaped(0xFFFE) + Escaped(0xFFFF)},
        {"&#9;&#10;&#13;&#32;&#65533;&#0000065;", "&#9;&#10;&#13;&#32;&#65533;&#0000065;"},
        {"\xF4\x8F\xBF\xBD", "&#1114109;&#1114109;"}, // the escape itself, written twice
        {"&#1114109;&#x10fffd;", "&#1114109;&#1114109;&#1114109;&#1114109;"},
        {"&#;&#x;&#12a;&amp;&#99999999;", "&#;&#x;&#12a;&amp;&#99999999;"}, // the parser's
    };
    for (const auto& [input, expected] : cases) {
        for (std::size_t step = 1; step <= 40; step += step < 8 ? 1 : 11) {
            TrickleSource source(input, step);
            ReferenceFilter filter(source);
            std::string output;
            char buffer[3];
            long read = 0;
            while ((read = filter.Read(buffer, sizeof buffer)) > 0) {
                output.append(buffer, static_cast<std::size_t>(read));
            }
            EXPECT_EQ(read, 0);
            EXPECT_EQ(output, expected) << input << ", step " << step;
        }
    }
}

// What the parser gives back for an escape becomes the unit again; the escape character stands
// for itself only when doubled.
TEST(ReferenceFilter, TheDecoderTurnsEscapesBackIntoUnits) {
    const std::string escape = "\xF4\x8F\xBF\xBD"; // U+10FFFD
    EXPECT_EQ(interchange::FromXmlUtf8("a" + escape + escape + "b"), u"a\U0010FFFDb");
    // U+10D83D and U+100000 after the escape: the units D83D and 0000.
    EXPECT_EQ(interchange::FromXmlUtf8(escape + "\xF4\x8D\xA0\xBD" + escape + "\xF4\x80\x80\x80"),
              std::u16string(u"\xD83D") + char16_t{0});
    // A plane-16 character without the escape before it.
    EXPECT_EQ(interchange::FromXmlUtf8("\xF4\x80\x81\x81"), u"\U00100041");
    EXPECT_EQ(interchange::FromXmlUtf8("plain"), u"plain");
}

} // namespace
