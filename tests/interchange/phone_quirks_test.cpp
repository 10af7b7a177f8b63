// Phone files as phones write them: references to units that XML forbids, halves of surrogate
// pairs, leading zeros, and U+0000 in any reader. Each is read into the units it names, or left
// out and counted where no text can hold it.
#include "interchange/json_backup_file.h"
#include "interchange/reference_filter.h"
#include "interchange/text_codec.h"
#include "interchange/xml_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Hands its bytes out a few at a time, so that references fall across every boundary.
class TrickleSource final : public ByteSource {
public:
    TrickleSource(std::string bytes, std::size_t step) : bytes_(std::move(bytes)), step_(step) {}
    long Read(char* buffer, std::size_t size) override {
        const std::size_t count = std::min({size, step_, bytes_.size() - at_});
        std::copy_n(bytes_.data() + at_, count, buffer);
        at_ += count;
        return static_cast<long>(count);
    }
    bool Rewind() override { return (at_ = 0) == 0; }

private:
    std::string bytes_;
    std::size_t step_;
    std::size_t at_ = 0;
};

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
    std::string doubled;
    utf::AppendUtf8(doubled, interchange::kXmlEscape);
    utf::AppendUtf8(doubled, interchange::kXmlEscape);
    std::string unit;
    for (const char32_t c :
         {interchange::kXmlEscape, char32_t{interchange::kXmlEscapedBase + 0xD83D},
          interchange::kXmlEscape, interchange::kXmlEscapedBase}) {
        utf::AppendUtf8(unit, c);
    }
    std::string plane16;
    utf::AppendUtf8(plane16, 0x100041); // a plane-16 character without the escape before it
    EXPECT_EQ(interchange::FromXmlUtf8("a" + doubled + "b"), u"a\U0010FFFDb");
    EXPECT_EQ(interchange::FromXmlUtf8(unit), std::u16string(u"\xD83D") + char16_t{0});
    EXPECT_EQ(interchange::FromXmlUtf8(plane16), u"\U00100041");
    EXPECT_EQ(interchange::FromXmlUtf8("plain"), u"plain");
}

std::string PhoneXml(const std::string& body) {
    return "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"1\">\n"
           "  <sms protocol=\"0\" address=\"+4911\" date=\"1709251200000\" type=\"1\" body=\"" +
           body + "\" read=\"1\" contact_name=\"Anna\" />\n</smses>\n";
}

// One row per quirk: the file, the body the message must hold, and how many characters were
// left out because no text can hold them.
TEST(PhoneFiles, QuirksReadIntoTheUnitsTheyName) {
    const struct {
        const char* name;
        std::string file;
        bool json;
        std::u16string body;
        unsigned long leftOut;
    } cases[] = {
        {"controls", PhoneXml("a&#1;b&#31;c&#x1B;"), false,
         u"a\x01"
         u"b\x1F"
         u"c\x1B",
         0},
        {"nonchars", PhoneXml("&#65534;&#65535;"), false, u"\uFFFE\uFFFF", 0},
        {"lone halves", PhoneXml("&#55357;x&#56832;"), false, u"\xD83Dx\xDE00", 0},
        {"zeros", PhoneXml("&#00055357;&#x0000DE00;"), false, u"\U0001F600", 0},
        {"nul reference", PhoneXml("hey&#0;you&#0;"), false, u"heyyou", 2},
        {"escape char", PhoneXml("\xF4\x8F\xBF\xBD&#1114109;"), false, u"\U0010FFFD\U0010FFFD", 0},
        {"our exact units", PhoneXml("before?after\" body_utf16=\"006200000061"), false, u"ba", 1},
        {"json nul", "{\"folderPath\":\"Inbox\",\"body\":\"before\\u0000after\"}\n", true,
         u"beforeafter", 1},
        {"json exact units", "{\"folderPath\":\"Inbox\",\"bodyUtf16\":\"0061000000620000\"}\n", true,
         u"ab", 2},
    };
    const TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(dir.path() / "phone", c.file);
        XmlBackupFile xml;
        JsonBackupFile json;
        StreamedBackupFile& reader = c.json ? static_cast<StreamedBackupFile&>(json) : xml;
        const RestoreOutcome read = RunRestore(reader, dir.file("phone"));
        ASSERT_TRUE(read.ok) << read.failedAt;
        ASSERT_EQ(read.records.size(), 1u);
        EXPECT_EQ(read.records[0].body, c.body);
        EXPECT_EQ(reader.LeftOut(), c.leftOut);
        // In one pass, as convert reads, the same text and count.
        HANDLE unused = 0;
        std::u16string error;
        StreamedBackupFile& again = c.json ? static_cast<StreamedBackupFile&>(json) : xml;
        ASSERT_TRUE(again.OpenForRead(dir.file("phone"), unused, error) &&
                    again.StartOnePass(error))
            << utf::Utf8(error);
        MessageFields fields;
        std::vector<Recipient> recipients;
        ASSERT_EQ(again.Next(fields, recipients, error), MessageReader::Result::Message);
        EXPECT_EQ(fields.body, c.body);
        EXPECT_EQ(again.LeftOut(), c.leftOut);
        again.CloseAfterRead(0, error);
    }
}

} // namespace
