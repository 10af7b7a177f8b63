// The two escapes that every text of the interchange files goes through, unit by unit: what each
// kind of character becomes, and whether the text came through exactly.
#include "interchange/text_codec.h"

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
template <class Append> void CheckTable(Append append, const std::vector<EscapeCase>& cases) {
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out = "x=";
        EXPECT_EQ(append(out, c.text), c.exact);
        EXPECT_EQ(out, "x=" + c.written);
    }
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

TEST(TextCodec, XmlAttributeEscapesMarkupAndBreaksAndReplacesWhatXmlCannotHold) {
    const std::string fffd(kReplacement);
    CheckTable(interchange::AppendXmlAttribute,
               {
                   {"Empty", u""sv, "", true},
                   {"Plain", u"Hi 5 'a' \\ / ="sv, "Hi 5 'a' \\ / =", true},
                   {"LessThan", u"a<b"sv, "a&lt;b", true},
                   {"GreaterThan", u"a>b"sv, "a&gt;b", true},
                   {"Ampersand", u"&amp;"sv, "&amp;amp;", true},
                   {"Quote", u"\"q\""sv, "&quot;q&quot;", true},
                   {"OnlyQuotes", u"\"\"\"\""sv, "&quot;&quot;&quot;&quot;", true},
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
}

TEST(TextCodec, JsonStringQuotesEscapesControlsAndReplacesLoneSurrogates) {
    const std::string fffd(kReplacement);
    CheckTable(interchange::AppendJsonString,
               {
                   {"Empty", u""sv, "\"\"", true},
                   {"Plain", u"Hi 5 'a' / ="sv, "\"Hi 5 'a' / =\"", true},
                   {"MarkupAsItIs", u"<b>&amp;"sv, "\"<b>&amp;\"", true},
                   {"QuoteAndBackslash", u"\"\\"sv, "\"\\\"\\\\\"", true},
                   {"TabAndBreaks", u"\t\n\r"sv, "\"\\t\\n\\r\"", true},
                   {"Nul", u"a\0b"sv, "\"a\\u0000b\"", true},
                   {"LowControls", u"\x01\x08\x0B\x0C\x0F"sv,
                    "\"\\u0001\\u0008\\u000B\\u000C\\u000F\"", true},
                   {"HighControls", u"\x10\x1B\x1F"sv, "\"\\u0010\\u001B\\u001F\"", true},
                   {"Delete", u"\x7F"sv, "\"\x7F\"", true},
                   {"TwoAndThreeBytes", u"\u00E9\u20AC"sv, "\"\xC3\xA9\xE2\x82\xAC\"", true},
                   {"Pair", u"\U0001F600"sv, "\"\xF0\x9F\x98\x80\"", true},
                   {"Nonchars", u"\uFFFE"sv, "\"\xEF\xBF\xBE\"", true},
                   {"LoneHigh", u"\xD83D."sv, "\"" + fffd + ".\"", false},
                   {"LoneLow", u"\xDE00"sv, "\"" + fffd + "\"", false},
               });
}

} // namespace
