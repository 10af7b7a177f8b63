#include "export/csv_export_file.h"

#include "export/ansi_encoder.h"
#include "export/export_fixtures.h"
#include "export/export_text.h"
#include "export/utf8_encoder.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>

namespace {

constexpr char kTitle[] =
    "\"Class Name\",\"Folder\",\"Modify Time\",\"Delivery Time\",\"Msg Flag\","
    "\"Recipients\",\"Sender Name\",Sender Number,\"Subject\"\n";

class CsvExportTest : public testing::Test {
protected:
    const TimeZoneGuard zone_{kCentralEurope};
    const CodePageGuard codePage_{1252};
    const TempDir dir_;
    const std::u16string path_ = dir_.file("export.csv");
    const Utf8Encoder encoder_;
    CsvExportFile exporter_{encoder_};
    HANDLE handle_ = 0;
    std::u16string error_;

    std::string contents() const { return ReadHostFile(dir_.path() / "export.csv"); }
    // The file after one job with these messages.
    std::string Export(std::vector<MemoryRecord*> messages) {
        EXPECT_TRUE(exporter_.OpenForWrite(path_, handle_, error_)) << utf::Utf8(error_);
        for (MemoryRecord* message : messages) {
            EXPECT_TRUE(exporter_.WriteRecord(handle_, *message, error_)) << utf::Utf8(error_);
        }
        EXPECT_TRUE(exporter_.WriteValidation(handle_, error_));
        EXPECT_TRUE(exporter_.CloseAfterWrite(handle_, error_)) << utf::Utf8(error_);
        return contents();
    }
};

TEST_F(CsvExportTest, EmptyJobHoldsTheTitleRowWithoutByteOrderMark) {
    const int handlesBefore = OpenFileHandleCount();
    const AnsiEncoder ansi;
    for (const TextEncoder* encoder : std::array<const TextEncoder*, 2>{&encoder_, &ansi}) {
        CsvExportFile exporter(*encoder);
        std::u16string error = u"untouched";
        ASSERT_TRUE(exporter.OpenForWrite(path_, handle_, error));
        EXPECT_TRUE(exporter.SkipValidationArea(handle_, error));
        EXPECT_TRUE(exporter.WriteTotal(handle_, 3, error));
        EXPECT_TRUE(exporter.WriteValidation(handle_, error));
        EXPECT_TRUE(exporter.CloseAfterWrite(handle_, error));
        EXPECT_EQ(error, u"untouched");
        EXPECT_EQ(handle_, 0u); // the caller's handle is never written
        EXPECT_EQ(contents(), kTitle);
    }
    EXPECT_EQ(OpenFileHandleCount(), handlesBefore);
}

TEST_F(CsvExportTest, WritesOneRowOfNineFieldsPerMessage) {
    MessageFields fields = Fields(u"Inbox\\Old\\Work", u"Ann", u"100", u"Hi, \"you\"\r\nbye");
    fields.lastModified = UtcTime(2009, 7, 1, 10, 0, 0);
    fields.deliveryTime = UtcTime(2009, 3, 5, 6, 8, 9);
    fields.flags = 0x80000001u;
    MemoryRecord first(fields, {Recipient(u"200", u"Bob", 1), Recipient(u"300", u"Eve", 1)});
    MemoryRecord second(Fields(u"Sentedbox", u"", u"", u""), {});
    second.setFlags(0xFFFFFFFFu);
    EXPECT_EQ(Export({&first, &second}),
              std::string(kTitle) +
                  "\"IPM.SMStext\",\"Inbox\\Old\\Work\",\"2009-07-01 12:00:00\","
                  "\"2009-03-05 07:08:09\",\"-2147483647\",\"\"\"Bob\"\" <200>;\"\"Eve\"\" <300>\","
                  "\"Ann\",\"100\",\"Hi, \"\"you\"\"\r\nbye\"\n"
                  "\"IPM.SMStext\",\"Sentedbox\",\"\",\"\",\"-1\",\"\",\"\",\"\",\"\"\n");
}

TEST_F(CsvExportTest, EncodesRowsInUtf8) {
    MemoryRecord message(Fields(u"Inbox", u"", u"", u"\u00E9\u20AC\U0001F600"), {});
    message.setBody(message.body() + std::u16string{0xD83D});
    const std::string file = Export({&message});
    EXPECT_EQ(file.substr(file.size() - 15),
              "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD\"\n");
}

TEST_F(CsvExportTest, SplitsASenderItemHeldInTheName) {
    // Name and number given, then as written.
    const std::array<std::u16string, 4> cases[] = {
        {u"\"Ann\" <100>", u"999", u"Ann", u"100"},         // the item overrides the number
        {u"from \"Ann\" <100> today", u"", u"Ann", u"100"}, // an item inside a text
        {u"Ann", u"999", u"Ann", u"999"},
        {u"<100>", u"", u"<100>", u""},
        {u"\"A\"B\" <1>", u"", u"A\"B", u"1"},
    };
    for (const auto& [name, number, writtenName, writtenNumber] : cases) {
        MemoryRecord message(Fields(u"Inbox", name, number, u"x"), {});
        const std::string file = Export({&message});
        EXPECT_EQ(message.senderName(), writtenName);
        EXPECT_EQ(message.senderNumber(), writtenNumber);
        const std::string tail = "," + utf::Utf8(CsvQuote(writtenName)) + "," +
                                 utf::Utf8(CsvQuote(writtenNumber)) + ",\"x\"\n";
        EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
    }
}

TEST_F(CsvExportTest, MessageWithoutFolderFailsWithoutTextOrWriting) {
    ASSERT_TRUE(exporter_.OpenForWrite(path_, handle_, error_));
    MemoryRecord message;
    error_ = u"No.3:";
    EXPECT_FALSE(exporter_.WriteRecord(handle_, message, error_));
    EXPECT_EQ(error_, u"No.3:");
    EXPECT_TRUE(exporter_.CloseAfterWrite(handle_, error_));
    // An unfinished file leaves nothing: neither the name nor a partial file beside it.
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "export.csv.partial"));
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "export.csv"));
}

TEST_F(CsvExportTest, ReadingOperationsRefuseWithoutText) {
    ExpectReadingRefused(exporter_, path_);
}

} // namespace
