// The transfer layer's commands as the tool and later callers use them: convert, salvage and
// merge end with an outcome that says whose fault a failure was, stop when asked, and never leave
// a partial or changed output behind; inspect hands on what it reads. Merge's output is checked
// against the duplicate rule computed here from the messages themselves, not from digests; each
// part of the rule matters alone.
#include "files/unicode_backup_file.h"
#include "interchange/json_backup_file.h"
#include "interchange/xml_backup_file.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"
#include "transfer/backup_input.h"
#include "transfer/convert.h"
#include "transfer/digest_set.h"
#include "transfer/inspect.h"
#include "transfer/merge.h"
#include "transfer/message_digest.h"
#include "transfer/salvage.h"

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

// The pool numbers of each span in turn; a span counts down when it starts above its end.
std::vector<int> Spans(std::initializer_list<std::pair<int, int>> spans) {
    std::vector<int> numbers;
    for (const auto& [from, to] : spans) {
        for (int i = from; i != to; i += from < to ? 1 : -1) {
            numbers.push_back(i);
        }
    }
    return numbers;
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

class Transfer : public ::testing::Test {
protected:
    std::u16string file(const std::string& name) const { return dir_.file(name); }
    std::string bytes(const std::string& name) const { return ReadHostFile(dir_.path() / name); }
    void Put(const std::string& name, const std::string& bytes) const {
        WriteHostFile(dir_.path() / name, bytes);
    }
    // Writes these messages to name in the format; returns its bytes.
    std::string Write(BackupFile&& format, const std::string& name,
                      std::vector<MemoryRecord> messages) {
        EXPECT_TRUE(WriteBackupOf(format, file(name), messages).ok);
        return bytes(name);
    }
    // The same with the pool messages of these numbers.
    std::string Write(BackupFile&& format, const std::string& name, const std::vector<int>& pool) {
        std::vector<MemoryRecord> messages;
        for (const int i : pool) {
            messages.push_back(PoolMessage(i));
        }
        return Write(std::move(format), name, std::move(messages));
    }
    // The output is what it was before the run, and no partial file is beside it.
    void ExpectOutputUnchanged() const {
        EXPECT_EQ(bytes("out"), "earlier");
        EXPECT_FALSE(fs::exists(dir_.path() / "out.partial"));
    }

    TempDir dir_;
};

TEST_F(Transfer, ADamagedInputFailsConvertAndMergeWithItsPlaceAndLeavesTheEarlierOutput) {
    Write(UnicodeBackupFile(), "a.usms", Spans({{0, 3000}}));
    Write(JsonBackupFile(), "b.json", Spans({{0, 3}}));
    // Thousands of messages, then damage: the reading thread has handed on batches before it.
    const std::string xml = Write(XmlBackupFile(), "a.xml", Spans({{0, 3000}}));
    Put("cut.xml", xml.substr(0, xml.size() * 2 / 3));
    Put("a.csv", "\"Class Name\",\"Folder\"\r\n");
    // The readers' own texts for each kind of damage are checked where the readers are.
    const std::pair<const char*, std::string> cases[] = {
        {"cut.xml", "read xml error, line "},
        {"missing", "cannot open the file, The system cannot find the file"},
        {"a.csv",
         "File Validation Failed. It looks like a CSV export, not a Unicode backup (.usms)."},
    };
    for (const auto& [input, text] : cases) {
        SCOPED_TRACE(input);
        Put("out", "earlier");
        JsonBackupFile json;
        const ConvertResult converted = ConvertFile(file(input), json, file("out"));
        EXPECT_EQ(converted.outcome, TransferOutcome::InputFailed);
        EXPECT_EQ(converted.failedFile, file(input));
        EXPECT_TRUE(utf::Utf8(converted.error).starts_with(text)) << utf::Utf8(converted.error);
        ExpectOutputUnchanged();
    }
    // Merge reads through the same readers, each file on a reading thread of its own.
    const MergeResult damaged =
        MergeFiles({file("a.usms"), file("cut.xml"), file("b.json")}, file("out"));
    EXPECT_EQ(damaged.outcome, TransferOutcome::InputFailed);
    EXPECT_EQ(damaged.failedFile, file("cut.xml"));
    EXPECT_TRUE(utf::Utf8(damaged.error).starts_with("read xml error, line "))
        << utf::Utf8(damaged.error);
    ExpectOutputUnchanged();
    JsonBackupFile json;
    const ConvertResult converted = ConvertFile(file("a.usms"), json, file("no/out"));
    EXPECT_EQ(converted.outcome, TransferOutcome::OutputFailed);
    EXPECT_TRUE(utf::Utf8(converted.error).starts_with("begin backup error, "))
        << utf::Utf8(converted.error);
    const MergeResult merged = MergeFiles({file("a.usms")}, file("no/out"));
    EXPECT_EQ(merged.outcome, TransferOutcome::OutputFailed);
    EXPECT_TRUE(merged.failedFile.empty());
    ExpectOutputUnchanged();
}

// Convert, merge and salvage with the n-th file call failing, once or from then on, or the disk
// full after n - 1 steps, for n = 1, 2, ... until a run no longer reaches call n: each run gives
// the whole output or leaves the earlier one, with no partial file and no file left open.
TEST_F(Transfer, FileFaultsLeaveTheEarlierOutputOrTheWholeOne) {
    Write(UnicodeBackupFile(), "a.usms", Spans({{0, 100}}));
    Write(JsonBackupFile(), "b.json", Spans({{50, 200}}));
    Write(XmlBackupFile(), "c.xml", Spans({{50, 200}}));
    const int handles = OpenFileHandleCount();
    // Convert of both phone formats, merge with a JSON and with an XML input, salvage of each
    // kind of file.
    const auto convert = [&](const char* name) {
        UnicodeBackupFile usms;
        return ConvertFile(file(name), usms, file("out")).outcome;
    };
    const auto merge = [&](const char* first, const char* second) {
        return MergeFiles({file(first), file(second)}, file("out")).outcome;
    };
    const auto salvage = [&](const char* name) {
        return SalvageFile(file(name), file("out")).outcome;
    };
    const std::function<TransferOutcome()> jobs[] = {
        [&] { return convert("b.json"); }, [&] { return merge("a.usms", "b.json"); },
        [&] { return salvage("a.usms"); }, [&] { return salvage("b.json"); },
        [&] { return convert("c.xml"); },  [&] { return merge("c.xml", "b.json"); },
        [&] { return salvage("c.xml"); },
    };
    const auto run = [&](std::size_t job) { return jobs[job]() == TransferOutcome::Done; };
    for (std::size_t job = 0; job < std::size(jobs); ++job) {
        ASSERT_TRUE(run(job)) << job;
        const std::string whole = bytes("out");
        for (const int sweep : {0, 1, 2}) { // once, from then on, disk full
            bool reached = true;
            for (int n = 1; reached; ++n) {
                SCOPED_TRACE(testing::Message()
                             << "job " << job << " sweep " << sweep << " n " << n);
                Put("out", "earlier");
                const faults::FileFaultGuard disarm;
                sweep == 2
                    ? faults::ArmDiskFull(16384ull * static_cast<unsigned>(n - 1))
                    : faults::ArmFileFault(faults::FileOp::Any, n, ERROR_DISK_FULL, sweep == 1);
                const bool ok = run(job);
                reached = sweep == 2 ? faults::DiskFilled()
                                     : faults::FileCallCount(faults::FileOp::Any) >= n;
                // A reported failure leaves the earlier file, a success the whole new one.
                EXPECT_TRUE(bytes("out") == (ok ? whole : "earlier")) << "succeeded: " << ok;
                EXPECT_FALSE(fs::exists(dir_.path() / "out.partial"));
                EXPECT_EQ(OpenFileHandleCount(), handles);
            }
        }
    }
}

TEST_F(Transfer, ConvertSalvageAndMergeStopWhenAskedAndLeaveTheEarlierOutput) {
    Write(UnicodeBackupFile(), "a.usms", Spans({{0, 1000}}));
    Write(XmlBackupFile(), "b.xml", Spans({{500, 1500}}));
    for (const int after : {0, 1, 700, 1200}) { // 1200: inside merge's second file
        SCOPED_TRACE(after);
        int asked = 0;
        const StopCheck stop = [&asked, after] { return asked++ >= after; };
        Put("out", "earlier");
        const MergeResult merged = MergeFiles({file("a.usms"), file("b.xml")}, file("out"), stop);
        EXPECT_EQ(merged.outcome, TransferOutcome::Stopped);
        EXPECT_EQ(merged.written + merged.duplicates, static_cast<unsigned>(after));
        ExpectOutputUnchanged();
        if (after > 1000) {
            continue; // past a.usms: convert and salvage would be done
        }
        asked = 0;
        XmlBackupFile xml;
        const ConvertResult converted = ConvertFile(file("a.usms"), xml, file("out"), stop);
        EXPECT_EQ(converted.outcome, TransferOutcome::Stopped);
        EXPECT_EQ(converted.written, static_cast<DWORD>(after));
        ExpectOutputUnchanged();
        asked = 0;
        EXPECT_EQ(SalvageFile(file("a.usms"), file("out"), stop).outcome, TransferOutcome::Stopped);
        ExpectOutputUnchanged();
    }
}

// A reader whose open succeeds, whose check or total fails as chosen, and whose close fails too.
class FailingReader final : public BackupFile {
public:
    explicit FailingReader(bool checkFails) : checkFails_(checkFails) {}

    bool OpenForRead(std::u16string, HANDLE&, std::u16string&) override { return true; }
    bool ReadRecord(HANDLE, MessageFields&, std::vector<Recipient>&, std::u16string&) override {
        return false;
    }
    bool CheckValidation(HANDLE, std::u16string& error) override {
        error = u"the check failed";
        return !checkFails_;
    }
    bool ReadTotal(HANDLE, DWORD&, std::u16string& error) override {
        error = u"the total failed";
        return false;
    }
    bool CloseAfterRead(HANDLE, std::u16string& error) override {
        error = u"the close failed";
        return false;
    }
    bool OpenForWrite(std::u16string, HANDLE&, std::u16string&) override { return false; }
    bool SkipValidationArea(HANDLE, std::u16string&) override { return false; }
    bool WriteTotal(HANDLE, DWORD, std::u16string&) override { return false; }
    bool WriteRecord(HANDLE, MessageRecord&, std::u16string&) override { return false; }
    bool WriteValidation(HANDLE, std::u16string&) override { return false; }
    bool CloseAfterWrite(HANDLE, std::u16string&) override { return false; }

private:
    bool checkFails_;
};

TEST(OpenBackup, AFailedCheckOrTotalKeepsItsTextWhenTheCloseAfterItFailsToo) {
    for (const bool checkFails : {true, false}) {
        FailingReader reader(checkFails);
        DWORD total = 0;
        std::u16string error;
        EXPECT_FALSE(OpenBackup(reader, u"file", total, error));
        EXPECT_EQ(utf::Utf8(error), checkFails ? "the check failed" : "the total failed");
    }
}

TEST_F(Transfer, InspectHandsOnTheTotalWhatWasSkippedAndEveryRecord) {
    Put("a.xml", "<smses><sms body=\"one\" /><mms><part /></mms>\n<sms body=\"two\" /></smses>");
    std::vector<std::string> seen;
    const InspectResult result = InspectFile(
        file("a.xml"),
        [&seen](DWORD total, unsigned long skipped) {
            seen.push_back(std::to_string(total) + " " + std::to_string(skipped));
        },
        [&seen](DWORD number, MemoryRecord& record) {
            seen.push_back(std::to_string(number) + utf::Utf8(record.body()));
        });
    EXPECT_TRUE(result.ok) << utf::Utf8(result.error);
    EXPECT_EQ(seen, (std::vector<std::string>{"2 1", "1one", "2two"}));
}

TEST_F(Transfer, SalvageRefusesWhatIsNoBackupAndCountsWhatItRecovered) {
    const std::string usms = Write(UnicodeBackupFile(), "a.usms", Spans({{0, 5}}));
    Put("cut.usms", usms.substr(0, usms.size() - 1));
    Put("calls.xml", "<?xml version='1.0'?><calls count='0'/>");
    Put("out", "earlier");
    const SalvageResult refused = SalvageFile(file("calls.xml"), file("out"));
    EXPECT_EQ(refused.outcome, TransferOutcome::InputFailed);
    EXPECT_EQ(refused.failedFile, file("calls.xml"));
    EXPECT_EQ(utf::Utf8(refused.error),
              "nothing to salvage. It looks like a phone call log, not a Unicode backup (.usms).");
    ExpectOutputUnchanged();
    const SalvageResult salvaged = SalvageFile(file("cut.usms"), file("out"));
    EXPECT_EQ(salvaged.outcome, TransferOutcome::Done);
    EXPECT_EQ(salvaged.recovered, 4u);
    EXPECT_EQ(salvaged.declaredTotal, 5u);
    EXPECT_EQ(salvaged.stopReason, "the file ends inside message 5");
    EXPECT_EQ(bytes("out"), Write(UnicodeBackupFile(), "four.usms", Spans({{0, 4}})));
}

TEST_F(Transfer, MergeKeepsTheFirstCopyOfEachMessageInTheOrderTheFilesGiveThem) {
    // Three kinds of file that overlap: the second repeats the first's tail backwards, the third
    // the second's tail, the first's head and one message twice.
    const std::vector<std::vector<int>> inputs = {Spans({{0, 1200}}),
                                                  Spans({{600, 1500}, {1199, 899}}),
                                                  Spans({{1300, 2000}, {0, 300}, {1700, 1701}})};
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
    EXPECT_EQ(result.outcome, TransferOutcome::Done) << utf::Utf8(result.error);
    EXPECT_EQ(result.written, kept.size());
    EXPECT_EQ(result.duplicates, read - kept.size());
    EXPECT_TRUE(bytes("out") == Write(UnicodeBackupFile(), "expected.usms", std::move(kept)))
        << "the output differs from the expected backup";
}

// A message from Bob +1 with body hello, in the folder, to up to two addresses of that name.
MemoryRecord Message(std::u16string folder, std::u16string number, std::u16string to = u"",
                     std::u16string alsoTo = u"", const std::u16string& name = u"Anna") {
    std::vector<Recipient> recipients;
    for (std::u16string* address : {&to, &alsoTo}) {
        if (!address->empty()) {
            recipients.emplace_back(std::move(*address), name, 1);
        }
    }
    return MemoryRecord(MessageFields{kSmsMessageClass, std::move(folder), FILETIME{5, 6},
                                      FILETIME{7, 8}, 1, 10, u"Bob", std::move(number), u"hello"},
                        std::move(recipients));
}

TEST_F(Transfer, MergeTellsMessagesApartByEachPartOfTheRuleAndByNoOtherField) {
    const auto received = [] { return Message(u"Inbox", u"+1", u"9"); };
    const auto sent = [] { return Message(u"Sentedbox", u"+1", u"+2", u"+3"); };
    using Change = std::function<void(MemoryRecord&)>;
    const std::tuple<std::string, std::function<MemoryRecord()>, Change, DWORD> cases[] = {
        // Each part alone makes another message.
        {"body", received, [](MemoryRecord& m) { m.setBody(u"hello!"); }, 2},
        {"time", received, [](MemoryRecord& m) { m.setDeliveryTime(U64ToFileTime(9)); }, 2},
        {"folder", received, [](MemoryRecord& m) { m.setFolderPath(u"Inbox\\Work"); }, 2},
        {"sender number", received, [](MemoryRecord& m) { m.setSenderNumber(u"+4"); }, 2},
        {"recipients", sent, [](MemoryRecord& m) { m.appendRecipient(Recipient(u"+4", u"", 1)); },
         2},
        {"recipients' order", [] { return Message(u"Outbox", u"", u"+3", u"+2"); },
         [](MemoryRecord& m) { m = Message(u"Outbox", u"", u"+2", u"+3"); }, 2},
        // A deleted message received from +2 is not the one sent to +2.
        {"received or sent", [] { return Message(u"Wastebox", u"+2"); },
         [](MemoryRecord& m) { m = Message(u"Wastebox", u"", u"+2"); }, 2},
        // What the rule leaves out does not.
        {"sender name", received, [](MemoryRecord& m) { m.setSenderName(u"Robert"); }, 1},
        {"flags", received, [](MemoryRecord& m) { m.setFlags(0); }, 1},
        {"size", received, [](MemoryRecord& m) { m.setSize(99); }, 1},
        {"last modified", received, [](MemoryRecord& m) { m.setLastModified(U64ToFileTime(1)); },
         1},
        {"recipients of a received one", received,
         [](MemoryRecord& m) { m.appendRecipient(Recipient(u"+5", u"", 1)); }, 1},
        {"sender of a sent one", sent, [](MemoryRecord& m) { m.setSenderNumber(u"+9"); }, 1},
        {"recipients' names", sent,
         [](MemoryRecord& m) { m = Message(u"Sentedbox", u"+1", u"+2", u"+3", u"B"); }, 1},
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
        EXPECT_EQ(result.outcome, TransferOutcome::Done) << utf::Utf8(result.error);
        EXPECT_EQ(result.written, written);
        EXPECT_EQ(result.duplicates, 2u - written);
        if (written == 1) { // the first copy is the one kept
            EXPECT_EQ(bytes("out"), bytes("a.usms"));
        }
    }
}

// With no room reserved, less than is filled and more: the table grows past what was reserved.
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
    for (const std::size_t reserved : {0u, 3000u, 200000u}) {
        SCOPED_TRACE(reserved);
        DigestSet set;
        set.Reserve(reserved);
        for (std::size_t i = 0; i < digests.size(); ++i) {
            EXPECT_TRUE(set.Insert(digests[i]));
            if (i == digests.size() / 2) {
                set.Reserve(digests.size()); // the half held so far moves to the larger table
            }
        }
        for (const MessageDigest& digest : digests) {
            EXPECT_FALSE(set.Insert(digest));
        }
    }
}

// The first half of SHA-256 over the parts of the rule laid out as below, worked out apart from
// the program: each text after its length in units, numbers in eight little-endian bytes, the
// delivery time, then "r" and the sender number, or "s", the count and each recipient's number.
TEST(MessageDigester, DigestsThePartsOfTheRuleWithSha256) {
    const auto at = [](std::uint64_t time) { return U64ToFileTime(time); };
    const auto received = [&] {
        return MemoryRecord(MessageFields{kSmsMessageClass, u"Inbox", at(1),
                                          at(133537248000000000ull), 5, 6, u"ignored",
                                          u"+4915112345678", u"Hi \U0001F600"},
                            {});
    };
    const auto sent = [&] {
        std::vector<Recipient> recipients;
        recipients.emplace_back(u"+491", u"ignored", 1);
        recipients.emplace_back(u"555", u"", 2);
        return MemoryRecord(MessageFields{kSmsMessageClass, u"Sentedbox", at(2),
                                          at(133537248000000007ull), 0, 0, u"", u"", u""},
                            std::move(recipients));
    };
    const std::pair<std::function<MemoryRecord()>, std::string> cases[] = {
        {received, "5bbc799e32c6b27c798194393fccd572"},
        {sent, "421ea70eaa27c041d044cafad49f7c53"},
    };
    MessageDigester digester; // one for both, as a worker keeps it from message to message
    for (const auto& [make, expected] : cases) {
        MemoryRecord message = make();
        MessageDigest digest{};
        ASSERT_TRUE(digester.Digest(message, digest));
        std::string hex;
        for (const std::uint8_t byte : digest) {
            static constexpr char kDigits[] = "0123456789abcdef";
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 15];
        }
        EXPECT_EQ(hex, expected);
    }
}

} // namespace
