#include "platform/sizes.h"
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

// Every byte that does not decode stands for itself, so host names survive any bytes.
TEST(Utf, HostBytesRoundTripThroughLoneSurrogates) {
    std::string every;
    for (int b = 1; b < 256; ++b) {
        every.push_back(static_cast<char>(b));
    }
    for (const std::string& name :
         {every, std::string("a\xFF.usms"), std::string("caf\xC3\xA9\xED\xA0\x80\xC3")}) {
        std::string back;
        ASSERT_TRUE(utf::ToHostBytes(utf::FromHostBytes(name), back));
        EXPECT_EQ(back, name);
    }
    EXPECT_EQ(utf::FromHostBytes("a\xFF\xC3\xA9"), u"a\xDCFF\u00E9");
    EXPECT_NE(utf::FromHostBytes("\xFF"), utf::FromHostBytes("\xFE"));
    std::string out;
    for (const std::u16string bad : {u"\xD83D", u"x\xDC7F", u"\xDE00"}) {
        EXPECT_FALSE(utf::ToHostBytes(bad, out)); // names no byte
    }
}

TEST(Sizes, LengthsThatDoNotFit32BitsAreRefused) {
    struct Case {
        std::size_t header, count, unit;
        bool fits;
        std::uint32_t bytes;
    };
    const Case cases[] = {
        {0, 0x7FFFFFFF, 2, true, 0xFFFFFFFEu},  {0, 0x80000000, 2, false, 0},
        {3, 0x3FFFFFFF, 4, true, 0xFFFFFFFFu},  {4, 0x3FFFFFFF, 4, false, 0},
        {0, std::size_t{1} << 40, 1, false, 0}, {0xFFFFFFFF, 0, 16, true, 0xFFFFFFFFu},
        {std::size_t{1} << 33, 0, 1, false, 0},
    };
    for (const Case& c : cases) {
        std::uint32_t bytes = 7;
        EXPECT_EQ(sizes::Length32(c.header, c.count, c.unit, bytes), c.fits) << c.count;
        EXPECT_EQ(bytes, c.fits ? c.bytes : 7u) << c.count;
    }
}

} // namespace
