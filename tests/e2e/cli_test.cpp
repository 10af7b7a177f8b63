// The command-line tool as a person runs it: backups in every format, the one round trip at
// this level, every command's exit status and texts, files that are not sound backups, salvage,
// control characters in listings, and the dry run.
#include "cli_runner.h"
#include "files/unicode_backup_file.h"
#include "platform/handset_lock.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

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

// A demo handset and an empty one in a fresh folder.
class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunCliOn(demo(), {"device", "init", "--demo"}).status, 0);
        ASSERT_EQ(RunCliOn(empty(), {"device", "init"}).status, 0);
    }
    fs::path demo() const { return dir_.path() / "demo"; }
    fs::path empty() const { return dir_.path() / "empty"; }
    std::string file(const std::string& name) const { return (dir_.path() / name).string(); }
    std::string backup(const fs::path& device, const std::string& format, const std::string& name,
                       const std::string& folders = "draft,inbox,outbox,sentedbox,wastebox") {
        const CliResult r =
            RunCliOn(device, {"backup", format, file(name), "--folders=" + folders});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return ReadHostFile(file(name));
    }
    // A Unicode backup made without the tool, of these messages and count copies of the worked
    // example (110 bytes a record).
    std::string backup(const std::string& name, int count,
                       std::vector<MemoryRecord> messages = {}) {
        while (count-- > 0) {
            messages.push_back(WorkedExampleMessage());
        }
        UnicodeBackupFile format;
        EXPECT_TRUE(RunBackup(format, utf::Utf16(file(name)), messages).ok);
        return ReadHostFile(file(name));
    }

    TempDir dir_;
};

// Each format's backup says what it did, and converting a Unicode backup writes the same bytes.
TEST_F(Cli, BacksUpAndConvertsInEveryFormat) {
    backup(demo(), "usms", "a.usms");
    // clang-format off
    const std::pair<std::string, std::string> heads[] = {
        {"usms", ""}, {"sms", ""}, {"txt-ansi", "Sender:"}, {"txt-utf8", "\xEF\xBB\xBFSender:"},
        {"txt-unicode", "\xFF\xFES"}, {"csv-ansi", "\"Class Name\","},
        {"csv-utf8", "\"Class Name\","},
        // Straight from the handset, through the same job: the bytes that convert writes.
        {"xml", "<?xml version='1.0' encoding='UTF-8'"}, {"json", "{\"messageClass\":"},
    };
    // clang-format on
    for (const auto& [format, head] : heads) {
        const std::string target = file("direct." + format);
        const CliResult r = RunCliOn(demo(), {"backup", format, target});
        EXPECT_EQ(r.status, 0) << format << r.err;
        EXPECT_EQ(r.out, "Backup Completed. 42 messages from 5 folders to " + target + "\n");
        const std::string direct = ReadHostFile(target);
        EXPECT_GT(direct.size(), 1000u) << format;
        EXPECT_EQ(direct.substr(0, head.size()), head) << format;
        EXPECT_EQ(RunCli({"convert", file("a.usms"), format, file("conv." + format)}).status, 0);
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
    for (const std::string format : {"usms", "usms", "xml", "json"}) {
        std::string source = file("a\xFF.usms");
        if (format != "usms") {
            const std::string out = file("a." + format);
            ASSERT_EQ(RunCli({"convert", source, format, out}).status, 0);
            source = out;
        }
        const CliResult restored = RunCliOn(empty(), {"restore", source});
        EXPECT_EQ(restored.status, 0) << restored.err;
        EXPECT_EQ(restored.out.rfind("Restore Completed. 42 messages from ", 0), 0u)
            << restored.out;
        EXPECT_EQ(backup(empty(), "usms", "b\x81.usms"), original) << format;
    }
}

// merge keeps each message once, the first copy read: a backup merged with itself, or with
// itself converted, is the same backup, and the report says what was left out.
TEST_F(Cli, MergeKeepsEachMessageOnceAndSaysHowManyItLeftOut) {
    const std::string original = backup(demo(), "usms", "a.usms");
    const std::string inbox = backup(demo(), "usms", "inbox.usms", "inbox");
    for (const std::string format : {"xml", "json"}) {
        ASSERT_EQ(RunCli({"convert", file("a.usms"), format, file("a." + format)}).status, 0);
    }
    const std::tuple<std::vector<std::string>, std::string> cases[] = {
        {{"a.usms", "a.usms"}, "Merged 2 files: 42 messages, 42 duplicates left out.\n"},
        {{"a.usms", "a.xml"}, "Merged 2 files: 42 messages, 42 duplicates left out.\n"},
        {{"a.json", "a.xml", "a.usms"}, "Merged 3 files: 42 messages, 84 duplicates left out.\n"},
        {{"a.json"}, "Merged 1 file: 42 messages, 0 duplicates left out.\n"},
        {{"inbox.usms"}, "Merged 1 file: 25 messages, 0 duplicates left out.\n"},
    };
    for (const auto& [inputs, said] : cases) {
        std::vector<std::string> args = {"merge"};
        for (const std::string& input : inputs) {
            args.push_back(file(input));
        }
        args.push_back(file("out.usms"));
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, said);
        EXPECT_TRUE(ReadHostFile(file("out.usms")) ==
                    (inputs[0] == "inbox.usms" ? inbox : original))
            << inputs[0];
    }
    // The first file's messages come first: the Inbox, then the 17 that it does not hold.
    const CliResult r =
        RunCli({"merge", file("inbox.usms"), file("a.xml"), file("out.usms"), "-q"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const std::string merged = ReadHostFile(file("out.usms"));
    ASSERT_EQ(merged.size(), original.size());
    EXPECT_TRUE(merged.substr(20, inbox.size() - 20) == inbox.substr(20));
    EXPECT_TRUE(RunCli({"inspect", file("out.usms")}).out.starts_with("Total: 42\n"));
}

// Each command's exit status, and a part of what it prints on stdout and stderr ("" means that
// nothing is printed there), in order on the demo handset, which every command names unless it
// names one itself. "@/" stands for the test's folder.
TEST_F(Cli, ExitStatusesAndTexts) {
    const std::string bytes = backup(demo(), "usms", "a.usms");
    // The digest binds only the size: same-sized garbage passes it and fails in the first record.
    WriteHostFile(file("damaged.usms"), bytes.substr(0, 20) + std::string(bytes.size() - 20, 1));
    WriteHostFile(file("cut.xml"), "<smses><sms ");
    WriteHostFile(file("cut.json"), "{\"folderPath\":\"Inbox\",");
    fs::create_directory(file("afolder"));
    const std::string denied = "Access is denied.\n";
    const std::string notFound = "The system cannot find the file specified.\n";
    const std::string noPath = "The system cannot find the path specified.\n";
    const std::string twoFolders = "Draft: selected\nInbox: not selected\nOutbox: selected\n"
                                   "Sentedbox: not selected\nWastebox: not selected\n";
    // clang-format off
    const std::tuple<std::vector<std::string>, int, std::string, std::string> cases[] = {
        {{"--version"}, 0, "msgkeeper-cli 3.1.0\n", ""},
        {{"-V"}, 0, "msgkeeper-cli 3.1.0\n", ""},
        {{"--help"}, 0, "convert FILE FORMAT OUT", ""},
        {{"-h"}, 0, "salvage FILE OUT", ""},
        {{"--help"}, 0, "merge FILE... OUT", ""},
        {{"help", "merge"}, 0, "msgkeeper-cli merge [OPTIONS] FILE... OUT\n", ""},
        {{"help"}, 0, "restore [--dry-run] FILE", ""},
        {{"help", "backup"}, 0, "--folders LIST", ""},
        {{"backup", "--help"}, 0, "msgkeeper-cli backup [OPTIONS] FORMAT FILE", ""},
        // backup and convert write the same formats, the interchange ones among them.
        {{"--help"}, 0, "csv-utf8, xml (the phone XML backup), json (JSON Lines)\n", ""},
        {{"backup", "--help"}, 0, "txt-unicode, csv-ansi, csv-utf8, xml or json", ""},
        {{"help", "convert"}, 0, "txt-unicode, csv-ansi, csv-utf8, xml or json", ""},
        {{"backup", "docx", "x"}, 2, "", "use usms, sms, txt-ansi, txt-utf8, txt-unicode, "
                                         "csv-ansi, csv-utf8, xml or json"},
        {{"device", "init", "-h"}, 0, "--demo", ""},
        {{}, 2, "", "no command given"},
        {{"frobnicate"}, 2, "", "unknown command 'frobnicate'"},
        {{"bakup", "usms", "x"}, 2, "", "did you mean 'backup'?"},
        {{"help", "restor"}, 2, "", "did you mean 'restore'?"},
        {{"backup", "usms"}, 2, "", "FILE"},
        {{"backup", "docx", "x"}, 2, "", "unknown format 'docx'"},
        {{"backup", "usms", ""}, 2, "", "FILE: must not be empty"},
        {{"backup", "usms", "x", "--folders", "Inbox,Bogus"}, 2, "", "is not a folder list"},
        {{"settings", "--folders", "Inbox,Bogus"}, 2, "", "Inbox,Bogus"},
        {{"restore"}, 2, "", "FILE"},
        {{"inspect", ""}, 2, "", "must not be empty"},
        {{"salvage", "a"}, 2, "", "OUT"},
        {{"convert", "a", "pdf", "b"}, 2, "", "unknown format 'pdf'"},
        {{"merge"}, 2, "", "FILE is required (see msgkeeper-cli merge --help)"},
        {{"merge", "a"}, 2, "", "OUT is required (see msgkeeper-cli merge --help)"},
        {{"merge", "a", "", "b"}, 2, "", "FILE: must not be empty"},
        {{"device"}, 2, "", "init, list"},
        {{"device", "init", "--bogus"}, 2, "", "--bogus"},
        {{"settings", "--folders"}, 2, "", "--folders"},
        {{"--device"}, 2, "", "--device"},
        {{"--device", "", "device", "list"}, 2, "", "--device: must not be empty"},
        {{"inspect", "@/a.usms"}, 0, "Total: 42\n", ""},
        {{"inspect", "@/a.usms"}, 0, "Folder: Inbox\\Work\\Projects\n", ""},
        {{"inspect", "@/a.usms"}, 0, "明日の会議は午後3時からです。", ""},
        {{"inspect", "@/damaged.usms"}, 1, "Total: 42\n", "No.1:read sms error, Reached"},
        {{"inspect", "@/nope.usms"}, 1, "", "@/nope.usms: cannot open the file, " + notFound},
        {{"restore", "@/nope.usms"}, 1, "begin restore error, " + notFound, "from @/nope.usms"},
        {{"-q", "restore", "@/nope.usms"}, 1, "begin restore error, " + notFound, "@/nope.usms"},
        {{"backup", "usms", "@/no/x.usms"}, 1, "begin backup error, " + noPath, "to @/no/x.usms"},
        {{"--device", "@/nil", "backup", "usms", "x"}, 1, "", "@/nil; run 'msgkeeper-cli device"},
        {{"restore", "@/cut.xml"}, 1, "read xml error, line 1, column 13", "from @/cut.xml"},
        // The job's own text, then the host's reason in plain words.
        {{"backup", "usms", "@/afolder"}, 1, "begin backup error, " + denied,
         "failed: @/afolder is a folder\n"},
        {{"restore", "@/afolder"}, 1, "begin restore error, " + denied, "@/afolder is a folder\n"},
        {{"backup", "txt-utf8", "/dev/full"}, 1, "Write to file failed.,",
         "/dev/full is not a regular file\n"},
        {{"backup", "usms", "@/no/x.usms"}, 1, "begin backup error, " + noPath,
         "@/no/x.usms is in a folder that does not"},
        {{"inspect", "@/afolder"}, 1, "", "msgkeeper-cli: @/afolder is a folder\n"},
        {{"convert", "@/a.usms", "json", "@/a.usms"}, 1, "", "@/a.usms is the input file\n"},
        // convert reads once: the same text, and nothing under either name (checked below).
        {{"convert", "@/cut.xml", "usms", "@/out"}, 1, "", "cut.xml: read xml error, line 1, col"},
        {{"convert", "@/cut.json", "usms", "@/out"}, 1, "", "cut.json: read json error, line 1"},
        // merge names the damaged input, and writes nothing either.
        {{"merge", "@/a.usms", "@/cut.json", "@/out"}, 1, "", "cut.json: read json error, line 1"},
        {{"merge", "@/a.usms", "@/nope.xml", "@/a.usms", "@/out"}, 1, "",
         "@/nope.xml: cannot open the file, " + notFound},
        {{"merge", "@/a.usms", "@/a.usms"}, 1, "", "@/a.usms: is one of the files to merge"},
        {{"backup", "--quiet", "usms", "@/q.usms", "--device", "@/demo"}, 0, "", ""},
        // The demo refuses a store that holds messages, and adds none (the totals below).
        {{"device", "init", "--demo"}, 1, "", "the store already holds messages"},
        // The settings choose the folders; one run's choice, as --opt=value after the command,
        // leaves them as they are.
        {{"settings", "--folders", "outbox,DRAFT"}, 0, twoFolders, ""},
        {{"backup", "usms", "@/two.usms"}, 0, "5 messages from 2 folders", ""},
        {{"backup", "usms", "@/in.usms", "--folders=inbox"}, 0, "25 messages from 1 folder to", ""},
        {{"settings"}, 0, twoFolders, ""},
        {{"inspect", "@/in.usms"}, 0, "Total: 25\n", ""},
        {{"backup", "usms", "@/x", "--folders", "none"}, 0, "0 messages from 0", "no folder"},
        {{"inspect", "@/x"}, 0, "Total: 0\n", ""},
    };
    // clang-format on
    const auto place = [this](std::string text) {
        for (std::size_t at; (at = text.find("@/")) != std::string::npos;) {
            text.replace(at, 1, dir_.path().string());
        }
        return text;
    };
    for (const auto& [row, status, out, err] : cases) {
        std::vector<std::string> args = {"--device", place("@/demo")};
        if (std::find(row.begin(), row.end(), "--device") != row.end()) {
            args.clear();
        }
        std::transform(row.begin(), row.end(), std::back_inserter(args), place);
        const CliResult r = RunCli(args);
        const std::string shown = row.empty() ? "(none)" : row[0] + " " + row.back();
        EXPECT_EQ(r.status, status) << shown << ": " << r.err;
        for (const auto& [got, part] : {std::pair{r.out, out}, std::pair{r.err, err}}) {
            EXPECT_TRUE(part.empty() ? got.empty() : Has(got, place(part))) << shown << ": " << got;
        }
        if (status == 2) { // a usage error is one line
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    }
    EXPECT_FALSE(fs::exists(file("out")) || fs::exists(file("out.partial")));
    const CliResult full = RunCli({"--help"}, "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(Has(full.err, "cannot write to standard output")) << full.err;
}

// convert and salvage onto a disk that fills before their output is whole: the earlier file
// stays byte for byte, and no partial file is left to keep the disk full.
TEST_F(Cli, AFullDiskKeepsTheEarlierOutputAndLeavesNoPartialFile) {
    backup(demo(), "usms", "in.usms");
    const std::string earlier(6972, 'e');
    const std::vector<std::vector<std::string>> commands = {
        {"convert", file("in.usms"), "txt-utf8", file("out")},
        {"convert", file("in.usms"), "json", file("out")},
        {"convert", file("in.usms"), "xml", file("out")},
        {"convert", file("in.usms"), "usms", file("out")},
        {"salvage", file("in.usms"), file("out")},
        {"merge", file("in.usms"), file("in.usms"), file("out")},
    };
    for (const auto& command : commands) {
        for (const std::uint64_t limit : {1024u, 4096u, 6000u}) { // each output is longer
            SCOPED_TRACE(command[0] + " " + command[command.size() - 2] + ", disk full at " +
                         std::to_string(limit));
            WriteHostFile(file("out"), earlier);
            const CliResult r = RunCliLimited(limit, command);
            EXPECT_EQ(r.status, 1) << r.out << r.err;
            EXPECT_TRUE(Has(r.err, "There is not enough space on the disk.")) << r.err;
            EXPECT_TRUE(ReadHostFile(file("out")) == earlier);
            EXPECT_FALSE(fs::exists(file("out.partial")));
        }
    }
}

// Setting up and filling a handset is a job on it: while another job holds the handset,
// init is refused and changes nothing, so no backup can ever save half of the demo.
TEST_F(Cli, InitIsRefusedWhileAJobHoldsTheHandset) {
    const auto before = Snapshot(demo());
    {
        const HandsetLock job(demo());
        ASSERT_TRUE(job.held());
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"device", "init", "--demo"}, {"device", "init"}}) {
            const CliResult r = RunCliOn(demo(), args);
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(Has(r.err, "The handset is busy")) << r.err;
        }
        EXPECT_TRUE(Snapshot(demo()) == before);
    }
    EXPECT_EQ(RunCliOn(demo(), {"device", "init"}).status, 0); // free again
}

// Ctrl-C stops a restore after the message in hand: it says how many messages it restored,
// which is what the store holds, and a second run restores the rest without doubling any.
TEST_F(Cli, AnInterruptedRestoreSaysWhatItRestoredAndARerunCompletesIt) {
    constexpr int kMessages = 20000;
    std::vector<MemoryRecord> messages;
    for (int i = 0; i < kMessages; ++i) {
        MemoryRecord record = WorkedExampleMessage();
        record.setDeliveryTime(U64ToFileTime(130000000000000000ull + static_cast<unsigned>(i)));
        record.setBody(u"m" + utf::Utf16(std::to_string(i)));
        messages.push_back(std::move(record));
    }
    backup("big.usms", 0, std::move(messages));
    const auto storeCount = [this] {
        const CliResult listed = RunCliOn(empty(), {"backup", "usms", file("count.usms")});
        EXPECT_EQ(listed.status, 0) << listed.err;
        const std::string bytes = ReadHostFile(file("count.usms"));
        return bytes.size() < 20 ? -1
                                 : static_cast<int>(static_cast<unsigned char>(bytes[16]) |
                                                    static_cast<unsigned char>(bytes[17]) << 8);
    };
    const TempDir capture;
    const pid_t restore = StartCliOn(empty(), {"restore", file("big.usms")}, capture.path());
    ASSERT_GT(restore, 0);
    // Once the store's log has grown, messages are being written and the handler is in place.
    const fs::path log = empty() / "mail.db-wal";
    const auto logSize = [&log] {
        std::error_code absent;
        const std::uintmax_t size = fs::file_size(log, absent);
        return absent ? 0 : size;
    };
    while (logSize() < 512 * 1024 && waitpid(restore, nullptr, WNOHANG) == 0) {
        usleep(1000);
    }
    kill(restore, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(restore, &status, 0), restore);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const std::string out = ReadHostFile(capture.path() / "out");
    std::smatch said;
    ASSERT_TRUE(std::regex_search(out, said,
                                  std::regex("Restore interrupted: ([0-9,]+) of 20,000 messages "
                                             "restored\\. Run it again to restore the rest; "
                                             "messages already restored are replaced, not "
                                             "doubled\\.\n")))
        << out;
    const int restored = std::stoi(std::regex_replace(said[1].str(), std::regex(","), ""));
    EXPECT_GT(restored, 0);
    EXPECT_LT(restored, kMessages);
    EXPECT_EQ(storeCount(), restored);

    const CliResult again = RunCliOn(empty(), {"restore", file("big.usms")});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(storeCount(), kMessages);

    // Jobs that write a file stop too, once it has begun: the earlier file stays as it was, and
    // no partial file is left.
    const std::tuple<std::vector<std::string>, std::string> writers[] = {
        {{"backup", "txt-utf8", file("out")}, "Backup"},
        {{"convert", file("big.usms"), "json", file("out")}, "Convert"},
        {{"salvage", file("big.usms"), file("out")}, "Salvage"},
        {{"merge", file("big.usms"), file("big.usms"), file("out")}, "Merge"},
    };
    for (const auto& [args, job] : writers) {
        SCOPED_TRACE(job);
        WriteHostFile(file("out"), "earlier");
        const pid_t writer = StartCliOn(empty(), args, capture.path());
        ASSERT_GT(writer, 0);
        while (!fs::exists(file("out.partial")) && waitpid(writer, nullptr, WNOHANG) == 0) {
            usleep(200);
        }
        kill(writer, SIGINT);
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
        EXPECT_EQ(ReadHostFile(capture.path() / "out"),
                  job + " interrupted: the earlier " + file("out") + " is unchanged.\n");
        EXPECT_EQ(ReadHostFile(file("out")), "earlier");
        EXPECT_FALSE(fs::exists(file("out.partial")));
    }
}

// A restore that fails at a record keeps the Part of the job's text and adds what the store now
// holds; for a damaged file it names the salvage that keeps the rest.
TEST_F(Cli, ARestoreThatFailsAtARecordSaysHowManyItRestored) {
    std::vector<MemoryRecord> five;
    for (int i = 0; i < 5; ++i) {
        five.push_back(WorkedExampleMessage());
        five.back().setDeliveryTime(
            U64ToFileTime(140000000000000000ull + static_cast<unsigned>(i)));
    }
    std::string bytes = backup("five.usms", 0, std::move(five));
    ASSERT_EQ(bytes.size(), 20u + 5 * 110);
    std::string odd = bytes;
    odd.replace(20 + 2 * 110, 22, Utf16Bytes(u"IPM.SMSxxxx").substr(0, 22)); // record 3's class
    WriteHostFile(file("odd.usms"), odd);
    std::string cut = bytes;
    cut.replace(20 + 3 * 110 + 84, 4, "\xFF\xFF\xFF\x7F"); // record 4's recipient count
    WriteHostFile(file("cut.usms"), cut);
    const std::string salvage = "; the file is damaged there: 'msgkeeper-cli salvage ";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"odd.usms", "No.3:unknown message class name!\n",
         "msgkeeper-cli: 2 of 5 messages were restored before the failing one" + salvage},
        {"cut.usms", "No.4:read sms error, ",
         "msgkeeper-cli: 3 of 5 messages were restored before the failing one" + salvage},
    };
    for (const auto& [name, out, err] : cases) {
        SCOPED_TRACE(name);
        ASSERT_EQ(RunCliOn(empty(), {"device", "init"}).status, 0);
        const CliResult r = RunCliOn(empty(), {"restore", file(name)});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.starts_with(out)) << r.out;
        EXPECT_TRUE(Has(r.err, err + file(name) + " OUT' keeps every message that reads\n"))
            << r.err;
    }
}

// A character no message can hold is left out of its text, and the restore says how many.
TEST_F(Cli, ARestoreSaysHowManyCharactersItLeftOut) {
    WriteHostFile(file("nul.json"),
                  "{\"folderPath\":\"Inbox\",\"body\":\"before\\u0000after\\u0000\"}\n");
    const CliResult r = RunCliOn(empty(), {"restore", file("nul.json")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Left out: 2 characters U+0000, which no message can hold.\n");
    ASSERT_EQ(RunCliOn(empty(), {"backup", "usms", file("back.usms")}).status, 0);
    const CliResult shown = RunCli({"inspect", file("back.usms")});
    EXPECT_TRUE(Has(shown.out, "Content:\nbeforeafter\n")) << shown.out;
    // inspect and convert read it the same way and say so once.
    const CliResult inspected = RunCli({"inspect", file("nul.json")});
    EXPECT_TRUE(Has(inspected.out, "Content:\nbeforeafter\n")) << inspected.out;
    EXPECT_EQ(inspected.err, r.err);
    const CliResult converted = RunCli({"convert", file("nul.json"), "usms", file("c.usms")});
    EXPECT_EQ(converted.err, r.err);
    EXPECT_TRUE(Has(RunCli({"inspect", file("c.usms")}).out, "Content:\nbeforeafter\n"));
}

// The other files that phones write beside the messages are named for what they are.
TEST_F(Cli, CallLogsAndContactsAreNamedAsSuch) {
    WriteHostFile(file("calls.xml"), "<?xml version='1.0' encoding='UTF-8' ?>\n<calls count=\"1\">"
                                     "<call number=\"+49\" duration=\"5\" type=\"1\" /></calls>\n");
    WriteHostFile(file("people.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\nEND:VCARD\r\n");
    const std::pair<std::string, std::string> files[] = {
        {"calls.xml", " is a phone call log, not messages\n"},
        {"people.vcf", " is a contacts file (vCard), not messages\n"},
    };
    for (const auto& [name, said] : files) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"inspect", file(name)},
              {"convert", file(name), "usms", file("o.usms")},
              {"salvage", file(name), file("o.usms")},
              {"merge", file(name), file("o.usms")},
              {"--device", empty().string(), "restore", file(name)},
              {"--device", empty().string(), "restore", "--dry-run", file(name)}}) {
            const CliResult r = RunCli(args);
            EXPECT_EQ(r.status, 1) << args[0];
            EXPECT_EQ(r.err, "msgkeeper-cli: " + file(name) + said) << args[0];
            EXPECT_EQ(r.out, "") << args[0];
        }
    }
    EXPECT_FALSE(fs::exists(file("o.usms")));
}

// salvage of phone files: every message that reads and maps is kept, the others are named with
// their line, bytes that are not UTF-8 become U+FFFD, and a cut file keeps what came before.
TEST_F(Cli, SalvageKeepsThePhoneMessagesThatReadAndNamesTheOthers) {
    const auto sms = [](const std::string& date, const std::string& type,
                        const std::string& body) {
        return "<sms protocol=\"0\" address=\"+4911\" date=\"" + date + "\" type=\"" + type +
               "\" body=\"" + body + "\" read=\"1\" />\n";
    };
    const std::string head = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses>\n";
    const std::string four = sms("1000", "1", "one") + sms("soon", "1", "two") +
                             sms("3000", "9", "three") + sms("4000", "2", "four");
    std::string many = head;
    for (int i = 0; i < 23; ++i) {
        many += sms("later", "1", "x");
    }
    const auto line = [](const std::string& body) {
        return "{\"folderPath\":\"Inbox\",\"deliveryTime\":1,\"body\":\"" + body + "\"}\n";
    };
    const struct {
        const char* name;
        std::string bytes;
        int kept;
        std::string report;
    } cases[] = {
        {"unmapped.xml", head + four + "</smses>\n", 2,
         "; reading stopped at the end of the file.\n"
         "Skipped: line 4, <sms> element 2: date=\"soon\" is not a whole number\n"
         "Skipped: line 5, <sms> element 3: type=\"9\" is not a message type (1 to 6)\n"},
        {"cut.xml", head + sms("1000", "1", "one") + sms("2000", "1", "two") + "<sms date=\"30", 2,
         "; reading stopped at line 5, "},
        {"latin1.xml", head + sms("1000", "1", "caf\xE9 \xFF") + "</smses>\n", 1,
         "; reading stopped at the end of the file.\nReplaced: 2 bytes that are not UTF-8, "
         "each with U+FFFD.\n"},
        {"many.xml", many + "</smses>\n", 0,
         "Skipped: line 22, <sms> element 20: date=\"later\" is not a whole number\n"
         "Skipped: 3 more messages whose values do not map.\n"},
        {"lines.json",
         line("one") + "{broken\n" + "{\"folderPath\":7}\n" + line("f\xC3") + line("five") +
             line("cut").substr(0, 20),
         3,
         "; reading stopped at the end of the file.\nSkipped: line 2, column 2: syntax error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(file(c.name), c.bytes);
        const CliResult r = RunCli({"salvage", file(c.name), file("out.usms")});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.out.starts_with("Salvaged " + std::to_string(c.kept) + " messages to " +
                                      file("out.usms")))
            << r.out;
        EXPECT_TRUE(Has(r.out, c.report)) << r.out;
        // What salvage wrote restores whole, and the strict readers name the damage and point
        // at salvage.
        ASSERT_EQ(RunCliOn(empty(), {"device", "init"}).status, 0);
        EXPECT_EQ(RunCliOn(empty(), {"restore", file("out.usms")}).status, 0);
        const CliResult strict = RunCli({"inspect", file(c.name)});
        EXPECT_EQ(strict.status, 1);
        EXPECT_TRUE(strict.err.ends_with("msgkeeper-cli: 'msgkeeper-cli salvage " + file(c.name) +
                                         " OUT' keeps the messages of the file that read\n"))
            << strict.err;
    }
}

TEST_F(Cli, AFileThatIsNoBackupIsNamedWithWhatItLooksLike) {
    const std::string usms = backup("five.usms", 5);
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
        const CliResult restore = RunCliOn(empty(), {"restore", file("x.usms")});
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

TEST_F(Cli, SalvageRecoversExactlyTheRecordsThatReadWhole) {
    const std::string whole = backup("five.usms", 5);
    ASSERT_EQ(whole.size(), 20u + 5 * 110);
    std::string flipped = whole;
    flipped[3] ^= 0x10; // the digest
    std::string damaged = whole;
    damaged[20 + 2 * 110] = 'X'; // the class of the third record
    std::string misfiled = whole;
    misfiled[20 + 2 * 110 + 24 + 6] = 'i'; // the third record's folder: Inbix
    std::string smashed = whole;
    smashed.replace(20 + 110 + 30, 60, 60, '\xFF'); // inside the second record
    const std::string damage3 = "\nDamaged: bytes 240-349 held no whole message.\n";
    const std::tuple<std::string, int, std::string> cases[] = {
        {flipped, 5, "reading stopped at byte 570: the end of the file.\n"},
        // Read past the damage: every record after it is kept, and the damage is named.
        {damaged, 4, "reading stopped at byte 570: the end of the file." + damage3},
        {misfiled, 4, "reading stopped at byte 570: the end of the file." + damage3},
        {smashed, 4, "the end of the file.\nDamaged: bytes 130-239 held no whole message.\n"},
        {whole.substr(0, 350) + std::string(100, '\0'), 3,
         "at byte 450: damage from byte 350 to the end of the file.\nDamaged: bytes 350-449"},
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
        // The new file is exactly a backup of the records that were recovered, and restores.
        EXPECT_EQ(ReadHostFile(file("out.usms")), backup("expected.usms", recovered)) << stop;
        const CliResult restored = RunCliOn(empty(), {"restore", file("out.usms")});
        EXPECT_EQ(restored.status, 0) << stop << restored.out;
    }
}

TEST_F(Cli, ListingsShowControlCharactersInsteadOfSendingThem) {
    const MessageFields fields{u"IPM.SMStext",
                               u"Inbox",
                               FILETIME{1, 1},
                               FILETIME{1, 1},
                               0,
                               0,
                               u"Mal\r\nlory",
                               u"5\x1b]0;pwned\x07",
                               u"line one\nclear \x1b[2J\x9b"};
    std::vector<MemoryRecord> messages;
    messages.emplace_back(fields, std::vector<Recipient>{});
    backup("evil.usms", 0, std::move(messages));
    ASSERT_EQ(RunCliOn(empty(), {"restore", file("evil.usms")}).status, 0);
    const CliResult inspect = RunCli({"inspect", file("evil.usms")});
    const CliResult list = RunCliOn(empty(), {"device", "list"});
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

TEST_F(Cli, DryRunWritesNothingAndForetellsTheRestore) {
    const std::string all = file("all.usms");
    const std::string bytes = backup(demo(), "usms", "all.usms");
    WriteHostFile(file("garbage.usms"), bytes.substr(0, 20) + std::string(bytes.size() - 20, 1));
    backup(demo(), "usms", "inbox.usms", "Inbox");
    ASSERT_EQ(RunCliOn(empty(), {"restore", file("inbox.usms")}).status, 0);
    backup("twice.usms", 2); // one record twice: the second replaces the first
    // One delivery time in two subfolders of one folder: neither record replaces the other.
    std::vector<MemoryRecord> apart;
    for (const std::u16string folder : {u"Inbox\\A", u"Inbox\\B"}) {
        apart.emplace_back(MessageFields{u"IPM.SMStext", folder, FILETIME{9, 9}, FILETIME{8, 9}, 1,
                                         4, u"", u"+1", u"apart"},
                           std::vector<Recipient>{});
    }
    backup("apart.usms", 0, std::move(apart));
    // 128 subfolder levels are restored; 129 are refused by the dry run as by the restore.
    std::u16string deep = u"Inbox";
    for (int level = 1; level <= 129; ++level) {
        deep += u"\\d";
        if (level >= 128) {
            std::vector<MemoryRecord> one;
            one.emplace_back(MessageFields{u"IPM.SMStext", deep, FILETIME{9, 9}, FILETIME{7, 9}, 1,
                                           4, u"", u"+1", u"deep"},
                             std::vector<Recipient>{});
            backup("deep" + std::to_string(level) + ".usms", 0, std::move(one));
        }
    }
    const std::string refusedDeep = "No.1:create folder '" + utf::Utf8(deep) + "' error.\n";
    // Each row restores its file after the dry run, so the next row sees what it added; where
    // the restore stops, the dry run stops with the same text.
    const std::tuple<std::string, int, std::string> cases[] = {
        {all, 0, "Dry run: 17 to add, 25 to replace.\n"},
        {all, 0, "Dry run: 0 to add, 42 to replace.\n"},
        {file("twice.usms"), 0, "Dry run: 1 to add, 1 to replace.\n"},
        {file("twice.usms"), 0, "Dry run: 0 to add, 2 to replace.\n"},
        {file("apart.usms"), 0, "Dry run: 2 to add, 0 to replace.\n"},
        {file("apart.usms"), 0, "Dry run: 0 to add, 2 to replace.\n"},
        {file("garbage.usms"), 1, "No.1:read sms error, Reached the end of the file.\n"},
        {file("deep128.usms"), 0, "Dry run: 1 to add, 0 to replace.\n"},
        {file("deep129.usms"), 1, refusedDeep},
    };
    for (const auto& [source, status, expected] : cases) {
        const auto before = Snapshot(empty());
        const CliResult dry = RunCliOn(empty(), {"restore", "--dry-run", source});
        EXPECT_EQ(dry.status, status) << dry.err;
        EXPECT_EQ(dry.out, expected);
        EXPECT_EQ(Snapshot(empty()), before) << "a dry run changed the handset";
        const CliResult real = RunCliOn(empty(), {"restore", source});
        EXPECT_EQ(real.status, status);
        EXPECT_EQ(real.out == dry.out, status != 0) << real.out;
    }
}

} // namespace
