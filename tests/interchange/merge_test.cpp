// Merging files of every readable kind into one Unicode backup: the output is checked against
// the duplicate rule computed here from the messages themselves, not from digests; each part of
// the rule matters alone, and a damaged input or a stop leaves the earlier output as it was.
#include "files/unicode_backup_file.h"
#include "interchange/json_backup_file.h"
#include "interchange/xml_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"
#include "transfer/digest_set.h"
#include "transfer/merge.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>
#include <tuple>

namespace {

namespace fs = std::filesystem;

// Message i of a pool whose parts come from small sets, so that many messages coincide in some
// parts or in all four of the rule, while the fields the rule ignores always differ.
MemoryRecord PoolMessage(int i) {
    std::mt19937 random(static_cast<unsigned>(i));
    const auto pick = [&random](int n) { return static_cast<int>(random() % n); };
    static const std::u16string folders[] = {u"Inbox",  u"Inbox\\Work", u"Sentedbox",    u"Draft",
                                             u"Outbox", u"Wastebox",    u"Wastebox\\Old"};
    static const std::u16string numbers[] = {u"", u"+491", u"+492"};
    const std::u16string id = utf::Utf16(std::to_string(i));
    std::vector<Recipient> recipients;
    for (int r = pick(3); r > 0; --r) {
        recipients.emplace_back(numbers[1 + pick(2)], u"name " + id, 1 + pick(2));
    }
    const std::u16string body =
        pick(8) == 0 ? u"" : u"body \U0001F600 " + utf::Utf16(std::to_string(pick(30)));
    return MemoryRecord(
        MessageFields{kSmsMessageClass, folders[pick(7)],
                      U64ToFileTime(133000000000000000ull + static_cast<unsigned>(i)),
                      U64ToFileTime(133537248000000000ull + static_cast<unsigned>(pick(2) * 7)),
                      static_cast<DWORD>(pick(64)), static_cast<DWORD>(i), u"sender " + id,
                      numbers[pick(3)], body},
        std::move(recipients));
}

// The four parts of the rule, taken straight from the record.
using Identity =
    std::tuple<std::u16string, std::uint64_t, std::u16string, bool, std::vector<std::u16string>>;
Identity IdentityOf(MemoryRecord& message) {
    const std::u16string folder = message.folderPath();
    const std::u16string top = folder.substr(0, folder.find(u'\\'));
    const bool received =
        top == u"Inbox" || (top == u"Wastebox" && !message.senderNumber().empty());
    std::vector<std::u16string> party;
    if (received) {
        party.push_back(message.senderNumber());
    } else {
        for (const Recipient& recipient : message.recipients()) {
            party.push_back(recipient.address());
        }
    }
    return {folder, FileTimeToU64(message.deliveryTime()), message.body(), received, party};
}

class Merge : public ::testing::Test {
protected:
    std::u16string file(const std::string& name) const { return dir_.file(name); }
    std::string bytes(const std::string& name) const { return ReadHostFile(dir_.path() / name); }

    // Writes the pool messages of these numbers to name in the format.
    void Write(BackupFile&& format, const std::string& name, const std::vector<int>& numbers) {
        std::vector<MemoryRecord> messages;
        for (const int i : numbers) {
            messages.push_back(PoolMessage(i));
        }
        ASSERT_TRUE(RunBackup(format, file(name), messages).ok);
    }
    void Write(BackupFile&& format, const std::string& name, std::vector<MemoryRecord> messages) {
        ASSERT_TRUE(RunBackup(format, file(name), messages).ok);
    }
    // The bytes of a Unicode backup of exactly these messages.
    std::string Expected(std::vector<MemoryRecord> messages) {
        UnicodeBackupFile usms;
        EXPECT_TRUE(RunBackup(usms, file("expected.usms"), messages).ok);
        return bytes("expected.usms");
    }
    // The output is what it was before the run, and no partial file is beside it.
    void ExpectOutputUnchanged() const {
        EXPECT_EQ(bytes("out"), "earlier");
        EXPECT_FALSE(fs::exists(dir_.path() / "out.partial"));
    }

    TempDir dir_;
};

std::vector<int> Range(int from, int to) {
    std::vector<int> numbers;
    for (int i = from; i < to; ++i) {
        numbers.push_back(i);
    }
    return numbers;
}

TEST_F(Merge, KeepsTheFirstCopyOfEachMessageInTheOrderTheFilesGiveThem) {
    // Three kinds of file that overlap: the second repeats the first's tail backwards, the third
    // the second's tail, the first's head and one message twice.
    std::vector<int> second = Range(600, 1500);
    for (int i = 1199; i >= 900; --i) {
        second.push_back(i);
    }
    std::vector<int> third = Range(1300, 2000);
    for (const int i : Range(0, 300)) {
        third.push_back(i);
    }
    third.push_back(1700);
    const std::vector<std::vector<int>> inputs = {Range(0, 1200), second, third};
    Write(UnicodeBackupFile(), "a.usms", inputs[0]);
    Write(XmlBackupFile(), "b.xml", inputs[1]);
    Write(JsonBackupFile(), "c.json", inputs[2]);

    std::set<Identity> seen;
    std::vector<MemoryRecord> kept;
    std::size_t read = 0;
    for (const auto& numbers : inputs) {
        for (const int i : numbers) {
            MemoryRecord message = PoolMessage(i);
            ++read;
            if (seen.insert(IdentityOf(message)).second) {
                kept.push_back(std::move(message));
            }
        }
    }
    ASSERT_GT(read - kept.size(), 2000u); // overlaps and coincidences alike
    ASSERT_GT(kept.size(), 1000u);

    const MergeResult result =
        MergeFiles({file("a.usms"), file("b.xml"), file("c.json")}, file("out"));
    EXPECT_EQ(result.outcome, MergeResult::Outcome::Merged) << utf::Utf8(result.error);
    EXPECT_EQ(result.written, kept.size());
    EXPECT_EQ(result.duplicates, read - kept.size());
    const std::string expected = Expected(std::move(kept));
    EXPECT_TRUE(bytes("out") == expected) << "the output differs from the expected backup";

    // One file merged with itself, or with itself converted, is itself again.
    ASSERT_EQ(MergeFiles({file("a.usms")}, file("once")).outcome, MergeResult::Outcome::Merged);
    for (const char* copy : {"a.usms", "once"}) {
        ASSERT_EQ(MergeFiles({file("once"), file(copy)}, file("twice")).outcome,
                  MergeResult::Outcome::Merged);
        EXPECT_TRUE(bytes("twice") == bytes("once")) << copy;
    }
}

TEST_F(Merge, EachPartOfTheRuleTellsMessagesApartAndNoOtherFieldDoes) {
    const auto message = [](std::u16string folder, std::u16string number,
                            std::vector<std::u16string> addresses, std::u16string name = u"Anna") {
        std::vector<Recipient> recipients;
        for (auto& address : addresses) {
            recipients.emplace_back(std::move(address), name, 1);
        }
        return MemoryRecord(MessageFields{kSmsMessageClass, std::move(folder), FILETIME{5, 6},
                                          FILETIME{7, 8}, 1, 10, u"Bob", std::move(number),
                                          u"hello"},
                            std::move(recipients));
    };
    const auto received = [&message] { return message(u"Inbox", u"+1", {u"9"}); };
    const auto sent = [&message] { return message(u"Sentedbox", u"+1", {u"+2", u"+3"}); };
    using Change = std::function<void(MemoryRecord&)>;
    const std::tuple<std::string, std::function<MemoryRecord()>, Change, DWORD> cases[] = {
        // Each part alone makes another message.
        {"body", received, [](MemoryRecord& m) { m.setBody(u"hello!"); }, 2},
        {"time", received,
         [](MemoryRecord& m) {
             m.setDeliveryTime(FILETIME{8, 8});
         },
         2},
        {"folder", received, [](MemoryRecord& m) { m.setFolderPath(u"Inbox\\Work"); }, 2},
        {"sender number", received, [](MemoryRecord& m) { m.setSenderNumber(u"+4"); }, 2},
        {"recipients", sent, [](MemoryRecord& m) { m.appendRecipient(Recipient(u"+4", u"", 1)); },
         2},
        {"recipients' order",
         [&message] {
             return message(u"Outbox", u"", {u"+3", u"+2"});
         },
         [&message](MemoryRecord& m) {
             m = message(u"Outbox", u"", {u"+2", u"+3"});
         },
         2},
        // A deleted message received from +2 is not the one sent to +2.
        {"received or sent", [&message] { return message(u"Wastebox", u"+2", {}); },
         [](MemoryRecord& m) {
             m.setSenderNumber(u"");
             m.appendRecipient(Recipient(u"+2", u"", 1));
         },
         2},
        // What the rule leaves out does not.
        {"sender name", received, [](MemoryRecord& m) { m.setSenderName(u"Robert"); }, 1},
        {"flags, size, times", received,
         [](MemoryRecord& m) {
             m.setFlags(0);
             m.setSize(99);
             m.setLastModified(FILETIME{1, 1});
         },
         1},
        {"recipients of a received one", received,
         [](MemoryRecord& m) { m.appendRecipient(Recipient(u"+5", u"", 1)); }, 1},
        {"sender of a sent one", sent, [](MemoryRecord& m) { m.setSenderNumber(u"+9"); }, 1},
        {"recipients' names", sent,
         [&message](MemoryRecord& m) {
             m = message(u"Sentedbox", u"+1", {u"+2", u"+3"}, u"B");
         },
         1},
    };
    for (const auto& [part, make, change, written] : cases) {
        SCOPED_TRACE(part);
        std::vector<MemoryRecord> first;
        first.push_back(make());
        std::vector<MemoryRecord> second;
        second.push_back(make());
        change(second.back());
        Write(UnicodeBackupFile(), "a.usms", std::move(first));
        Write(JsonBackupFile(), "b.json", std::move(second));
        const MergeResult result = MergeFiles({file("a.usms"), file("b.json")}, file("out"));
        EXPECT_EQ(result.outcome, MergeResult::Outcome::Merged) << utf::Utf8(result.error);
        EXPECT_EQ(result.written, written);
        EXPECT_EQ(result.duplicates, 2u - written);
        if (written == 1) { // the first copy is the one kept
            EXPECT_EQ(bytes("out"), bytes("a.usms"));
        }
    }
}

TEST_F(Merge, ADamagedInputStopsItWithItsNameAndPlaceAndLeavesTheEarlierOutput) {
    Write(UnicodeBackupFile(), "a.usms", Range(0, 3000));
    Write(JsonBackupFile(), "b.json", Range(0, 3));
    const std::string json = bytes("b.json");
    WriteHostFile(dir_.path() / "bad.json", json + "{\"flags\":-1}\n");
    WriteHostFile(dir_.path() / "cut.xml", "<smses><sms body=\"x\" /><sms ");
    const std::string usms = bytes("a.usms");
    WriteHostFile(dir_.path() / "garbage.usms",
                  usms.substr(0, 20) + std::string(usms.size() - 20, '\x01'));
    WriteHostFile(dir_.path() / "calls.xml", "<?xml version='1.0'?><calls count='0'/>");
    const std::pair<const char*, std::string> cases[] = {
        {"bad.json", "read json error, line 4: \"flags\" must be a whole number"},
        {"cut.xml", "read xml error, line 1, column "},
        {"garbage.usms", "No.1:read sms error, "},
        {"missing", "cannot open the file, The system cannot find the file"},
        {"calls.xml", "read xml error, "},
    };
    for (const auto& [input, text] : cases) {
        SCOPED_TRACE(input);
        WriteHostFile(dir_.path() / "out", "earlier");
        const MergeResult result =
            MergeFiles({file("a.usms"), file(input), file("b.json")}, file("out"));
        EXPECT_EQ(result.outcome, MergeResult::Outcome::InputFailed);
        EXPECT_EQ(result.failedFile, file(input));
        EXPECT_TRUE(utf::Utf8(result.error).starts_with(text)) << utf::Utf8(result.error);
        ExpectOutputUnchanged();
    }
    WriteHostFile(dir_.path() / "out", "earlier");
    const MergeResult unwritable = MergeFiles({file("a.usms")}, file("no/out"));
    EXPECT_EQ(unwritable.outcome, MergeResult::Outcome::OutputFailed);
    EXPECT_TRUE(unwritable.failedFile.empty());
    ExpectOutputUnchanged();
}

TEST_F(Merge, StopsWhenAskedAndLeavesTheEarlierOutput) {
    Write(UnicodeBackupFile(), "a.usms", Range(0, 1000));
    Write(XmlBackupFile(), "b.xml", Range(500, 1500));
    for (const int after : {0, 1, 700, 1200}) { // 1200: inside the second file
        SCOPED_TRACE(after);
        int asked = 0;
        WriteHostFile(dir_.path() / "out", "earlier");
        const MergeResult result = MergeFiles({file("a.usms"), file("b.xml")}, file("out"),
                                              [&asked, after] { return asked++ >= after; });
        EXPECT_EQ(result.outcome, MergeResult::Outcome::Stopped);
        EXPECT_EQ(result.written + result.duplicates, static_cast<unsigned>(after));
        ExpectOutputUnchanged();
    }
}

TEST(DigestSet, HoldsEachDigestOnceAcrossGrowth) {
    std::mt19937_64 random(7);
    std::vector<MessageDigest> digests(50000);
    for (MessageDigest& digest : digests) {
        for (auto& byte : digest) {
            byte = static_cast<std::uint8_t>(random());
        }
    }
    digests[123] = MessageDigest{}; // the one that marks a free slot
    digests[124][0] = 1;
    std::fill(digests[124].begin() + 1, digests[124].end(), 0);
    DigestSet set;
    for (const MessageDigest& digest : digests) {
        EXPECT_TRUE(set.Insert(digest));
    }
    for (const MessageDigest& digest : digests) {
        EXPECT_FALSE(set.Insert(digest));
    }
}

} // namespace
