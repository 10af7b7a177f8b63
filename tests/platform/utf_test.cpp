#include "platform/utf.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf, EncodesPairsAndReplacesUnpairedSurrogates) {
    struct Case {
        std::u16string text;
        std::string utf8;
        bool clean;
    };
    const Case cases[] = {
        {u"A\u00E9\u20AC", "A\xC3\xA9\xE2\x82\xAC", true},
        {u"\U0001F600", "\xF0\x9F\x98\x80", true},
        {u"\xD83Dx", "\xEF\xBF\xBDx", false},
        {u"x\xDE00", "x\xEF\xBF\xBD", false},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(utf::ToUtf8(c.text, out), c.clean);
        EXPECT_EQ(out, c.utf8);
    }
}

TEST(Utf, DecodesAndRejectsMalformedInput) {
    std::u16string out;
    EXPECT_TRUE(utf::ToUtf16("\xF0\x9F\x98\x80z", out));
    EXPECT_EQ(out, u"\U0001F600z");
    for (const char* bad : {"\xC0\xAF", "\xE2\x82", "\xED\xA0\x80", "\xFF", "\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(utf::ToUtf16(bad, out)) << bad;
        EXPECT_NE(out.find(u'\uFFFD'), std::u16string::npos);
    }
}

} // namespace
