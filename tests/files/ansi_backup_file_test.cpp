#include "files/ansi_backup_file.h"
#include "files/unicode_backup_file.h"

#include "platform/codepage.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "support/backup_runs.h"
#include "support/reading_refused.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace {

// The six u32 fields of WorkedExampleMessage(): both times, flags and size.
const std::string kNumbers = Hex("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"
                                 "11 12 13 14 15 16 17 18");

class AnsiBackupFileTest : public ::testing::Test {
protected:
    void SetUp() override { SetActiveCodePage(1252); }
    void TearDown() override { SetActiveCodePage(0); }

    std::string Contents() const { return ReadHostFile(dir.path() / "backup.sms"); }

    // Backs up the messages and returns the bytes behind the 20-byte header.
    template <class... Message> std::string RecordsOf(Message... message) {
        std::vector<MemoryRecord> messages;
        (messages.push_back(std::move(message)), ...);
        AnsiBackupFile format;
        const RunOutcome outcome = RunBackup(format, path, messages);
        EXPECT_TRUE(outcome.ok) << outcome.failedAt;
        const std::string file = Contents();
        return file.size() < 20 ? std::string() : file.substr(20);
    }

    TempDir dir;
    std::u16string path = dir.file("backup.sms");
};

TEST_F(AnsiBackupFileTest, WorkedExampleAndAnEmptyBackupAreWrittenByteForByte) {
    // printf '20PaxRenTulVio' | md5sum
    EXPECT_EQ(RecordsOf(), "");
    EXPECT_EQ(Contents(), Hex("32e9c57b1f382cd3d9a0b8f5b33c4756 00000000"));
    const std::string record = "IPM.SMStext\nInbox\n" + kNumbers +
                               "\"Work\" <777> 1\n\"Home\" <555>\n" + U32Bytes(2) + "Hi";
    EXPECT_EQ(RecordsOf(WorkedExampleMessage()), record);
    const std::string file = Contents();
    EXPECT_EQ(file.substr(0, 20),
              Md5Of(std::to_string(file.size()) + "PaxRenTulVio") + Hex("01 00 00 00"));
}

struct RecordCase {
    const char* name;
    std::vector<Recipient> recipients;
    std::u16string body;
    std::string expected; // the record after the class line
    std::u16string folder = u"Inbox";
    std::u16string senderName = u"Home";
};

template <class... R> std::vector<Recipient> Recipients(R... recipients) {
    return {recipients...};
}

// The bytes of a record in Inbox after the class line, from the recipients line on.
std::string InInbox(const std::string& recipients, const std::string& rest) {
    return "Inbox\n" + kNumbers + recipients + "\n" + rest;
}

TEST_F(AnsiBackupFileTest, WritesTheRecordBytes) {
    const std::string home = "\"Home\" <555>\n";
    const std::string hi = home + U32Bytes(2) + "Hi";
    const RecordCase cases[] = {
        {"NoRecipients", Recipients(), u"Hi", InInbox("", hi)},
        {"TwoRecipients", Recipients(Recipient(u"1", u"A", 1), Recipient(u"2", u"B", 2)), u"Hi",
         InInbox("\"A\" <1> 1;\"B\" <2> 2", hi)},
        {"TypeIsSigned", Recipients(Recipient(u"1", u"A", 0xFFFFFFFF)), u"Hi",
         InInbox("\"A\" <1> -1", hi)},
        {"LineFeedInRecipientName", Recipients(Recipient(u"1", u"A\nB", 1)), u"Hi",
         InInbox("\"A\nB\" <1> 1", hi)},
        {"EmptyBody", Recipients(), u"", InInbox("", home + U32Bytes(0))},
        {"CharacterMissingFromCodePage", Recipients(), u"\u03A9\u00E9",
         InInbox("", home + U32Bytes(2) + "?\xE9")},
        {"SubfolderTwoLevelsDown", Recipients(), u"Hi", "Inbox\\Old\\Work\n" + kNumbers + "\n" + hi,
         u"Inbox\\Old\\Work"},
        {"LongSenderIsWrittenWhole", Recipients(), u"Hi",
         InInbox("", "\"" + std::string(2000, 'n') + "\" <555>\n" + U32Bytes(2) + "Hi"), u"Inbox",
         std::u16string(2000, u'n')},
        {"NulEndsTheFolderLine", Recipients(), u"Hi", "In\n" + kNumbers + "\n" + hi,
         std::u16string(u"In\0box", 6)},
    };
    for (const RecordCase& c : cases) {
        // The worked example's message with the case's folder, sender name, recipients and body.
        const MemoryRecord example = WorkedExampleMessage();
        MemoryRecord message({example.messageClass(), c.folder, example.lastModified(),
                              example.deliveryTime(), example.flags(), example.size(), c.senderName,
                              example.senderNumber(), c.body},
                             c.recipients);
        EXPECT_EQ(RecordsOf(std::move(message)), "IPM.SMStext\n" + c.expected) << c.name;
    }
}

TEST_F(AnsiBackupFileTest, DoubleByteBodiesCountBytesAndANulEndsTheClassLine) {
    SetActiveCodePage(932);
    MemoryRecord message = WorkedExampleMessage();
    message.setBody(u"\u65E5\u672C\u8A9E"); // three characters, two bytes each in Shift-JIS
    message.setMessageClass(std::u16string(u"IPM\0x", 5));
    const std::string records = RecordsOf(std::move(message));
    EXPECT_EQ(records.substr(0, 10), "IPM\nInbox\n");
    EXPECT_EQ(records.substr(records.size() - 10), U32Bytes(6) + Hex("93 FA 96 7B 8C EA"));
}

// Both formats refuse a message without a folder, the Unicode one with a text, and an
// unfinished file leaves nothing behind.
TEST_F(AnsiBackupFileTest, AMessageWithoutAFolderIsRefusedAndNothingIsWritten) {
    UnicodeBackupFile usms;
    AnsiBackupFile sms;
    const std::pair<BackupFile*, std::u16string> cases[] = {
        {&usms, u"write sms error, folder is null."}, {&sms, u"earlier"}};
    for (const auto& [format, text] : cases) {
        HANDLE handle = 0;
        std::u16string error = u"earlier";
        ASSERT_TRUE(format->OpenForWrite(path, handle, error));
        ASSERT_TRUE(format->SkipValidationArea(handle, error));
        ASSERT_TRUE(format->WriteTotal(handle, 1, error));
        MemoryRecord orphan = WorkedExampleMessage();
        orphan.clearFolder();
        EXPECT_FALSE(format->WriteRecord(handle, orphan, error));
        EXPECT_EQ(error, text);
        ASSERT_TRUE(format->CloseAfterWrite(handle, error));
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "backup.sms.partial"));
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "backup.sms"));
    }
}

TEST_F(AnsiBackupFileTest, TheReadingOperationsRefuseWithoutTouchingTheFile) {
    WriteHostFile(dir.path() / "backup.sms", "anything");
    AnsiBackupFile format;
    ExpectReadingRefused(format, path, u"ANSI backup files cannot be read.");
    EXPECT_EQ(Contents(), "anything");
}

// Each record is handed to the system, but the disk is synced only when the file is done: the
// file's data once and its folder once, however many records there are.
TEST_F(AnsiBackupFileTest, ABackupSyncsTwiceWhateverItsSize) {
    for (const std::size_t count : {1u, 50u}) {
        std::vector<MemoryRecord> many;
        std::generate_n(std::back_inserter(many), count, WorkedExampleMessage);
        for (const bool unicode : {false, true}) { // the Unicode backup last, kept below
            UnicodeBackupFile usms;
            AnsiBackupFile sms;
            faults::ResetFileCounts();
            ASSERT_TRUE(RunBackup(unicode ? static_cast<BackupFile&>(usms) : sms, path, many).ok);
            EXPECT_EQ(faults::FileCallCount(faults::FileOp::Sync), 2) << count;
        }
        // A writer whose file counts only when complete hands it to the system once, the same.
        UnicodeBackupFile buffered;
        buffered.FlushEachRecord(false);
        faults::ResetFileCounts();
        ASSERT_TRUE(RunBackup(buffered, dir.file("once.usms"), many).ok);
        EXPECT_EQ(faults::FileCallCount(faults::FileOp::Flush), 1);
        EXPECT_EQ(ReadHostFile(dir.path() / "once.usms"), Contents()) << count;
    }
}

} // namespace
