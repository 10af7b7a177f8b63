// The export layer: the texts built from a message, the encoders that write them in a fixed code
// page, and the CSV and text export files a job writes.
#include "export/ansi_encoder.h"
#include "export/csv_export_file.h"
#include "export/export_text.h"
#include "export/local_time.h"
#include "export/text_export_file.h"
#include "export/unicode_encoder.h"
#include "export/utf8_encoder.h"
#include "files/file_access.h"
#include "model/memory_record.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/reading_refused.h"
#include "support/temp_dir.h"
#include "support/time_zone_guard.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class CodePageGuard {
public:
    explicit CodePageGuard(UINT codePage) { SetActiveCodePage(codePage); }
    ~CodePageGuard() { SetActiveCodePage(0); }
    CodePageGuard(const CodePageGuard&) = delete;
    CodePageGuard& operator=(const CodePageGuard&) = delete;
};

MessageFields Fields(std::u16string folderPath, std::u16string senderName,
                     std::u16string senderNumber, std::u16string body) {
    return MessageFields{
        kSmsMessageClass,        std::move(folderPath), {}, {}, 0, 0, std::move(senderName),
        std::move(senderNumber), std::move(body)};
}

TEST(ExportText, ReplaceAllGoesLeftToRightWithoutRescanning) {
    // Text, search, replacement, result.
    const std::array<std::u16string, 4> cases[] = {
        {u"a-b-c", u"-", u"", u"abc"},    // every occurrence
        {u"abc", u"x", u"y", u"abc"},     // nothing to replace
        {u"aaa", u"a", u"aa", u"aaaaaa"}, // inserted text is not searched again
        {u"aaa", u"aa", u"b", u"ba"},     // occurrences do not overlap
        {u"abc", u"", u"z", u"abc"},
    };
    for (const auto& [text, search, replacement, expected] : cases) {
        EXPECT_EQ(ReplaceAll(text, search, replacement), expected);
    }
}

TEST(ExportText, CsvQuoteQuotesAndDoublesQuotes) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"", u"\"\""},
        {u"\"", u"\"\"\"\""},
        {u"say \"hi\", ok", u"\"say \"\"hi\"\", ok\""},
    };
    for (const auto& [field, expected] : cases) {
        EXPECT_EQ(CsvQuote(field), expected);
    }
}

TEST(ExportText, RecipientsAreJoinedWithoutTypes) {
    const std::u16string longName(2000, u'n');
    const std::pair<std::vector<Recipient>, std::u16string> cases[] = {
        {{}, u""},
        {{Recipient(u"200", u"Bob", 1)}, u"\"Bob\" <200>"},
        {{Recipient(), Recipient(u"300", u"Eve", 1)}, u"\"\" <>;\"Eve\" <300>"},
        {{Recipient(std::u16string(u"20\0x", 4), u"Bob", 1)}, u"\"Bob\" <20>"},
        // An item longer than 1,024 characters keeps its address.
        {{Recipient(u"200", longName, 1), Recipient(u"300", u"Eve", 1)},
         u"\"" + longName + u"\" <200>;\"Eve\" <300>"},
    };
    for (const auto& [recipients, expected] : cases) {
        MemoryRecord message(Fields(u"Inbox", u"", u"", u""), recipients);
        EXPECT_EQ(RecipientsText(message), expected);
    }
}

TEST(ExportText, SenderIsTheItemUnlessOnlyANameIsKnown) {
    const std::array<std::u16string, 3> cases[] = {
        {u"Ann", u"100", u"\"Ann\" <100>"}, {u"Ann", u"", u""}, {u"", u"", u"\"\" <>"}};
    for (const auto& [name, number, expected] : cases) {
        EXPECT_EQ(SenderText(MemoryRecord(Fields(u"Inbox", name, number, u""), {})), expected);
    }
}

TEST(ExportText, OnlyValidLocalTimesArePrinted) {
    const std::tuple<const char*, FILETIME, std::u16string> cases[] = {
        {"UTC0", FILETIME{}, u""},
        {"UTC0", UtcTime(2009, 3, 5, 7, 8, 9), u"2009-03-05 07:08:09"},
        {"UTC0", UtcTime(1901, 1, 1, 0, 0, 0), u"1901-01-01 00:00:00"},
        {"UTC0", UtcTime(1900, 12, 31, 23, 59, 59), u""},
        {"UTC0", UtcTime(2100, 12, 31, 23, 59, 59), u"2100-12-31 23:59:59"},
        {"UTC0", UtcTime(2101, 1, 1, 0, 0, 0), u""},
        {"UTC0", U64ToFileTime(0x8000000000000000ULL), u""},
        // The year is checked on the local time, not on UTC.
        {kCentralEurope, UtcTime(1900, 12, 31, 23, 30, 0), u"1901-01-01 00:30:00"},
        {kCentralEurope, UtcTime(2100, 12, 31, 23, 30, 0), u""},
        {"EST5", FILETIME{}, u""},
    };
    for (const auto& [zone, time, expected] : cases) {
        const TimeZoneGuard guard(zone);
        EXPECT_EQ(FormatLocalTime(time), expected) << zone << " " << time.dwHighDateTime;
    }
}

TEST(ExportText, SystemTimesAreCheckedForRangesAndMonthLengths) {
    // Year, month, day of week, day, hour, minute, second, milliseconds.
    const std::pair<SYSTEMTIME, bool> cases[] = {
        {{2000, 2, 0, 29, 0, 0, 0, 0}, true},
        {{2008, 2, 0, 29, 0, 0, 0, 0}, true},
        {{2100, 2, 0, 29, 0, 0, 0, 0}, false},
        {{2001, 2, 0, 29, 0, 0, 0, 0}, false},
        {{2001, 4, 0, 31, 0, 0, 0, 0}, false},
        {{2001, 4, 0, 30, 0, 0, 0, 0}, true},
        {{2001, 0, 0, 1, 0, 0, 0, 0}, false},
        {{2001, 13, 0, 1, 0, 0, 0, 0}, false},
        {{2001, 1, 0, 0, 0, 0, 0, 0}, false},
        {{2001, 1, 0, 1, 24, 0, 0, 0}, false},
        {{2001, 1, 0, 1, 0, 60, 0, 0}, false},
        {{2001, 1, 0, 1, 0, 0, 60, 0}, false},
        {{}, false},
        // Day of week and milliseconds are not looked at.
        {{2001, 1, 9, 1, 0, 0, 0, 5000}, true},
    };
    for (const auto& [t, valid] : cases) {
        EXPECT_EQ(IsValidSystemTime(t), valid)
            << t.wYear << "-" << t.wMonth << "-" << t.wDay << " " << t.wHour << ":" << t.wMinute;
    }
}

using Cases = std::vector<std::pair<std::u16string, std::string>>;

TEST(Encoders, Utf8EncodesWholeCharactersAndReplacesLoneHalves) {
    const Cases cases = {
        {u"", ""},
        {u"\u07FF", "\xDF\xBF"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        {std::u16string{u'a', 0xD83D}, "a\xEF\xBF\xBD"},
        {std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(Utf8Encoder().Encode(text), bytes);
    }
}

// An ordinary text, U+0000 and a pair in UTF-8 and UTF-16 are the header test's below.
TEST(Encoders, AnsiUsesTheActiveCodePage) {
    const std::pair<UINT, Cases> pages[] = {
        {1252, {{u"\u00E9", "\xE9"}}},
        {932, {{u"\u65E5\u672C", "\x93\xFA\x96\x7B"}, {u"\u00E9", "?"}}},
    };
    for (const auto& [page, cases] : pages) {
        const CodePageGuard guard(page);
        for (const auto& [text, bytes] : cases) {
            EXPECT_EQ(AnsiEncoder().Encode(text), bytes) << page;
        }
    }
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

constexpr char kTitle[] =
    "\"Class Name\",\"Folder\",\"Modify Time\",\"Delivery Time\",\"Msg Flag\","
    "\"Recipients\",\"Sender Name\",Sender Number,\"Subject\"\n";

constexpr char kWorkedBlock[] = "Sender: \"Ann\" <100>\r\n"
                                "Recipients: \"Bob\" <200>\r\n"
                                "Time: 2009-03-05 07:08:09\r\n"
                                "Content:\r\n"
                                "Hi\r\n"
                                "\r\n";

class ExportFile : public testing::Test {
protected:
    // The file after one whole job with these messages, whose steps all succeed without text.
    std::string Export(BackupFile& exporter, std::vector<MemoryRecord>& messages) {
        const RunOutcome run = WriteBackupOf(exporter, path_, messages);
        EXPECT_TRUE(run.ok) << run.failedAt;
        EXPECT_EQ(run.error, u"");
        return ReadHostFile(dir_.path() / "export");
    }

    const TimeZoneGuard zone_{kCentralEurope};
    const TempDir dir_;
    const std::u16string path_ = dir_.file("export");
    const Utf8Encoder utf8_;
    CsvExportFile csv_{utf8_};
    TextExportFile text_{utf8_};
};

// The header alone for no message, then a block or row per message, in each encoding; an
// earlier file is replaced and every handle is closed.
TEST_F(ExportFile, WritesTheHeaderThenTheWorkedBlockOrRowPerMessage) {
    const UnicodeEncoder unicode;
    // Ann <100> to Bob <200>, delivered 2009-03-05 07:08:09 local time, text Hi.
    MessageFields fields = Fields(u"Inbox", u"Ann", u"100", u"Hi");
    fields.deliveryTime = UtcTime(2009, 3, 5, 6, 8, 9); // one hour behind central Europe
    const std::vector bob{Recipient(u"200", u"Bob", 1)};
    const std::string row = "\"IPM.SMStext\",\"Inbox\",\"\",\"2009-03-05 07:08:09\",\"0\","
                            "\"\"\"Bob\"\" <200>\",\"Ann\",\"100\",\"Hi\"\n";
    // CSV?, encoder, header, what one message adds.
    const std::tuple<bool, const TextEncoder*, std::string, std::string> cases[] = {
        {false, &utf8_, "\xEF\xBB\xBF", kWorkedBlock},
        // Without the 0 unit that ends Utf16Bytes.
        {false, &unicode, "\xFF\xFE",
         Utf16Bytes(utf::Utf16(kWorkedBlock)).substr(0, 2 * std::strlen(kWorkedBlock))},
        // A CSV export has no byte-order mark, not even in UTF-8.
        {true, &utf8_, kTitle, row},
    };
    const int handlesBefore = OpenFileHandleCount();
    for (const auto& [csv, encoder, header, block] : cases) {
        for (const int count : {0, 2}) {
            SCOPED_TRACE(header + " " + std::to_string(count));
            WriteHostFile(dir_.path() / "export", std::string(1000, 'x'));
            CsvExportFile csvFile(*encoder);
            TextExportFile textFile(*encoder);
            std::vector<MemoryRecord> messages;
            for (int i = 0; i < count; ++i) {
                messages.emplace_back(fields, bob);
            }
            EXPECT_EQ(Export(csv ? static_cast<BackupFile&>(csvFile) : textFile, messages),
                      header + (count == 0 ? "" : block + block));
        }
    }
    EXPECT_EQ(OpenFileHandleCount(), handlesBefore);
}

TEST_F(ExportFile, CsvWritesNineQuotedFieldsPerMessageInUtf8) {
    MessageFields fields = Fields(u"Inbox\\Old\\Work", u"Ann", u"100", u"Hi, \"you\"\r\nbye");
    fields.lastModified = UtcTime(2009, 7, 1, 10, 0, 0);
    fields.deliveryTime = UtcTime(2009, 3, 5, 6, 8, 9);
    fields.flags = 0x80000001u;
    std::vector<MemoryRecord> messages;
    messages.emplace_back(fields,
                          std::vector{Recipient(u"200", u"Bob", 1), Recipient(u"300", u"Eve", 1)});
    EXPECT_EQ(Export(csv_, messages),
              std::string(kTitle) +
                  "\"IPM.SMStext\",\"Inbox\\Old\\Work\",\"2009-07-01 12:00:00\","
                  "\"2009-03-05 07:08:09\",\"-2147483647\",\"\"\"Bob\"\" <200>;\"\"Eve\"\" <300>\","
                  "\"Ann\",\"100\",\"Hi, \"\"you\"\"\r\nbye\"\n");
}

TEST_F(ExportFile, CsvSplitsASenderItemHeldInTheName) {
    // Name and number given, then the row's last three fields.
    const std::tuple<std::u16string, std::u16string, std::string> cases[] = {
        {u"\"Ann\" <100>", u"999", ",\"Ann\",\"100\",\"x\"\n"}, // the item overrides the number
        {u"Ann", u"999", ",\"Ann\",\"999\",\"x\"\n"},
    };
    for (const auto& [name, number, tail] : cases) {
        std::vector<MemoryRecord> messages;
        messages.emplace_back(Fields(u"Inbox", name, number, u"x"), std::vector<Recipient>{});
        const std::string file = Export(csv_, messages);
        EXPECT_TRUE(file.ends_with(tail)) << file;
    }
}

// Reading is refused, and a message without a folder fails without text; neither leaves a
// file.
TEST_F(ExportFile, ReadingAndAMessageWithoutFolderFailWithoutTextOrWriting) {
    ExpectReadingRefused(csv_, path_);
    ExpectReadingRefused(text_, path_);
    HANDLE handle = 0;
    std::u16string error;
    ASSERT_TRUE(csv_.OpenForWrite(path_, handle, error));
    MemoryRecord message;
    error = u"No.3:";
    EXPECT_FALSE(csv_.WriteRecord(handle, message, error));
    EXPECT_EQ(error, u"No.3:");
    EXPECT_TRUE(csv_.CloseAfterWrite(handle, error));
    // An unfinished file leaves nothing: neither the name nor a partial file beside it.
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "export.partial"));
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "export"));
}

} // namespace
