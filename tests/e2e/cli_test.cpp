#include "cli_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RunCliOn(demo(), {"device", "init", "--demo"}).status, 0); }
    fs::path demo() const { return dir_.path() / "demo"; }
    fs::path file(const std::string& name) const { return dir_.path() / name; }
    std::string backup(const fs::path& device, const std::string& format, const std::string& name,
                       std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"backup", format, file(name).string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliResult r = RunCliOn(device, args);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return ReadHostFile(file(name));
    }

    TempDir dir_;
};

// Each format's backup says what it did, and converting a Unicode backup writes the same bytes.
TEST_F(Cli, BacksUpAndConvertsInEveryFormat) {
    // The demo refuses a store that holds messages, and adds none.
    const CliResult again = RunCliOn(demo(), {"device", "init", "--demo"});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(Has(again.err, "already holds messages")) << again.err;
    backup(demo(), "usms", "a.usms");
    const std::pair<std::string, std::string> heads[] = {
        {"usms", ""},
        {"sms", ""},
        {"txt-ansi", "Sender:"},
        {"txt-utf8", "\xEF\xBB\xBFSender:"},
        {"txt-unicode", "\xFF\xFES\0"},
        {"csv-ansi", "\"Class Name\","},
        {"csv-utf8", "\"Class Name\","},
    };
    for (const auto& [format, head] : heads) {
        const std::string target = file("direct." + format).string();
        const CliResult r = RunCliOn(demo(), {"backup", format, target});
        EXPECT_EQ(r.status, 0) << format << r.err;
        EXPECT_EQ(r.out, "Backup Completed. 42 messages from 5 folders to " + target + "\n");
        const std::string direct = ReadHostFile(target);
        EXPECT_GT(direct.size(), 1000u) << format;
        EXPECT_EQ(direct.substr(0, head.size()), head) << format;
        const CliResult conv =
            RunCli({"convert", file("a.usms").string(), format, file("conv." + format).string()});
        EXPECT_EQ(conv.status, 0) << format << conv.err;
        EXPECT_EQ(ReadHostFile(file("conv." + format)), direct) << format;
    }
    EXPECT_TRUE(Has(ReadHostFile(file("direct.txt-utf8")), "\xF0\x9F\x8E\x89")); // one emoji
}

// A backup restored into an empty handset, from the backup itself or from its XML or JSON form,
// backs up to the same bytes; a second restore replaces and adds nothing. The file names are
// not UTF-8: they reach the host byte for byte, neither written over the other.
TEST_F(Cli, RestoreGivesBackTheSameBackupFromEveryReadableFormat) {
    const std::string original = backup(demo(), "usms", "a\xFF.usms");
    EXPECT_EQ(backup(demo(), "usms", "a\xFE\x80.usms"), original);
    EXPECT_FALSE(fs::exists(file("a\xEF\xBF\xBD.usms")));
    const fs::path empty = dir_.path() / "empty";
    ASSERT_EQ(RunCliOn(empty, {"device", "init"}).status, 0);
    for (const std::string format : {"usms", "usms", "xml", "json"}) {
        std::string source = file("a\xFF.usms").string();
        if (format != "usms") {
            const std::string out = file("a." + format).string();
            ASSERT_EQ(RunCli({"convert", source, format, out}).status, 0);
            source = out;
        }
        const CliResult restored = RunCliOn(empty, {"restore", source});
        EXPECT_EQ(restored.status, 0) << restored.err;
        EXPECT_EQ(restored.out.rfind("Restore Completed. 42 messages from ", 0), 0u)
            << restored.out;
        EXPECT_EQ(backup(empty, "usms", "b\x81.usms"), original) << format;
    }
}

// Each command's exit status, and a part of what it prints on stdout and stderr ("" means that
// nothing is printed there), in order on the demo handset. "@/" stands for the test's folder.
TEST_F(Cli, ExitStatusesAndTexts) {
    const std::string bytes = backup(demo(), "usms", "a.usms");
    // The digest binds only the size: same-sized garbage passes it and fails in the first record.
    WriteHostFile(file("damaged.usms"), bytes.substr(0, 20) + std::string(bytes.size() - 20, 1));
    WriteHostFile(file("cut.xml"), "<smses><sms ");
    const std::string notFound = "The system cannot find the file specified.\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    };
    const Case cases[] = {
        {{"--version"}, 0, "msgkeeper-cli 3.1.0\n", ""},
        {{"-V"}, 0, "msgkeeper-cli 3.1.0\n", ""},
        {{"--help"}, 0, "convert FILE FORMAT OUT", ""},
        {{"-h"}, 0, "salvage FILE OUT", ""},
        {{"help"}, 0, "restore [--dry-run] FILE", ""},
        {{"help", "backup"}, 0, "--folders LIST", ""},
        {{"backup", "--help"}, 0, "msgkeeper-cli backup [OPTIONS] FORMAT FILE", ""},
        {{"device", "init", "-h"}, 0, "--demo", ""},
        {{}, 2, "", "no command given"},
        {{"frobnicate"}, 2, "", "unknown command 'frobnicate'"},
        {{"bakup", "usms", "x"}, 2, "", "did you mean 'backup'?"},
        {{"help", "restor"}, 2, "", "did you mean 'restore'?"},
        {{"backup", "usms"}, 2, "", "FILE"},
        {{"backup", "docx", "x"}, 2, "", "unknown format 'docx'"},
        {{"backup", "usms", ""}, 2, "", "FILE: must not be empty"},
        {{"backup", "usms", "x", "--folders", "Inbox,Bogus"}, 2, "", "is not a folder list"},
        {{"--device", "@/demo", "settings", "--folders", "Inbox,Bogus"}, 2, "", "Inbox,Bogus"},
        {{"restore"}, 2, "", "FILE"},
        {{"inspect", ""}, 2, "", "must not be empty"},
        {{"salvage", "a"}, 2, "", "OUT"},
        {{"convert", "a", "pdf", "b"}, 2, "", "unknown format 'pdf'"},
        {{"device"}, 2, "", "init, list"},
        {{"device", "init", "--bogus"}, 2, "", "--bogus"},
        {{"settings", "--folders"}, 2, "", "--folders"},
        {{"--device"}, 2, "", "--device"},
        {{"--device", "", "device", "list"}, 2, "", "--device: must not be empty"},
        {{"inspect", "@/a.usms"}, 0, "Total: 42\n", ""},
        {{"inspect", "@/a.usms"}, 0, "Folder: Inbox\\Work\\Projects\n", ""},
        {{"inspect", "@/a.usms"}, 0, "明日の会議は午後3時からです。", ""},
        {{"inspect", "@/damaged.usms"},
         1,
         "Total: 42\n",
         "@/damaged.usms: No.1:read sms error, Reached the end of the file.\n"},
        {{"inspect", "@/nope.usms"}, 1, "", "@/nope.usms: cannot open the file, " + notFound},
        {{"--device", "@/demo", "restore", "@/nope.usms"},
         1,
         "begin restore error, " + notFound,
         "restore from @/nope.usms failed"},
        {{"--device", "@/demo", "--quiet", "restore", "@/nope.usms"},
         1,
         "begin restore error, " + notFound,
         "restore from @/nope.usms failed"},
        {{"--device", "@/demo", "backup", "usms", "@/no/x.usms"},
         1,
         "begin backup error, The system cannot find the path specified.\n",
         "backup to @/no/x.usms failed"},
        {{"--device", "@/absent", "backup", "usms", "x.usms"},
         1,
         "",
         "no handset at @/absent; run 'msgkeeper-cli device init' first"},
        {{"--device", "@/demo", "restore", "@/cut.xml"},
         1,
         "read xml error, line 1, column 13",
         "restore from @/cut.xml failed"},
        {{"backup", "-q", "usms", "@/q.usms", "--device", "@/demo"}, 0, "", ""},
        // The settings choose the folders; one run's choice, as --opt=value after the command,
        // leaves them as they are.
        {{"--device", "@/demo", "settings", "--folders", "outbox,DRAFT"},
         0,
         "Draft: selected\nInbox: not selected\nOutbox: selected",
         ""},
        {{"--device", "@/demo", "backup", "usms", "@/two.usms"},
         0,
         "5 messages from 2 folders",
         ""},
        {{"--device", "@/demo", "backup", "usms", "@/in.usms", "--folders=inbox"},
         0,
         "25 messages from 1 folder to",
         ""},
        {{"--device", "@/demo", "settings"},
         0,
         "Draft: selected\nInbox: not selected\nOutbox: selected\nSentedbox: not selected\n"
         "Wastebox: not selected\n",
         ""},
        {{"inspect", "@/in.usms"}, 0, "Total: 25\n", ""},
        {{"--device", "@/demo", "backup", "usms", "@/x.usms", "--folders", "none"},
         0,
         "Backup Completed. 0 messages from 0 folders",
         "no folder is selected"},
        {{"inspect", "@/x.usms"}, 0, "Total: 0\n", ""},
    };
    const auto place = [this](std::string text) {
        for (std::size_t at; (at = text.find("@/")) != std::string::npos;) {
            text.replace(at, 1, dir_.path().string());
        }
        return text;
    };
    for (const Case& c : cases) {
        std::vector<std::string> args;
        std::transform(c.args.begin(), c.args.end(), std::back_inserter(args), place);
        const CliResult r = RunCli(args);
        const std::string shown = c.args.empty() ? "(none)" : c.args[0] + " " + c.args.back();
        EXPECT_EQ(r.status, c.status) << shown << ": " << r.err;
        for (const auto& [got, part] : {std::pair{r.out, c.out}, std::pair{r.err, c.err}}) {
            EXPECT_TRUE(part.empty() ? got.empty() : Has(got, place(part))) << shown << ": " << got;
        }
        if (c.status == 2) { // a usage error is one line
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    }
    const CliResult full = RunCli({"--help"}, "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(Has(full.err, "cannot write to standard output")) << full.err;
}

} // namespace
