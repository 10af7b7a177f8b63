// The two backup formats: the Unicode one written and read back, the ANSI one written only.
#include "files/ansi_backup_file.h"
#include "files/unicode_backup_file.h"

#include "platform/codepage.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "support/backup_runs.h"
#include "support/other_user.h"
#include "support/reading_refused.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <tuple>

#include <sys/resource.h>

namespace {

const std::u16string kEndOfFile = u"Reached the end of the file.";

std::string ShortRecipients(std::uint32_t count, std::size_t present) {
    std::string entries = U32Bytes(count);
    for (std::size_t i = 0; i < present; ++i) {
        entries += Utf16Bytes(u"a") + Utf16Bytes(u"b") + U32Bytes(1);
    }
    return entries;
}

// A whole .usms file around hand-made records, with the digest that its size calls for: MD5 of
// the little-endian bytes of the file's size + 418529.
std::string UsmsFile(DWORD total, const std::string& records) {
    const std::string body = U32Bytes(total) + records;
    return Md5Of(U32Bytes(static_cast<DWORD>(16 + body.size() + 418529))) + body;
}

std::string RecordBytes(const std::u16string& body, const std::string& recipientPart) {
    return Utf16Bytes(u"IPM.SMStext") + Utf16Bytes(u"Inbox") + U32Bytes(1) + U32Bytes(2) +
           U32Bytes(3) + U32Bytes(4) + U32Bytes(5) + U32Bytes(6) + Utf16Bytes(u"Home") +
           Utf16Bytes(u"555") + Utf16Bytes(body) + recipientPart;
}

const std::string kOneRecipient =
    U32Bytes(1) + Utf16Bytes(u"Work") + Utf16Bytes(u"777") + U32Bytes(1);

// The six u32 fields of WorkedExampleMessage() in an ANSI record: both times, flags and size.
const std::string kNumbers = Hex("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"
                                 "11 12 13 14 15 16 17 18");

// ANSI texts in code page 1252 unless a test says otherwise.
class BackupFileTest : public ::testing::Test {
protected:
    void SetUp() override { SetActiveCodePage(1252); }
    void TearDown() override { SetActiveCodePage(0); }

    std::string Contents(const char* name) const { return ReadHostFile(dir.path() / name); }
    void Store(const std::string& bytes) const { WriteHostFile(dir.path() / "backup.usms", bytes); }

    // Backs up the messages in the ANSI format and returns the bytes behind the 20-byte header.
    template <class... Message> std::string AnsiRecordsOf(Message... message) {
        std::vector<MemoryRecord> messages;
        (messages.push_back(std::move(message)), ...);
        AnsiBackupFile format;
        const RunOutcome outcome = WriteBackupOf(format, sms, messages);
        EXPECT_TRUE(outcome.ok) << outcome.failedAt;
        const std::string file = Contents("backup.sms");
        return file.size() < 20 ? std::string() : file.substr(20);
    }

    TempDir dir;
    std::u16string usms = dir.file("backup.usms");
    std::u16string sms = dir.file("backup.sms");
};

TEST_F(BackupFileTest, WorkedExampleAndAnEmptyBackupAreWrittenByteForByte) {
    std::vector<MemoryRecord> messages;
    UnicodeBackupFile format;
    ASSERT_TRUE(WriteBackupOf(format, usms, messages).ok);
    // printf '\xf5\x62\x06\x00' | md5sum   (20 + 418529 = 0x000662F5, little-endian)
    EXPECT_EQ(Contents("backup.usms"), Hex("f6d3ad696ba7f7cbe45363b6a8f00081 00000000"));
    // printf '20PaxRenTulVio' | md5sum
    EXPECT_EQ(AnsiRecordsOf(), "");
    EXPECT_EQ(Contents("backup.sms"), Hex("32e9c57b1f382cd3d9a0b8f5b33c4756 00000000"));

    messages.push_back(WorkedExampleMessage());
    ASSERT_TRUE(WriteBackupOf(format, usms, messages).ok);
    const std::string record =
        Hex("49 00 50 00 4D 00 2E 00 53 00 4D 00 53 00 74 00 65 00 78 00 74 00 00 00"
            "49 00 6E 00 62 00 6F 00 78 00 00 00"
            "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18"
            "48 00 6F 00 6D 00 65 00 00 00 35 00 35 00 35 00 00 00 48 00 69 00 00 00"
            "01 00 00 00 57 00 6F 00 72 00 6B 00 00 00 37 00 37 00 37 00 00 00 01 00 00 00");
    EXPECT_EQ(Contents("backup.usms"), UsmsFile(1, record));
    EXPECT_EQ(AnsiRecordsOf(WorkedExampleMessage()), "IPM.SMStext\nInbox\n" + kNumbers +
                                                         "\"Work\" <777> 1\n\"Home\" <555>\n" +
                                                         U32Bytes(2) + "Hi");
    const std::string file = Contents("backup.sms");
    EXPECT_EQ(file.substr(0, 20),
              Md5Of(std::to_string(file.size()) + "PaxRenTulVio") + Hex("01 00 00 00"));
}

const FILETIME kModified{0xFFFFFFFF, 0x7FFFFFFF};
const FILETIME kDelivered{0, 0x01D00000};

MemoryRecord Message(const std::u16string& folder, const std::u16string& name,
                     const std::u16string& number, const std::u16string& body,
                     std::vector<Recipient> recipients) {
    const DWORD size = static_cast<DWORD>(body.size() * 2);
    return MemoryRecord(MessageFields{u"IPM.SMStext", folder, kModified, kDelivered, 0x80000001,
                                      size, name, number, body},
                        std::move(recipients));
}

TEST_F(BackupFileTest, EveryFieldSurvivesARoundTrip) {
    std::vector<MemoryRecord> messages;
    messages.push_back(Message(u"Inbox", u"", u"", u"", {}));
    messages.push_back(Message(u"Inbox\\Family\\Mum", u"Mum \U0001F600", u"+44 7700 900123",
                               u"Smile \U0001F600 and clef \U0001D11E\r\nend", {}));
    messages.push_back(Message(u"Sentedbox\\Work", u"Me", u"1", u"x",
                               {Recipient(u"", u"", 1), Recipient(u"777", u"W\U00010348rk", 2),
                                Recipient(u"888", u"Boss", 0xFFFFFFFF)}));
    messages.push_back(Message(u"Draft", u"a", u"b", u"c", {Recipient()}));
    messages.back().setMessageClass(u"");
    messages.push_back(Message(u"Inbox", u"Home", u"555", std::u16string(u"Hi\0there", 8), {}));

    UnicodeBackupFile writer;
    ASSERT_TRUE(WriteBackupOf(writer, usms, messages).ok);
    UnicodeBackupFile reader;
    const RestoreOutcome restored = ReadBackupFrom(reader, usms);
    ASSERT_TRUE(restored.ok) << restored.failedAt;
    ASSERT_EQ(restored.total, messages.size());
    ASSERT_EQ(restored.records.size(), messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const MessageFields& got = restored.records[i];
        MemoryRecord& sent = messages[i];
        EXPECT_EQ(std::tie(got.messageClass, got.folderPath, got.senderName, got.senderNumber,
                           got.lastModified, got.deliveryTime, got.flags, got.size),
                  std::make_tuple(sent.messageClass(), sent.folderPath(), sent.senderName(),
                                  sent.senderNumber(), sent.lastModified(), sent.deliveryTime(),
                                  sent.flags(), sent.size()));
        // Text is written up to its first NUL.
        EXPECT_EQ(got.body, sent.body().substr(0, sent.body().find(u'\0'))) << i;
        EXPECT_EQ(restored.recipients[i], sent.recipients());
    }
}

const std::u16string kReadError = u"read sms error, " + kEndOfFile;
const std::u16string kInvalid = u"File Validation Failed.";

struct DamageCase {
    const char* name;
    std::string bytes;
    const char* failedAt = "ReadRecord"; // "" when the restore succeeds
    std::u16string error = kReadError;
    std::size_t recordsRead = 0;
    std::size_t recipientsOfFirst = 1;
};

TEST_F(BackupFileTest, ADamagedFileFailsAtTheDamageWithItsText) {
    const std::string record = RecordBytes(u"Hi", kOneRecipient);
    const std::string good = UsmsFile(1, record);
    const std::string one = kOneRecipient.substr(4); // an entry without the count
    // Where the sender name "Home" begins: cutting 4 bytes on leaves "Ho" without terminator.
    const std::size_t name = record.find(Utf16Bytes(u"Home"));
    const DamageCase cases[] = {
        {"FifteenBytes", good.substr(0, 15), "CheckValidation", kInvalid},
        {"DigestOnly", Md5Of(U32Bytes(16 + 418529)), "ReadTotal",
         u"read total error, " + kEndOfFile},
        {"OneByteAppended", good + "x", "CheckValidation", kInvalid},
        {"OneByteShort", good.substr(0, good.size() - 1), "CheckValidation", kInvalid},
        {"EmptyFile", "", "CheckValidation", kInvalid},
        {"TotalLargerThanRecords", UsmsFile(3, record + record), "ReadRecord", kReadError, 2},
        {"TruncatedString", UsmsFile(1, record.substr(0, name + 4))},
        {"OddByteInString", UsmsFile(1, record.substr(0, name + 3))},
        {"RecipientCountMinusOne", UsmsFile(2, RecordBytes(u"Hi", U32Bytes(0xFFFFFFFF)) + record),
         "", u"", 2, 0},
        {"RecipientCountMaximumWithEntries",
         UsmsFile(1, RecordBytes(u"Hi", U32Bytes(0x7FFFFFFF) + one + one))},
        {"MoreRecipientsThanAMessageMayHave",
         UsmsFile(1, RecordBytes(u"Hi", ShortRecipients(kMaxRecipients + 1, kMaxRecipients + 1))),
         "ReadRecord", u"read sms error, Not enough storage is available to process this command."},
        {"MissingRecipientType", UsmsFile(1, record.substr(0, record.size() - 4))},
        // The digest covers the size only: a changed character still reads.
        {"BodyCharacterChanged", UsmsFile(1, RecordBytes(u"Yi", kOneRecipient)), "", u"", 1},
    };
    for (const DamageCase& damage : cases) {
        SCOPED_TRACE(damage.name);
        Store(damage.bytes);
        const int handlesBefore = OpenFileHandleCount();
        UnicodeBackupFile reader;
        const RestoreOutcome restored = ReadBackupFrom(reader, usms);
        EXPECT_EQ(restored.failedAt, damage.failedAt);
        EXPECT_EQ(restored.error, damage.error);
        ASSERT_EQ(restored.records.size(), damage.recordsRead);
        // Only the hand-made entries come back: one per record, none for a count of -1.
        for (std::size_t i = 0; i < restored.recipients.size(); ++i) {
            EXPECT_EQ(restored.recipients[i].size(), i == 0 ? damage.recipientsOfFirst : 1u);
        }
        EXPECT_EQ(OpenFileHandleCount(), handlesBefore);
    }
}

// A whole record appends its recipients to the caller's list; a damaged one changes nothing.
TEST_F(BackupFileTest, OnlyAWholeRecordChangesTheFieldsAndTheList) {
    Store(UsmsFile(2, RecordBytes(u"Hi", kOneRecipient) +
                          RecordBytes(u"Gone", U32Bytes(2) + kOneRecipient.substr(4))));
    UnicodeBackupFile reader;
    HANDLE handle = 0;
    DWORD total = 0;
    std::u16string error = u"untouched";
    ASSERT_TRUE(reader.OpenForRead(usms, handle, error) && reader.CheckValidation(handle, error) &&
                reader.ReadTotal(handle, total, error));
    MessageFields fields;
    std::vector<Recipient> list{Recipient(u"1", u"first", 2)};
    ASSERT_TRUE(reader.ReadRecord(handle, fields, list, error));
    EXPECT_EQ(error, u"untouched");
    const std::vector<Recipient> both{Recipient(u"1", u"first", 2), Recipient(u"777", u"Work", 1)};
    EXPECT_EQ(list, both);
    EXPECT_FALSE(reader.ReadRecord(handle, fields, list, error));
    EXPECT_EQ(error, kReadError);
    EXPECT_EQ(fields.body, u"Hi");
    EXPECT_EQ(list, both);
}

TEST_F(BackupFileTest, KeepsItsOwnHandleAndClosesItWhenDestroyed) {
    const int before = OpenFileHandleCount();
    HANDLE handle = 0;
    std::u16string error;
    {
        UnicodeBackupFile format;
        ASSERT_TRUE(format.OpenForWrite(usms, handle, error));
        EXPECT_EQ(handle, 0u);
        EXPECT_EQ(OpenFileHandleCount(), before + 1);
        // A second run without a close gives the first handle back.
        ASSERT_TRUE(format.OpenForWrite(usms, handle, error));
        EXPECT_EQ(OpenFileHandleCount(), before + 1);
    }
    EXPECT_EQ(OpenFileHandleCount(), before);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPlainAllocator = false;
#elif defined(__has_feature)
constexpr bool kPlainAllocator = !__has_feature(address_sanitizer);
#else
constexpr bool kPlainAllocator = true;
#endif

TEST_F(BackupFileTest, MemoryWhileReadingStaysNearTheRecordSize) {
    if (!kPlainAllocator) {
        GTEST_SKIP() << "the sanitizer's allocator keeps freed memory and pads every block";
    }
    // The record, whether it reads, and the allowed peak growth per byte of it, beside 4 MiB.
    const std::tuple<std::string, bool, double> cases[] = {
        // The most recipients a message may have; a Recipient takes 72 bytes in memory.
        {RecordBytes(u"Hi", ShortRecipients(kMaxRecipients, kMaxRecipients)), true, 7.0},
        {RecordBytes(std::u16string((1u << 24) + 1, u'x'), U32Bytes(0)), true, 1.2},
        // A damaged count is not taken at its word, nor are the entries that are there built.
        {RecordBytes(u"Hi", ShortRecipients(0x7FFFFFFF, 500000)), false, 1.0},
    };
    for (const auto& [record, readable, perByte] : cases) {
        Store(UsmsFile(1, record));
        const double limit = perByte * static_cast<double>(record.size()) + (4 << 20);
        // In a child process, whose peak resident memory starts from little.
        EXPECT_EQ(ExitStatus(InChild([&] {
                      rusage before{};
                      getrusage(RUSAGE_SELF, &before);
                      UnicodeBackupFile reader;
                      const bool read = !ReadBackupFrom(reader, usms).records.empty();
                      rusage after{};
                      getrusage(RUSAGE_SELF, &after);
                      const double growth = static_cast<double>(after.ru_maxrss - before.ru_maxrss);
                      std::cerr << growth / 1024 << " MiB against at most " << limit / (1 << 20)
                                << "\n";
                      return read == readable && growth * 1024 <= limit;
                  })),
                  0)
            << "a record of " << record.size() << " bytes";
    }
}

struct RecordCase {
    const char* name;
    std::u16string body;
    std::string expected; // the record after the class line
    std::u16string folder = u"Inbox";
    std::u16string senderName = u"Home";
    std::vector<Recipient> recipients = {};
};

// The bytes of a record in Inbox after the class line, from the recipients line on.
std::string InInbox(const std::string& recipients, const std::string& rest) {
    return "Inbox\n" + kNumbers + recipients + "\n" + rest;
}

// Joining recipients and a sender into one text is the model's and checked there.
TEST_F(BackupFileTest, WritesTheRecordBytes) {
    const std::string home = "\"Home\" <555>\n";
    const std::string hi = home + U32Bytes(2) + "Hi";
    const std::vector<Recipient> lineFeed{Recipient(u"1", u"A\nB", 1)};
    const RecordCase cases[] = {
        {"LineFeedInRecipientName", u"Hi", InInbox("\"A\nB\" <1> 1", hi), u"Inbox", u"Home",
         lineFeed},
        {"EmptyBody", u"", InInbox("", home + U32Bytes(0))},
        {"CharacterMissingFromCodePage", u"\u03A9\u00E9",
         InInbox("", home + U32Bytes(2) + "?\xE9")},
        {"SubfolderTwoLevelsDown", u"Hi", "Inbox\\Old\\Work\n" + kNumbers + "\n" + hi,
         u"Inbox\\Old\\Work"},
        {"LongSenderIsWrittenWhole", u"Hi",
         InInbox("", "\"" + std::string(2000, 'n') + "\" <555>\n" + U32Bytes(2) + "Hi"), u"Inbox",
         std::u16string(2000, u'n')},
        {"NulEndsTheFolderLine", u"Hi", "In\n" + kNumbers + "\n" + hi,
         std::u16string(u"In\0box", 6)},
    };
    for (const RecordCase& c : cases) {
        // The worked example's message with the case's folder, sender name, recipients and body.
        const MemoryRecord example = WorkedExampleMessage();
        MemoryRecord message({example.messageClass(), c.folder, example.lastModified(),
                              example.deliveryTime(), example.flags(), example.size(), c.senderName,
                              example.senderNumber(), c.body},
                             c.recipients);
        EXPECT_EQ(AnsiRecordsOf(std::move(message)), "IPM.SMStext\n" + c.expected) << c.name;
    }
}

TEST_F(BackupFileTest, DoubleByteBodiesCountBytesAndANulEndsTheClassLine) {
    SetActiveCodePage(932);
    MemoryRecord message = WorkedExampleMessage();
    message.setBody(u"\u65E5\u672C\u8A9E"); // three characters, two bytes each in Shift-JIS
    message.setMessageClass(std::u16string(u"IPM\0x", 5));
    const std::string records = AnsiRecordsOf(std::move(message));
    EXPECT_EQ(records.substr(0, 10), "IPM\nInbox\n");
    EXPECT_EQ(records.substr(records.size() - 10), U32Bytes(6) + Hex("93 FA 96 7B 8C EA"));
}

// Both formats refuse a message without a folder, the Unicode one with a text.
TEST_F(BackupFileTest, AMessageWithoutAFolderIsRefused) {
    std::vector<MemoryRecord> orphan;
    orphan.push_back(WorkedExampleMessage());
    orphan[0].clearFolder();
    UnicodeBackupFile unicode;
    AnsiBackupFile ansi;
    const RunOutcome refused[] = {WriteBackupOf(unicode, usms, orphan),
                                  WriteBackupOf(ansi, sms, orphan)};
    EXPECT_EQ(refused[0].failedAt + refused[1].failedAt, "WriteRecordWriteRecord");
    EXPECT_EQ(refused[0].error, u"write sms error, folder is null.");
    EXPECT_EQ(refused[1].error, u""); // the ANSI one leaves the text as it was
}

TEST_F(BackupFileTest, TheReadingOperationsRefuseWithoutTouchingTheFile) {
    WriteHostFile(dir.path() / "backup.sms", "anything");
    AnsiBackupFile format;
    ExpectReadingRefused(format, sms, u"ANSI backup files cannot be read.");
    EXPECT_EQ(Contents("backup.sms"), "anything");
}

// Each record is handed to the system, but the disk is synced only when the file is done: the
// file's data once and its folder once, however many records there are. A writer whose file
// counts only when complete hands it to the system once, and writes the same bytes.
TEST_F(BackupFileTest, ABackupSyncsTwiceWhateverItsSize) {
    for (const std::size_t count : {1u, 50u}) {
        std::vector<MemoryRecord> many;
        std::generate_n(std::back_inserter(many), count, WorkedExampleMessage);
        AnsiBackupFile ansi;
        UnicodeBackupFile unicode;
        UnicodeBackupFile buffered;
        buffered.FlushEachRecord(false);
        for (BackupFile* format : std::initializer_list<BackupFile*>{&ansi, &unicode, &buffered}) {
            faults::ResetFileCounts();
            const std::u16string& path = format == &buffered ? dir.file("once.usms") : usms;
            ASSERT_TRUE(WriteBackupOf(*format, path, many).ok);
            EXPECT_EQ(faults::FileCallCount(faults::FileOp::Sync), 2) << count;
        }
        EXPECT_EQ(faults::FileCallCount(faults::FileOp::Flush), 1);
        EXPECT_EQ(Contents("once.usms"), Contents("backup.usms")) << count;
    }
}

} // namespace
