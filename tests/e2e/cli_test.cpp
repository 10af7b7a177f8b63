#include "cli_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kFormats = {"usms",        "sms",      "txt-ansi", "txt-utf8",
                                           "txt-unicode", "csv-ansi", "csv-utf8"};

class Cli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RunCliOn(demo(), {"device", "init", "--demo"}).status, 0); }
    fs::path demo() const { return dir_.path() / "demo"; }
    fs::path file(const std::string& name) const { return dir_.path() / name; }
    std::string backup(const fs::path& device, const std::string& format, const std::string& name) {
        const CliResult r = RunCliOn(device, {"backup", format, file(name).string()});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return ReadHostFile(file(name));
    }

    TempDir dir_;
};

TEST_F(Cli, BacksUpInEveryFormat) {
    for (const std::string& format : kFormats) {
        const CliResult r = RunCliOn(demo(), {"backup", format, file("all." + format).string()});
        EXPECT_EQ(r.status, 0) << format << r.err;
        EXPECT_EQ(r.out, "Backup Completed.\n") << format;
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
    EXPECT_EQ(restored.out, "Restore Completed.\n");
    EXPECT_EQ(backup(empty, "usms", "b.usms"), original);

    EXPECT_EQ(RunCliOn(empty, {"restore", file("a.usms").string()}).status, 0);
    EXPECT_EQ(backup(empty, "usms", "c.usms"), original);
}

TEST_F(Cli, InspectAcceptsABackupAndRejectsADamagedOne) {
    backup(demo(), "usms", "a.usms");
    const CliResult ok = RunCli({"inspect", file("a.usms").string()});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out.rfind("Total: 42\n", 0), 0u) << ok.out.substr(0, 40);
    EXPECT_NE(ok.out.find("Folder: Inbox\\Work\\Projects\n"), std::string::npos);
    EXPECT_NE(ok.out.find("明日の会議は午後3時からです。"), std::string::npos);

    std::string bytes = ReadHostFile(file("a.usms"));
    WriteHostFile(file("longer.usms"), bytes + "x");
    const CliResult longer = RunCli({"inspect", file("longer.usms").string()});
    EXPECT_EQ(longer.status, 1);
    EXPECT_EQ(longer.err, "File Validation Failed.\n");

    // The digest binds only the size: same-sized garbage passes it and fails in the first record.
    WriteHostFile(file("damaged.usms"),
                  bytes.substr(0, 20) + std::string(bytes.size() - 20, '\x01'));
    const CliResult broken = RunCli({"inspect", file("damaged.usms").string()});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err, "No.1:read sms error, Reached the end of the file.\n");
}

TEST_F(Cli, ConvertWritesWhatABackupWrites) {
    const std::string usms = backup(demo(), "usms", "a.usms");
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
        EXPECT_EQ(restored.out, "Restore Completed.\n") << format << restored.err;
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
}

TEST_F(Cli, DemoRefusesAStoreThatHoldsMessages) {
    const std::string before = backup(demo(), "usms", "before.usms");
    const CliResult again = RunCliOn(demo(), {"device", "init", "--demo"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already holds messages"), std::string::npos);
    EXPECT_EQ(backup(demo(), "usms", "after.usms"), before);
}

TEST_F(Cli, SettingsChooseTheFoldersOfABackup) {
    EXPECT_EQ(RunCliOn(demo(), {"settings", "--folders", "Outbox,Draft"}).status, 0);
    const CliResult shown = RunCliOn(demo(), {"settings"});
    EXPECT_EQ(shown.out, "Draft: selected\nInbox: not selected\nOutbox: selected\n"
                         "Sentedbox: not selected\nWastebox: not selected\n");
    backup(demo(), "usms", "two.usms");
    EXPECT_EQ(RunCli({"inspect", file("two.usms").string()}).out.rfind("Total: 5\n", 0), 0u);

    EXPECT_EQ(RunCliOn(demo(), {"settings", "--folders", "none"}).status, 0);
    const std::string none = backup(demo(), "usms", "none.usms");
    EXPECT_EQ(none.size(), 20u);
    EXPECT_EQ(RunCliOn(demo(), {"settings", "--folders", "Inbox,Bogus"}).status, 2);
}

TEST_F(Cli, DeviceListShowsFoldersAndMessages) {
    const CliResult r = RunCliOn(demo(), {"device", "list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Draft\n", 0), 0u);
    EXPECT_NE(r.out.find("\nSentedbox\\Old\n"), std::string::npos);
    EXPECT_NE(r.out.find("\"Home\" <555>"), std::string::npos);
}

TEST_F(Cli, FailuresAreTheJobsOwnTexts) {
    const CliResult missing = RunCliOn(demo(), {"restore", file("nope.usms").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "begin restore error, The system cannot find the file specified.\n");
    const CliResult unwritable =
        RunCliOn(demo(), {"backup", "usms", file("no/such/dir/x.usms").string()});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.out, "begin backup error, The system cannot find the path specified.\n");
    const CliResult noDevice = RunCliOn(dir_.path() / "absent", {"backup", "usms", "x.usms"});
    EXPECT_EQ(noDevice.status, 1);
    EXPECT_NE(noDevice.err.find("device init"), std::string::npos);
}

TEST(CliUsage, WrongCallsGiveAOneLineUsageError) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"frobnicate"},
        {"backup", "usms"},
        {"backup", "docx", "x"},
        {"restore"},
        {"convert", "a", "pdf", "b"},
        {"device"},
        {"device", "init", "--bogus"},
        {"settings", "--folders"},
        {"--device"},
    };
    for (const auto& args : wrong) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    const CliResult help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("convert FILE FORMAT OUT"), std::string::npos);
}

} // namespace
