// Backup files the tool is given that are not sound backups, and restores that look before they
// write: what a file looks like, salvage, control characters in listings, the dry run.
#include "cli_runner.h"
#include "files/unicode_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>

using namespace std::string_literals;

namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path().string()] = ReadHostFile(entry.path());
        }
    }
    return files;
}

class CliFiles : public ::testing::Test {
protected:
    fs::path file(const std::string& name) const { return dir_.path() / name; }
    // A Unicode backup of count copies of the worked example, 110 bytes a record.
    std::string examples(const std::string& name, int count) {
        std::vector<MemoryRecord> messages;
        for (int i = 0; i < count; ++i) {
            messages.push_back(WorkedExampleMessage());
        }
        UnicodeBackupFile format;
        EXPECT_TRUE(RunBackup(format, utf::Utf16(file(name).string()), messages).ok);
        return ReadHostFile(file(name));
    }
    TempDir dir_;
};

TEST_F(CliFiles, AFileThatIsNoBackupIsNamedWithWhatItLooksLike) {
    const std::string usms = examples("five.usms", 5);
    const struct {
        std::string name;
        std::string bytes;
        std::string looks;
    } cases[] = {
        {"x.csv", "\xEF\xBB\xBF\"Class Name\",\"Folder\"\r\n", "a CSV export"},
        {"x.txt", "\xFF\xFES\0e\0n\0d\0e\0r\0:\0 \0"s, "a text export"},
        {"x.sms", usms.substr(0, 20) + "IPM.SMStext\nInbox\n", "an ANSI backup"},
        {"x.json", "  [{\"body\": \"hi\"}]", "a JSON file"},
        {"cut.usms", usms.substr(0, 300), "a damaged Unicode backup"},
        {"empty.usms", "", "an empty file"},
        {"x.bin", "\x01\x02\x03", "a file of an unknown kind"},
    };
    const CliResult device = RunCliOn(file("dev"), {"device", "init"});
    ASSERT_EQ(device.status, 0);
    for (const auto& c : cases) {
        WriteHostFile(file(c.name), c.bytes);
        const CliResult inspect = RunCli({"inspect", file(c.name).string()});
        EXPECT_EQ(inspect.status, 1);
        EXPECT_TRUE(Has(inspect.err, file(c.name).string() +
                                         ": File Validation Failed. It looks "
                                         "like " +
                                         c.looks))
            << inspect.err;
        const CliResult restore = RunCliOn(file("dev"), {"restore", file(c.name).string()});
        EXPECT_EQ(restore.status, 1);
        EXPECT_EQ(restore.out, "File Validation Failed.\n"); // the job's own text, unchanged
        EXPECT_TRUE(Has(restore.err, file(c.name).string()) && Has(restore.err, c.looks))
            << restore.err;
    }
}

TEST_F(CliFiles, SalvageRecoversExactlyTheRecordsThatReadWhole) {
    const std::string whole = examples("five.usms", 5);
    ASSERT_EQ(whole.size(), 20u + 5 * 110);
    std::string flipped = whole;
    flipped[3] ^= 0x10; // the digest
    std::string damaged = whole;
    damaged[20 + 2 * 110] = 'X'; // the class of the third record
    const struct {
        std::string name;
        std::string bytes;
        int recovered;
        std::string stop;
    } cases[] = {
        {"flipped", flipped, 5, "reading stopped at byte 570: the end of the file."},
        {"damaged", damaged, 2, "reading stopped at byte 240: message 3 is damaged."},
        {"cut19", whole.substr(0, 19), 0, "the file is shorter than its 20-byte header."},
        {"cut20", whole.substr(0, 20), 0, "at byte 20: the end of the file."},
        {"cut129", whole.substr(0, 129), 0, "at byte 20: the file ends inside message 1."},
        {"cut130", whole.substr(0, 130), 1, "at byte 130: the end of the file."},
        {"cut569", whole.substr(0, 569), 4, "at byte 460: the file ends inside message 5."},
        {"longer", whole + "x", 5, "at byte 570: the file ends inside message 6."},
    };
    for (const auto& c : cases) {
        WriteHostFile(file(c.name), c.bytes);
        const fs::path out = file(c.name + ".out.usms");
        const CliResult r = RunCli({"salvage", file(c.name).string(), out.string()});
        EXPECT_EQ(r.status, 0) << c.name << r.err;
        EXPECT_TRUE(Has(r.out, "Salvaged " + std::to_string(c.recovered))) << r.out;
        EXPECT_TRUE(Has(r.out, c.stop)) << c.name << ": " << r.out;
        // The new file is exactly a backup of the records that were recovered.
        EXPECT_EQ(ReadHostFile(out), examples("expected.usms", c.recovered)) << c.name;
        EXPECT_EQ(RunCli({"inspect", out.string()}).status, 0) << c.name;
    }
    WriteHostFile(file("a.csv"), "\"Class Name\",\"Folder\"\n");
    const CliResult refused = RunCli({"salvage", file("a.csv").string(), file("b").string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Has(refused.err, "a CSV export")) << refused.err;
    EXPECT_FALSE(fs::exists(file("b")));
}

TEST_F(CliFiles, ListingsShowControlCharactersInsteadOfSendingThem) {
    MessageFields fields;
    fields.messageClass = u"IPM.SMStext";
    fields.folderPath = u"Inbox";
    fields.lastModified = fields.deliveryTime = FILETIME{1, 1};
    fields.senderName = u"Mal\r\nlory";
    fields.senderNumber = u"5\x1b]0;pwned\x07";
    fields.body = u"line one\nclear \x1b[2J\x9b";
    std::vector<MemoryRecord> messages;
    messages.emplace_back(fields, std::vector<Recipient>{});
    UnicodeBackupFile format;
    ASSERT_TRUE(RunBackup(format, utf::Utf16(file("evil.usms").string()), messages).ok);
    ASSERT_EQ(RunCliOn(file("dev"), {"device", "init"}).status, 0);
    ASSERT_EQ(RunCliOn(file("dev"), {"restore", file("evil.usms").string()}).status, 0);

    const CliResult inspect = RunCli({"inspect", file("evil.usms").string()});
    const CliResult list = RunCliOn(file("dev"), {"device", "list"});
    for (const CliResult* r : {&inspect, &list}) {
        EXPECT_EQ(r->status, 0);
        EXPECT_EQ(r->out.find_first_of("\x1b\x07\r"), std::string::npos) << r->out;
        EXPECT_EQ(r->out.find("\xC2\x9B"), std::string::npos);
        EXPECT_TRUE(Has(r->out, "Mal\\x0D\\x0Alory")) << r->out;
        EXPECT_TRUE(Has(r->out, "5\\x1B]0;pwned\\x07")) << r->out;
        EXPECT_TRUE(Has(r->out, "clear \\x1B[2J\\u009B")) << r->out;
    }
    EXPECT_TRUE(Has(inspect.out, "line one\nclear")); // a body keeps its line breaks
    EXPECT_TRUE(Has(list.out, "line one\\x0Aclear")); // a listing line does not
}

TEST_F(CliFiles, DryRunWritesNothingAndCountsWhatTheRestoreThenDoes) {
    const fs::path demo = file("demo");
    const fs::path half = file("half");
    ASSERT_EQ(RunCliOn(demo, {"device", "init", "--demo"}).status, 0);
    ASSERT_EQ(RunCliOn(half, {"device", "init"}).status, 0);
    const std::string all = file("all.usms").string();
    const std::string inbox = file("inbox.usms").string();
    ASSERT_EQ(RunCliOn(demo, {"backup", "usms", all}).status, 0);
    ASSERT_EQ(RunCliOn(demo, {"backup", "usms", inbox, "--folders", "Inbox"}).status, 0);
    ASSERT_EQ(RunCliOn(half, {"restore", inbox}).status, 0);
    // The file holds one record twice: the second replaces the first.
    examples("twice.usms", 2);

    const struct {
        std::string file;
        std::string dryRun;
        int added;
    } cases[] = {
        {all, "Dry run: 17 to add, 25 to replace.\n", 17},
        {all, "Dry run: 0 to add, 42 to replace.\n", 0},
        {file("twice.usms").string(), "Dry run: 1 to add, 1 to replace.\n", 1},
    };
    for (const auto& c : cases) {
        const auto before = Snapshot(half);
        const CliResult dry = RunCliOn(half, {"restore", "--dry-run", c.file});
        EXPECT_EQ(dry.status, 0) << dry.err;
        EXPECT_EQ(dry.out, c.dryRun);
        EXPECT_EQ(Snapshot(half), before) << "a dry run changed the handset";
        const std::string count = file("count.usms").string();
        ASSERT_EQ(RunCliOn(half, {"backup", "usms", count}).status, 0);
        const std::string totalBefore = RunCli({"inspect", count}).out.substr(0, 12);
        ASSERT_EQ(RunCliOn(half, {"restore", c.file}).status, 0);
        ASSERT_EQ(RunCliOn(half, {"backup", "usms", count}).status, 0);
        const std::string totalAfter = RunCli({"inspect", count}).out.substr(0, 12);
        EXPECT_EQ(std::stoi(totalAfter.substr(7)), std::stoi(totalBefore.substr(7)) + c.added);
    }

    // Where the restore would stop, the dry run stops with the same text, and writes nothing.
    const std::string bytes = ReadHostFile(all);
    WriteHostFile(file("garbage.usms"), bytes.substr(0, 20) + std::string(bytes.size() - 20, 1));
    const auto before = Snapshot(half);
    const CliResult dry = RunCliOn(half, {"restore", "--dry-run", file("garbage.usms").string()});
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(dry.out, "No.1:read sms error, Reached the end of the file.\n");
    EXPECT_EQ(Snapshot(half), before);
    const CliResult real = RunCliOn(half, {"restore", file("garbage.usms").string()});
    EXPECT_EQ(real.out, dry.out);
}

} // namespace
