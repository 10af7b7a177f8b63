#include "export/ansi_encoder.h"
#include "export/unicode_encoder.h"
#include "export/utf8_encoder.h"

#include "export/export_fixtures.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

namespace {

using Cases = std::vector<std::pair<std::u16string, std::string>>;

TEST(Encoders, Utf8EncodesWholeCharactersAndReplacesLoneHalves) {
    const Cases cases = {
        {u"Hi", "Hi"},
        {u"", ""},
        {u"\u00E9", "\xC3\xA9"},
        {u"\u20AC", "\xE2\x82\xAC"},
        {u"\u07FF", "\xDF\xBF"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        {std::u16string{u'a', 0xD83D, u'b'}, "a\xEF\xBF\xBD"
                                             "b"},
        {std::u16string{0xDE00}, "\xEF\xBF\xBD"},
        {std::u16string{u'a', 0xD83D}, "a\xEF\xBF\xBD"},
        {std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(Utf8Encoder().Encode(text), bytes);
    }
    // Long texts are converted in pieces of 2^24 units; a pair sits across the first cut.
    std::u16string text(std::size_t{1} << 24, u'a');
    text[text.size() - 1] = 0xD83D;
    text += u'\xDE00';
    const std::string bytes = Utf8Encoder().Encode(text);
    ASSERT_EQ(bytes.size(), text.size() - 2 + 4);
    EXPECT_EQ(bytes.substr(bytes.size() - 5), "a\xF0\x9F\x98\x80");
}

TEST(Encoders, AnsiUsesTheActiveCodePageAndUnicodeIsLowByteFirst) {
    const std::pair<UINT, Cases> pages[] = {
        {1252,
         {{u"Hi", "Hi"},
          {u"\u00E9", "\xE9"},
          {u"\u20AC", "\x80"},
          {u"x\u4E01y", "x?y"},
          {u"\U0001F600", "?"},
          {std::u16string(u"ab\0cd", 5), "ab"}}},
        {932, {{u"\u65E5\u672C", "\x93\xFA\x96\x7B"}, {u"\u00E9", "?"}}},
    };
    for (const auto& [page, cases] : pages) {
        const CodePageGuard guard(page);
        for (const auto& [text, bytes] : cases) {
            EXPECT_EQ(AnsiEncoder().Encode(text), bytes) << page;
        }
    }
    EXPECT_EQ(UnicodeEncoder().Encode(u"Hi"), Utf16Le("Hi"));
    EXPECT_EQ(UnicodeEncoder().Encode(u"\U0001F600"), std::string("\x3D\xD8\x00\xDE", 4));
}

TEST(Encoders, WriteTheHeaderThenTextAndReportAFailedWrite) {
    const AnsiEncoder ansi;
    const Utf8Encoder utf8;
    const UnicodeEncoder unicode;
    const std::tuple<const TextEncoder*, std::string, std::string> cases[] = {
        {&ansi, "", "H\xE9"},
        {&utf8, "\xEF\xBB\xBF", std::string("H\xC3\xA9\0\xF0\x9F\x98\x80", 8)},
        {&unicode, "\xFF\xFE", std::string("H\0\xE9\0\0\0\x3D\xD8\x00\xDE", 10)},
    };
    const std::u16string sample(u"H\u00E9\0\U0001F600", 5);
    const CodePageGuard guard(1252);
    const TempDir dir;
    for (const auto& [encoder, header, text] : cases) {
        HANDLE file = CreateForWriting(dir.file("out.txt"));
        EXPECT_TRUE(encoder->WriteHeader(file));
        EXPECT_TRUE(encoder->WriteText(file, sample));
        EXPECT_TRUE(encoder->WriteText(file, u""));
        {
            const faults::FileFaultGuard disarm;
            faults::ArmFileFault(faults::FileOp::Write, 1, ERROR_DISK_FULL, true);
            EXPECT_FALSE(encoder->WriteText(file, sample));
            EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
            EXPECT_EQ(encoder->WriteHeader(file), header.empty());
        }
        ASSERT_TRUE(MarkComplete(file));
        ASSERT_TRUE(CloseIfValid(file));
        EXPECT_EQ(ReadHostFile(dir.path() / "out.txt"), header + text);
    }
}

} // namespace
