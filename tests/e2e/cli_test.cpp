#include "cli_runner.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kFormats = {"usms",        "sms",      "txt-ansi", "txt-utf8",
                                           "txt-unicode", "csv-ansi", "csv-utf8"};

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
    std::string total(const std::string& name) {
        const std::string out = RunCli({"inspect", file(name).string()}).out;
        return out.substr(0, out.find('\n'));
    }

    TempDir dir_;
};

TEST_F(Cli, BacksUpInEveryFormatAndSaysWhatItDid) {
    for (const std::string& format : kFormats) {
        const CliResult r = RunCliOn(demo(), {"backup", format, file("all." + format).string()});
        EXPECT_EQ(r.status, 0) << format << r.err;
        EXPECT_EQ(r.out, "Backup Completed. 42 messages from 5 folders to " +
                             file("all." + format).string() + "\n");
        EXPECT_GT(fs::file_size(file("all." + format)), 100u) << format;
    }
    const std::string utf8 = ReadHostFile(file("all.txt-utf8"));
    EXPECT_EQ(utf8.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(utf8.find("\xF0\x9F\x8E\x89"), std::string::npos); // an emoji as one character
    EXPECT_EQ(ReadHostFile(file("all.csv-utf8")).substr(0, 13), "\"Class Name\",");
}

TEST_F(Cli, RestoreIntoAnEmptyDeviceBacksUpToTheSameBytesAndRestoringTwiceAddsNothing) {
    const std::string original = backup(demo(), "usms", "a.usms");
    const fs::path empty = dir_.path() / "empty";
    ASSERT_EQ(RunCliOn(empty, {"device", "init"}).status, 0);
    const CliResult restored = RunCliOn(empty, {"restore", file("a.usms").string()});
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(restored.out,
              "Restore Completed. 42 messages from " + file("a.usms").string() + "\n");
    EXPECT_EQ(backup(empty, "usms", "b.usms"), original);

    EXPECT_EQ(RunCliOn(empty, {"restore", file("a.usms").string()}).status, 0);
    EXPECT_EQ(backup(empty, "usms", "c.usms"), original);
}

TEST_F(Cli, InspectPrintsAValidBackupAndNamesTheFileOfADamagedOne) {
    const std::string bytes = backup(demo(), "usms", "a.usms");
    const CliResult ok = RunCli({"inspect", file("a.usms").string()});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out.rfind("Total: 42\n", 0), 0u) << ok.out.substr(0, 40);
    EXPECT_TRUE(Has(ok.out, "Folder: Inbox\\Work\\Projects\n"));
    EXPECT_TRUE(Has(ok.out, "明日の会議は午後3時からです。"));

    // The digest binds only the size: same-sized garbage passes it and fails in the first record.
    WriteHostFile(file("damaged.usms"),
                  bytes.substr(0, 20) + std::string(bytes.size() - 20, '\x01'));
    const CliResult broken = RunCli({"inspect", file("damaged.usms").string()});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err, "msgkeeper-cli: " + file("damaged.usms").string() +
                              ": No.1:read sms error, Reached the end of the file.\n");
}

TEST_F(Cli, ConvertWritesWhatABackupWrites) {
    backup(demo(), "usms", "a.usms");
    for (const std::string& format : {std::string("usms"), std::string("csv-utf8"),
                                      std::string("txt-unicode"), std::string("sms")}) {
        const std::string direct = backup(demo(), format, "direct." + format);
        const CliResult r =
            RunCli({"convert", file("a.usms").string(), format, file("conv." + format).string()});
        EXPECT_EQ(r.status, 0) << format << r.err;
        EXPECT_EQ(ReadHostFile(file("conv." + format)), direct) << format;
    }
}

TEST_F(Cli, XmlAndJsonRestoreAsTheBackupDoesAndADamagedOneRestoresNothing) {
    const std::string original = backup(demo(), "usms", "a.usms");
    const fs::path empty = dir_.path() / "empty";
    ASSERT_EQ(RunCliOn(empty, {"device", "init"}).status, 0);
    for (const std::string format : {"xml", "json"}) {
        const std::string out = file("a." + format).string();
        ASSERT_EQ(RunCli({"convert", file("a.usms").string(), format, out}).status, 0);
        EXPECT_EQ(RunCli({"inspect", out}).out.rfind("Total: 42\n", 0), 0u) << format;
        const CliResult restored = RunCliOn(empty, {"restore", out});
        EXPECT_EQ(restored.out.rfind("Restore Completed. 42 messages from ", 0), 0u)
            << format << restored.err;
        EXPECT_EQ(backup(empty, "usms", "b.usms"), original) << format; // the second replaced
    }
    const fs::path fresh = dir_.path() / "fresh";
    ASSERT_EQ(RunCliOn(fresh, {"device", "init"}).status, 0);
    const std::string xml = ReadHostFile(file("a.xml"));
    WriteHostFile(file("cut.xml"), xml.substr(0, xml.size() - 200));
    const CliResult cut = RunCliOn(fresh, {"restore", file("cut.xml").string()});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out.rfind("read xml error, line 44, column ", 0), 0u) << cut.out;
    EXPECT_EQ(backup(fresh, "usms", "c.usms").size(), 20u);
    // convert reads the file once: the same text, and no output under either name.
    const std::string json = ReadHostFile(file("a.json"));
    WriteHostFile(file("cut.json"), json.substr(0, json.size() - 20));
    for (const std::string damaged : {"cut.xml", "cut.json"}) {
        const CliResult converted =
            RunCli({"convert", file(damaged).string(), "usms", file("out.usms").string()});
        EXPECT_EQ(converted.status, 1);
        const std::string text = damaged == "cut.xml" ? "read xml error, line 44, column "
                                                      : "read json error, line 42, column ";
        EXPECT_EQ(converted.err.find(file(damaged).string() + ": " + text), 15u) << converted.err;
        EXPECT_FALSE(fs::exists(file("out.usms")) || fs::exists(file("out.usms.partial")));
    }
}

TEST_F(Cli, DemoRefusesAStoreThatHoldsMessages) {
    const std::string before = backup(demo(), "usms", "before.usms");
    const CliResult again = RunCliOn(demo(), {"device", "init", "--demo"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already holds messages"), std::string::npos);
    EXPECT_EQ(backup(demo(), "usms", "after.usms"), before);
}

TEST_F(Cli, FoldersComeFromTheSettingsOrFromOneRunsChoice) {
    EXPECT_EQ(RunCliOn(demo(), {"settings", "--folders", "outbox,DRAFT"}).status, 0);
    const std::string settings = ReadHostFile(demo() / "Program Files/Msgkeeper/settings.dat");
    const CliResult shown = RunCliOn(demo(), {"settings"});
    EXPECT_EQ(shown.out, "Draft: selected\nInbox: not selected\nOutbox: selected\n"
                         "Sentedbox: not selected\nWastebox: not selected\n");
    backup(demo(), "usms", "two.usms");
    EXPECT_EQ(total("two.usms"), "Total: 5");

    // One run's choice, as --opt=value after the command, leaves settings.dat as it was.
    backup(demo(), "usms", "inbox.usms", {"--folders=inbox"});
    EXPECT_EQ(total("inbox.usms"), "Total: 25");
    EXPECT_EQ(ReadHostFile(demo() / "Program Files/Msgkeeper/settings.dat"), settings);

    const CliResult none =
        RunCliOn(demo(), {"backup", "usms", file("none.usms").string(), "--folders", "none"});
    EXPECT_EQ(none.status, 0);
    EXPECT_TRUE(Has(none.err, "no folder is selected")) << none.err;
    EXPECT_EQ(ReadHostFile(file("none.usms")).size(), 20u);
    const CliResult bogus = RunCliOn(demo(), {"settings", "--folders", "Inbox,Bogus"});
    EXPECT_EQ(bogus.status, 2);
}

TEST_F(Cli, QuietPrintsOnlyErrors) {
    const CliResult quiet =
        RunCli({"backup", "-q", "usms", file("q.usms").string(), "--device", demo().string()});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
    const CliResult failed =
        RunCliOn(demo(), {"--quiet", "restore", file("missing.usms").string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "begin restore error, The system cannot find the file specified.\n");
}

TEST_F(Cli, FailuresKeepTheJobsTextsAndNameTheFileOrHandset) {
    const CliResult missing = RunCliOn(demo(), {"restore", file("nope.usms").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "begin restore error, The system cannot find the file specified.\n");
    EXPECT_TRUE(Has(missing.err, file("nope.usms").string())) << missing.err;
    const CliResult unwritable =
        RunCliOn(demo(), {"backup", "usms", file("no/such/dir/x.usms").string()});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.out, "begin backup error, The system cannot find the path specified.\n");
    EXPECT_TRUE(Has(unwritable.err, file("no/such/dir/x.usms").string())) << unwritable.err;
    const CliResult inspect = RunCli({"inspect", file("nope.usms").string()});
    EXPECT_EQ(inspect.status, 1);
    EXPECT_TRUE(Has(inspect.err, file("nope.usms").string()) && !Has(inspect.err, "restore"))
        << inspect.err;
    const fs::path absent = dir_.path() / "absent";
    const CliResult noDevice = RunCliOn(absent, {"backup", "usms", "x.usms"});
    EXPECT_EQ(noDevice.status, 1);
    EXPECT_TRUE(Has(noDevice.err, absent.string()) && Has(noDevice.err, "device init"));
}

const std::string kSharing =
    "The process cannot access the file because it is being used by another process.\n";

// Every file of a folder tree with its bytes.
std::map<fs::path, std::string> Snapshot(const fs::path& folder) {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path()] = ReadHostFile(entry.path());
        }
    }
    return files;
}

TEST_F(Cli, NamesThatAreNotUtf8ReachTheHostByteForByte) {
    const std::string ff = backup(demo(), "usms", "a\xFF.usms");
    const std::string fe = backup(demo(), "usms", "a\xFE\x80.usms");
    EXPECT_EQ(ff, fe); // two files, neither written over the other
    EXPECT_EQ(ReadHostFile(file("a\xFF.usms")).size(), ff.size());
    EXPECT_FALSE(fs::exists(file("a\xEF\xBF\xBD.usms")));
    for (const char* name : {"a\xFF.usms", "a\xFE\x80.usms"}) {
        EXPECT_EQ(RunCli({"inspect", file(name).string()}).status, 0) << name;
    }
    const fs::path empty = dir_.path() / "empty";
    ASSERT_EQ(RunCliOn(empty, {"device", "init"}).status, 0);
    EXPECT_EQ(RunCliOn(empty, {"restore", file("a\xFF.usms").string()})
                  .out.rfind("Restore Completed. 42 messages from ", 0),
              0u);
    EXPECT_EQ(backup(empty, "usms", "b\x81.usms"), ff);
}

// The store's and the registry's files are the system's own: a backup onto them is refused,
// by device path or host path, and leaves every file of the handset as it was.
TEST_F(Cli, ABackupOntoTheHandsetsDatabasesIsRefused) {
    // A backup writes the settings file when it is missing: have it there first.
    ASSERT_EQ(
        RunCliOn(demo(), {"settings", "--folders", "Draft,Inbox,Outbox,Sentedbox,Wastebox"}).status,
        0);
    ASSERT_TRUE(fs::exists(demo() / "registry.db"));
    backup(demo(), "usms", "first.usms"); // and the handset's job lock file
    const auto before = Snapshot(demo());
    for (const std::string& target :
         {std::string("\\mail.db"), std::string("\\registry.db"), (demo() / "mail.db").string(),
          (demo() / "registry.db").string()}) {
        for (const auto& [format, phrase] : {std::pair{"usms", "begin backup error, "},
                                             std::pair{"csv-utf8", "open file to write error, "}}) {
            const CliResult r = RunCliOn(demo(), {"backup", format, target});
            EXPECT_EQ(r.status, 1) << target;
            EXPECT_EQ(r.out, phrase + kSharing) << target;
        }
    }
    const auto after = Snapshot(demo());
    EXPECT_EQ(after.size(), before.size());
    for (const auto& [path, bytes] : before) {
        EXPECT_TRUE(after.count(path) != 0 && after.at(path) == bytes) << path;
    }
}

TEST_F(Cli, AFileOpenForReadingInAnotherProcessIsNotReplaced) {
    const std::string original = backup(demo(), "usms", "held.usms");
    const std::u16string path = utf::FromHostBytes(file("held.usms").string());
    const HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_EQ(RunCliOn(demo(), {"settings", "--folders", "Inbox"}).status, 0);
    const CliResult refused = RunCliOn(demo(), {"backup", "usms", file("held.usms").string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "begin backup error, " + kSharing);
    EXPECT_EQ(ReadHostFile(file("held.usms")), original);
    ASSERT_TRUE(CloseHandle(reader));
    EXPECT_NE(backup(demo(), "usms", "held.usms"), original); // once free, it is replaced
}

TEST(CliUsage, HelpVersionAndUsageErrors) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out; // a part of stdout, or of stderr for a usage error
    };
    const std::vector<Case> cases = {
        {{"--version"}, 0, "msgkeeper-cli 3.1.0\n"},
        {{"-V"}, 0, "msgkeeper-cli 3.1.0\n"},
        {{"--help"}, 0, "convert FILE FORMAT OUT"},
        {{"-h"}, 0, "salvage FILE OUT"},
        {{"help"}, 0, "restore [--dry-run] FILE"},
        {{"help", "backup"}, 0, "--folders LIST"},
        {{"backup", "--help"}, 0, "msgkeeper-cli backup [OPTIONS] FORMAT FILE"},
        {{"device", "init", "-h"}, 0, "--demo"},
        {{}, 2, "no command given"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
        {{"bakup", "usms", "x"}, 2, "did you mean 'backup'?"},
        {{"help", "restor"}, 2, "did you mean 'restore'?"},
        {{"backup", "usms"}, 2, "FILE"},
        {{"backup", "docx", "x"}, 2, "unknown format 'docx'"},
        {{"backup", "usms", ""}, 2, "FILE: must not be empty"},
        {{"backup", "usms", "x", "--folders", "Inbox,Bogus"}, 2, "is not a folder list"},
        {{"restore"}, 2, "FILE"},
        {{"inspect", ""}, 2, "must not be empty"},
        {{"salvage", "a"}, 2, "OUT"},
        {{"convert", "a", "pdf", "b"}, 2, "unknown format 'pdf'"},
        {{"device"}, 2, "init, list"},
        {{"device", "init", "--bogus"}, 2, "--bogus"},
        {{"settings", "--folders"}, 2, "--folders"},
        {{"--device"}, 2, "--device"},
        {{"--device", "", "device", "list"}, 2, "--device: must not be empty"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunCli(c.args);
        const std::string shown = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(r.status, c.status) << shown << r.err;
        if (c.status == 0) {
            EXPECT_TRUE(Has(r.out, c.out)) << shown << ": " << r.out;
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_TRUE(Has(r.err, c.out)) << shown << ": " << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_EQ(r.out, "");
        }
    }
}

TEST(CliUsage, OutputThatCannotBeWrittenIsAFailure) {
    const CliResult r = RunCliTo("/dev/full", {"--help"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "cannot write to standard output")) << r.err;
}

} // namespace
