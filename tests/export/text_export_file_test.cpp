#include "export/text_export_file.h"

#include "export/ansi_encoder.h"
#include "export/export_fixtures.h"
#include "export/unicode_encoder.h"
#include "export/utf8_encoder.h"
#include "platform/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Ann <100> to Bob <200>, delivered 2009-03-05 07:08:09 local time, text Hi.
MemoryRecord WorkedMessage() {
    MessageFields fields = Fields(u"Inbox", u"Ann", u"100", u"Hi");
    fields.deliveryTime = UtcTime(2009, 3, 5, 6, 8, 9); // one hour behind central Europe
    return MemoryRecord(fields, {Recipient(u"200", u"Bob", 1)});
}

constexpr char kWorkedBlock[] = "Sender: \"Ann\" <100>\r\n"
                                "Recipients: \"Bob\" <200>\r\n"
                                "Time: 2009-03-05 07:08:09\r\n"
                                "Content:\r\n"
                                "Hi\r\n"
                                "\r\n";

class TextExportFileTest : public testing::Test {
protected:
    const TimeZoneGuard zone_{kCentralEurope};
    const CodePageGuard codePage_{1252};
    const TempDir dir_;
    const std::u16string path_ = dir_.file("export.txt");
    const Utf8Encoder encoder_;
    TextExportFile exporter_{encoder_};
    std::string contents() const { return ReadHostFile(dir_.path() / "export.txt"); }
};

TEST_F(TextExportFileTest, WritesTheHeaderAndTheWorkedBlockPerMessage) {
    const AnsiEncoder ansi;
    const UnicodeEncoder unicode;
    const std::tuple<const TextEncoder*, std::string, std::string> cases[] = {
        {&ansi, "", kWorkedBlock},
        {&encoder_, "\xEF\xBB\xBF", kWorkedBlock},
        {&unicode, "\xFF\xFE", Utf16Le(kWorkedBlock)},
    };
    const int handlesBefore = OpenFileHandleCount();
    for (const auto& [encoder, header, block] : cases) {
        for (const int messages : {0, 2}) {
            WriteHostFile(dir_.path() / "export.txt", std::string(1000, 'x'));
            TextExportFile exporter(*encoder);
            HANDLE handle = 0;
            std::u16string error = u"untouched";
            ASSERT_TRUE(exporter.OpenForWrite(path_, handle, error));
            EXPECT_TRUE(exporter.SkipValidationArea(handle, error));
            EXPECT_TRUE(exporter.WriteTotal(handle, 7, error));
            MemoryRecord message = WorkedMessage();
            for (int i = 0; i < messages; ++i) {
                ASSERT_TRUE(exporter.WriteRecord(handle, message, error));
            }
            EXPECT_TRUE(exporter.WriteValidation(handle, error));
            EXPECT_TRUE(exporter.CloseAfterWrite(handle, error));
            EXPECT_EQ(error, u"untouched");
            EXPECT_EQ(contents(), header + (messages == 0 ? "" : block + block));
        }
    }
    EXPECT_EQ(OpenFileHandleCount(), handlesBefore);
}

TEST_F(TextExportFileTest, PrintsEdgeFieldsAsEmptyTexts) {
    HANDLE handle = 0;
    std::u16string error;
    ASSERT_TRUE(exporter_.OpenForWrite(path_, handle, error));
    // Only a name, no recipients, no time; the body keeps its own line breaks and characters
    // outside the Basic Multilingual Plane.
    MemoryRecord message(Fields(u"Inbox", u"Ann", u"", u"a\r\nb \U0001F600"), {});
    ASSERT_TRUE(exporter_.WriteRecord(handle, message, error));
    ASSERT_TRUE(exporter_.WriteValidation(handle, error));
    ASSERT_TRUE(exporter_.CloseAfterWrite(handle, error));
    EXPECT_EQ(contents(), "\xEF\xBB\xBF"
                          "Sender: \r\nRecipients: \r\nTime: \r\nContent:\r\n"
                          "a\r\nb \xF0\x9F\x98\x80\r\n\r\n");
}

TEST_F(TextExportFileTest, ReadingOperationsRefuseWithoutText) {
    ExpectReadingRefused(exporter_, path_);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "export.txt"));
}

} // namespace
