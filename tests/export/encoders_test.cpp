#include "export/ansi_encoder.h"
#include "export/unicode_encoder.h"
#include "export/utf8_encoder.h"

#include "export/export_fixtures.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

struct Encoding {
    const char* name;
    std::u16string text;
    std::string bytes;
};

void PrintTo(const Encoding& c, std::ostream* out) {
    *out << c.name;
}

class Utf8EncodeTest : public testing::TestWithParam<Encoding> {};

TEST_P(Utf8EncodeTest, EncodesWholeCharacters) {
    EXPECT_EQ(Utf8Encoder().Encode(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, Utf8EncodeTest,
    testing::Values(Encoding{"ascii", u"Hi", "Hi"}, Encoding{"empty", u"", ""},
                    Encoding{"e_acute", u"\u00E9", "\xC3\xA9"},
                    Encoding{"euro", u"\u20AC", "\xE2\x82\xAC"},
                    Encoding{"last_two_byte", u"\u07FF", "\xDF\xBF"},
                    Encoding{"pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
                    Encoding{"highest_pair", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
                    Encoding{"lone_high", std::u16string{u'a', 0xD83D, u'b'},
                             "a\xEF\xBF\xBD"
                             "b"},
                    Encoding{"lone_low", std::u16string{0xDE00}, "\xEF\xBF\xBD"},
                    Encoding{"high_at_end", std::u16string{u'a', 0xD83D}, "a\xEF\xBF\xBD"},
                    Encoding{"swapped_pair", std::u16string{0xDE00, 0xD83D},
                             "\xEF\xBF\xBD\xEF\xBF\xBD"},
                    Encoding{"nul_kept", std::u16string(u"a\0b", 3), std::string("a\0b", 3)}),
    [](const testing::TestParamInfo<Encoding>& info) { return std::string(info.param.name); });

TEST(Utf8Encoder, KeepsAPairThatStraddlesAConversionPiece) {
    // Long texts are converted in pieces of 2^24 units; the pair sits across the first cut.
    std::u16string text(std::size_t{1} << 24, u'a');
    text[text.size() - 1] = 0xD83D;
    text += u'\xDE00';
    const std::string bytes = Utf8Encoder().Encode(text);
    ASSERT_EQ(bytes.size(), text.size() - 2 + 4);
    EXPECT_EQ(bytes.substr(bytes.size() - 5), "a\xF0\x9F\x98\x80");
}

class AnsiEncodeTest : public testing::TestWithParam<std::tuple<UINT, Encoding>> {};

TEST_P(AnsiEncodeTest, UsesTheActiveCodePage) {
    const auto& [codePage, c] = GetParam();
    const CodePageGuard guard(codePage);
    EXPECT_EQ(AnsiEncoder().Encode(c.text), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Windows1252, AnsiEncodeTest,
    testing::Combine(
        testing::Values(1252u),
        testing::Values(Encoding{"ascii", u"Hi", "Hi"}, Encoding{"e_acute", u"\u00E9", "\xE9"},
                        Encoding{"euro", u"\u20AC", "\x80"},
                        Encoding{"missing_becomes_default", u"x\u4E01y", "x?y"},
                        Encoding{"pair_is_one_default", u"\U0001F600", "?"},
                        Encoding{"stops_at_nul", std::u16string(u"ab\0cd", 5), "ab"})));

INSTANTIATE_TEST_SUITE_P(
    ShiftJis, AnsiEncodeTest,
    testing::Combine(testing::Values(932u),
                     testing::Values(Encoding{"kanji", u"\u65E5\u672C", "\x93\xFA\x96\x7B"},
                                     Encoding{"missing_becomes_default", u"\u00E9", "?"})));

TEST(UnicodeEncoder, EncodesCodeUnitsLowByteFirst) {
    EXPECT_EQ(UnicodeEncoder().Encode(u"Hi"), Utf16Le("Hi"));
    EXPECT_EQ(UnicodeEncoder().Encode(u"\U0001F600"), std::string("\x3D\xD8\x00\xDE", 4));
}

struct Written {
    const char* name;
    const TextEncoder* encoder;
    std::string header;
    std::string text; // the bytes of the text below
};

void PrintTo(const Written& c, std::ostream* out) {
    *out << c.name;
}

const AnsiEncoder kAnsi;
const Utf8Encoder kUtf8;
const UnicodeEncoder kUnicode;
const std::u16string kSample = std::u16string(u"H\u00E9\0\U0001F600", 5);

class WriteTest : public testing::TestWithParam<Written> {};

TEST_P(WriteTest, WritesHeaderThenText) {
    const CodePageGuard guard(1252);
    const TempDir dir;
    HANDLE file = CreateForWriting(dir.file("out.txt"));
    ASSERT_TRUE(IsValidHandle(file));
    EXPECT_TRUE(GetParam().encoder->WriteHeader(file));
    EXPECT_TRUE(GetParam().encoder->WriteText(file, kSample));
    EXPECT_TRUE(GetParam().encoder->WriteText(file, u""));
    ASSERT_TRUE(MarkComplete(file));
    ASSERT_TRUE(CloseIfValid(file));
    EXPECT_EQ(ReadHostFile(dir.path() / "out.txt"), GetParam().header + GetParam().text);
}

TEST_P(WriteTest, ReportsAFailedWrite) {
    const CodePageGuard guard(1252);
    const TempDir dir;
    HANDLE file = CreateForWriting(dir.file("out.txt"));
    ASSERT_TRUE(IsValidHandle(file));
    const faults::FileFaultGuard disarm;
    faults::ArmFileFault(faults::FileOp::Write, 1, ERROR_DISK_FULL, true);
    EXPECT_FALSE(GetParam().encoder->WriteText(file, kSample));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(GetParam().encoder->WriteHeader(file), GetParam().header.empty());
    CloseIfValid(file);
}

INSTANTIATE_TEST_SUITE_P(Encoders, WriteTest,
                         testing::Values(Written{"ansi", &kAnsi, "", "H\xE9"},
                                         Written{"utf8", &kUtf8, "\xEF\xBB\xBF",
                                                 std::string("H\xC3\xA9\0\xF0\x9F\x98\x80", 8)},
                                         Written{"unicode", &kUnicode, "\xFF\xFE",
                                                 std::string("H\0\xE9\0\0\0\x3D\xD8\x00\xDE", 10)}),
                         [](const testing::TestParamInfo<Written>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
