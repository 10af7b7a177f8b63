// Files the tool is given that are not sound backups, and restores that look before they write:
// what a file looks like, salvage, control characters in listings, the dry run.
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
std::map<fs::path, std::string> Snapshot(const fs::path& folder) {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path()] = ReadHostFile(entry.path());
        }
    }
    return files;
}

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RunCliOn(device(), {"device", "init"}).status, 0); }
    fs::path device() const { return dir_.path() / "dev"; }
    std::string file(const std::string& name) const { return (dir_.path() / name).string(); }
    // A Unicode backup of these messages, or of count copies of the worked example (110 bytes
    // a record).
    std::string backup(const std::string& name, std::vector<MemoryRecord> messages) {
        UnicodeBackupFile format;
        EXPECT_TRUE(RunBackup(format, utf::Utf16(file(name)), messages).ok);
        return ReadHostFile(file(name));
    }
    std::string examples(const std::string& name, int count) {
        std::vector<MemoryRecord> messages;
        while (count-- > 0) {
            messages.push_back(WorkedExampleMessage());
        }
        return backup(name, std::move(messages));
    }
    TempDir dir_;
};

TEST_F(CliFiles, AFileThatIsNoBackupIsNamedWithWhatItLooksLike) {
    const std::string usms = examples("five.usms", 5);
    const std::pair<std::string, std::string> cases[] = {
        {"\xEF\xBB\xBF\"Class Name\",\"Folder\"\r\n", "a CSV export"},
        {"\xFF\xFES\0e\0n\0d\0e\0r\0:\0 \0"s, "a text export"},
        {usms.substr(0, 20) + "IPM.SMStext\nInbox\n", "an ANSI backup"},
        {"  [{\"body\": \"hi\"}]", "a JSON file"},
        {usms.substr(0, 300), "a damaged Unicode backup"},
        {"", "an empty file"},
        {"\x01\x02\x03", "a file of an unknown kind"},
    };
    for (const auto& [bytes, looks] : cases) {
        WriteHostFile(file("x.usms"), bytes);
        const CliResult inspect = RunCli({"inspect", file("x.usms")});
        EXPECT_EQ(inspect.status, 1);
        EXPECT_TRUE(
            Has(inspect.err, file("x.usms") + ": File Validation Failed. It looks like " + looks))
            << inspect.err;
        const CliResult restore = RunCliOn(device(), {"restore", file("x.usms")});
        EXPECT_EQ(restore.status, 1);
        EXPECT_EQ(restore.out, "File Validation Failed.\n"); // the job's own text, unchanged
        EXPECT_TRUE(Has(restore.err, file("x.usms")) && Has(restore.err, looks)) << restore.err;
    }
    WriteHostFile(file("a.csv"), "\"Class Name\",\"Folder\"\n");
    const CliResult salvage = RunCli({"salvage", file("a.csv"), file("b")});
    EXPECT_EQ(salvage.status, 1);
    EXPECT_TRUE(Has(salvage.err, "a CSV export")) << salvage.err;
    EXPECT_FALSE(fs::exists(file("b")));
}

TEST_F(CliFiles, SalvageRecoversExactlyTheRecordsThatReadWhole) {
    const std::string whole = examples("five.usms", 5);
    ASSERT_EQ(whole.size(), 20u + 5 * 110);
    std::string flipped = whole;
    flipped[3] ^= 0x10; // the digest
    std::string damaged = whole;
    damaged[20 + 2 * 110] = 'X'; // the class of the third record
    const std::tuple<std::string, int, std::string> cases[] = {
        {flipped, 5, "reading stopped at byte 570: the end of the file."},
        {damaged, 2, "reading stopped at byte 240: message 3 is damaged."},
        {whole.substr(0, 19), 0, "the file is shorter than its 20-byte header."},
        {whole.substr(0, 20), 0, "at byte 20: the end of the file."},
        {whole.substr(0, 129), 0, "at byte 20: the file ends inside message 1."},
        {whole.substr(0, 130), 1, "at byte 130: the end of the file."},
        {whole.substr(0, 569), 4, "at byte 460: the file ends inside message 5."},
        {whole + "x", 5, "at byte 570: the file ends inside message 6."},
    };
    for (const auto& [bytes, recovered, stop] : cases) {
        WriteHostFile(file("in"), bytes);
        const CliResult r = RunCli({"salvage", file("in"), file("out.usms")});
        EXPECT_EQ(r.status, 0) << stop << r.err;
        EXPECT_TRUE(Has(r.out, "Salvaged " + std::to_string(recovered))) << r.out;
        EXPECT_TRUE(Has(r.out, stop)) << r.out;
        // The new file is exactly a backup of the records that were recovered.
        EXPECT_EQ(ReadHostFile(file("out.usms")), examples("expected.usms", recovered)) << stop;
    }
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
    backup("evil.usms", std::move(messages));
    ASSERT_EQ(RunCliOn(device(), {"restore", file("evil.usms")}).status, 0);
    const CliResult inspect = RunCli({"inspect", file("evil.usms")});
    const CliResult list = RunCliOn(device(), {"device", "list"});
    for (const CliResult* r : {&inspect, &list}) {
        EXPECT_EQ(r->status, 0);
        EXPECT_EQ(r->out.find_first_of("\x1b\x07\r"), std::string::npos) << r->out;
        EXPECT_FALSE(Has(r->out, "\xC2\x9B"));
        for (const char* shown :
             {"Mal\\x0D\\x0Alory", "5\\x1B]0;pwned\\x07", "clear \\x1B[2J\\u009B"}) {
            EXPECT_TRUE(Has(r->out, shown)) << r->out;
        }
    }
    EXPECT_TRUE(Has(inspect.out, "line one\nclear")); // a body keeps its line breaks
    EXPECT_TRUE(Has(list.out, "line one\\x0Aclear")); // a listing line does not
}

TEST_F(CliFiles, DryRunWritesNothingAndCountsWhatTheRestoreThenDoes) {
    const fs::path demo = dir_.path() / "demo";
    ASSERT_EQ(RunCliOn(demo, {"device", "init", "--demo"}).status, 0);
    const std::string all = file("all.usms");
    const std::string inbox = file("inbox.usms");
    ASSERT_EQ(RunCliOn(demo, {"backup", "usms", all}).status, 0);
    ASSERT_EQ(RunCliOn(demo, {"backup", "usms", inbox, "--folders", "Inbox"}).status, 0);
    ASSERT_EQ(RunCliOn(device(), {"restore", inbox}).status, 0);
    examples("twice.usms", 2); // one record twice: the second replaces the first
    const auto total = [this] {
        EXPECT_EQ(RunCliOn(device(), {"backup", "usms", file("count.usms")}).status, 0);
        return std::stoi(RunCli({"inspect", file("count.usms")}).out.substr(7));
    };
    const std::tuple<std::string, std::string, int> cases[] = {
        {all, "Dry run: 17 to add, 25 to replace.\n", 17},
        {all, "Dry run: 0 to add, 42 to replace.\n", 0},
        {file("twice.usms"), "Dry run: 1 to add, 1 to replace.\n", 1},
    };
    for (const auto& [source, expected, added] : cases) {
        const auto before = Snapshot(device());
        const CliResult dry = RunCliOn(device(), {"restore", "--dry-run", source});
        EXPECT_EQ(dry.status, 0) << dry.err;
        EXPECT_EQ(dry.out, expected);
        EXPECT_EQ(Snapshot(device()), before) << "a dry run changed the handset";
        const int totalBefore = total();
        ASSERT_EQ(RunCliOn(device(), {"restore", source}).status, 0);
        EXPECT_EQ(total(), totalBefore + added);
    }
    // Where the restore would stop, the dry run stops with the same text, and writes nothing.
    const std::string bytes = ReadHostFile(all);
    WriteHostFile(file("garbage.usms"), bytes.substr(0, 20) + std::string(bytes.size() - 20, 1));
    const auto before = Snapshot(device());
    const CliResult dry = RunCliOn(device(), {"restore", "--dry-run", file("garbage.usms")});
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(dry.out, "No.1:read sms error, Reached the end of the file.\n");
    EXPECT_EQ(Snapshot(device()), before);
    EXPECT_EQ(RunCliOn(device(), {"restore", file("garbage.usms")}).out, dry.out);
}

} // namespace
