// The command-line tool as a person runs it: backups in every format, the one round trip at
// this level, merging, every command's exit status and texts, control characters in listings,
// the dry run, and a user who may not write the handset.
#include "cli_fixture.h"

#include <algorithm>
#include <regex>

namespace {

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
        EXPECT_THAT(RunCliOn(demo(), {"backup", format, target}),
                    Ran(0, "Backup Completed. 42 messages from 5 folders to " + target + "\n"));
        const std::string direct = ReadHostFile(target);
        EXPECT_THAT(direct, AllOf(StartsWith(head), ::testing::SizeIs(::testing::Gt(1000u))));
        EXPECT_EQ(RunCli({"convert", file("a.usms"), format, file("conv." + format)}).status, 0);
        EXPECT_EQ(ReadHostFile(file("conv." + format)), direct) << format;
    }
}

// A backup restored into an empty handset from its XML or JSON form backs up to the same bytes;
// the second restore replaces and adds nothing. The file names are not UTF-8: they reach the
// host byte for byte, neither written over the other. The Unicode backup's own round trip is
// the job tests'.
TEST_F(Cli, RestoreAndMergeGiveBackTheSameBackupFromEveryReadableFormat) {
    const std::string original = backup(demo(), "usms", "a\xFF.usms");
    EXPECT_EQ(backup(demo(), "usms", "a\xFE\x80.usms"), original);
    EXPECT_FALSE(fs::exists(file("a\xEF\xBF\xBD.usms")));
    for (const std::string format : {"xml", "json"}) {
        const std::string source = file("a\xFF." + format);
        ASSERT_THAT(RunCli({"convert", file("a\xFF.usms"), format, source}), Ran(0));
        EXPECT_THAT(RunCliOn(empty(), {"restore", source}),
                    Ran(0, StartsWith("Restore Completed. 42 messages from ")));
        EXPECT_EQ(backup(empty(), "usms", "b\x81.usms"), original) << format;
    }
    // merge gives the same backup back, and says how many files it read and what it left out.
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"merge", file("a\xFF.usms"), file("a\xFF.xml"), file("out.usms")},
         "Merged 2 files: 42 messages, 42 duplicates left out.\n"},
        {{"merge", file("a\xFF.json"), file("out.usms")},
         "Merged 1 file: 42 messages, 0 duplicates left out.\n"},
    };
    for (const auto& [args, said] : cases) {
        EXPECT_THAT(RunCli(args), Ran(0, said));
        EXPECT_TRUE(ReadHostFile(file("out.usms")) == original) << args[1];
    }
    EXPECT_THAT(RunCli({"merge", file("a\xFF.xml"), file("out.usms"), "-q"}), Ran(0, ""));
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
        {{"device", "init", "-h"}, 0, "--demo", ""},
        {{}, 2, "", "no command given"},
        {{"frobnicate"}, 2, "", "unknown command 'frobnicate'"},
        {{"bakup", "usms", "x"}, 2, "", "did you mean 'backup'?"},
        {{"help", "restor"}, 2, "", "did you mean 'restore'?"},
        {{"backup", "usms"}, 2, "", "FILE"},
        {{"backup", "docx", "x"}, 2, "", "unknown format 'docx'; use usms, sms, txt-ansi, txt-utf8, "
                                         "txt-unicode, csv-ansi, csv-utf8, xml or json"},
        {{"backup", "usms", ""}, 2, "", "FILE: must not be empty"},
        {{"backup", "usms", "x", "--folders", "Inbox,Bogus"}, 2, "", "is not a folder list"},
        {{"merge"}, 2, "", "FILE is required (see msgkeeper-cli merge --help)"},
        {{"merge", "a"}, 2, "", "OUT is required (see msgkeeper-cli merge --help)"},
        {{"merge", "a", "", "b"}, 2, "", "FILE: must not be empty"},
        {{"device"}, 2, "", "init, list"},
        {{"device", "init", "--bogus"}, 2, "", "--bogus"},
        {{"--device"}, 2, "", "--device"},
        {{"--device", "", "device", "list"}, 2, "", "--device: must not be empty"},
        {{"inspect", "@/a.usms"}, 0, "Total: 42\n", ""},
        {{"inspect", "@/a.usms"}, 0, "Folder: Inbox\\Work\\Projects\n", ""},
        {{"inspect", "@/a.usms"}, 0, "明日の会議は午後3時からです。", ""},
        {{"inspect", "@/damaged.usms"}, 1, "Total: 42\n", "No.1:read sms error, Reached"},
        {{"inspect", "@/nope.usms"}, 1, "", "@/nope.usms: cannot open the file, " + notFound},
        {{"restore", "@/nope.usms"}, 1, "begin restore error, " + notFound, "from @/nope.usms"},
        {{"-q", "restore", "@/nope.usms"}, 1, "begin restore error, " + notFound, "@/nope.usms"},
        {{"--device", "@/nil", "backup", "usms", "x"}, 1, "", "@/nil; run 'msgkeeper-cli device"},
        {{"restore", "@/cut.xml"}, 1, "read xml error, line 1, column 13", "from @/cut.xml"},
        // The job's own text, then the host's reason in plain words.
        {{"backup", "usms", "@/afolder"}, 1, "begin backup error, " + denied,
         "failed: @/afolder is a folder\n"},
        {{"restore", "@/afolder"}, 1, "begin restore error, " + denied, "@/afolder is a folder\n"},
        {{"backup", "txt-utf8", "/dev/full"}, 1, "Write to file failed.,",
         "/dev/full is not a regular file\n"},
        {{"backup", "usms", "@/no/x.usms"}, 1, "begin backup error, " + noPath,
         "to @/no/x.usms failed: @/no/x.usms is in a folder that does not"},
        {{"inspect", "@/afolder"}, 1, "", "msgkeeper-cli: @/afolder is a folder\n"},
        {{"convert", "@/a.usms", "json", "@/a.usms"}, 1, "", "@/a.usms is the input file\n"},
        // convert reads once: the same text, and nothing under either name (checked below).
        {{"convert", "@/cut.xml", "usms", "@/out"}, 1, "", "cut.xml: read xml error, line 1, col"},
        // merge names the damaged input, and writes nothing either.
        {{"merge", "@/a.usms", "@/cut.json", "@/out"}, 1, "", "cut.json: read json error, line 1"},
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
        {{"backup", "usms", "@/x", "--folders", "none"}, 0, "0 messages from 0", "no folder"},
    };
    // clang-format on
    const auto place = [this](const std::string& text) {
        return std::regex_replace(text, std::regex("@/"), file(""));
    };
    for (const auto& [row, status, out, err] : cases) {
        std::vector<std::string> args = {"--device", place("@/demo")};
        if (std::find(row.begin(), row.end(), "--device") != row.end()) {
            args.clear();
        }
        std::transform(row.begin(), row.end(), std::back_inserter(args), place);
        const auto part = [&](const std::string& text) {
            return text.empty() ? Text(::testing::IsEmpty()) : HasSubstr(place(text));
        };
        const Text line = status == 2 ? ::testing::MatchesRegex("[^\n]*\n") : Text(_);
        EXPECT_THAT(RunCli(args), Ran(status, part(out), AllOf(part(err), line)))
            << ::testing::PrintToString(args); // a usage error is one line
    }
    EXPECT_FALSE(fs::exists(file("out")) || fs::exists(file("out.partial")));
    EXPECT_THAT(RunCli({"--help"}, "/dev/full"),
                Ran(1, _, HasSubstr("cannot write to standard output")));
}

TEST_F(Cli, ListingsShowControlCharactersInsteadOfSendingThem) {
    backup("evil.usms", 1, [](MemoryRecord& evil, int) {
        evil.setSenderName(u"Mal\r\nlory");
        evil.setSenderNumber(u"5\x1b]0;pwned\x07");
        evil.setBody(u"line one\nclear \x1b[2J\x9b");
    });
    ASSERT_THAT(RunCliOn(empty(), {"restore", file("evil.usms")}), Ran(0));
    const Text shown = AllOf(
        HasSubstr("Mal\\x0D\\x0Alory"), HasSubstr("5\\x1B]0;pwned\\x07"),
        HasSubstr("clear \\x1B[2J\\u009B"),
        Not(AnyOf(HasSubstr("\x1b"), HasSubstr("\x07"), HasSubstr("\r"), HasSubstr("\xC2\x9B"))));
    // A body keeps its line breaks, a listing line does not.
    EXPECT_THAT(RunCli({"inspect", file("evil.usms")}),
                Ran(0, AllOf(shown, HasSubstr("line one\nclear"))));
    EXPECT_THAT(RunCliOn(empty(), {"device", "list"}),
                Ran(0, AllOf(shown, HasSubstr("line one\\x0Aclear"))));
}

TEST_F(Cli, DryRunWritesNothingAndForetellsTheRestore) {
    const std::string bytes = backup(demo(), "usms", "all.usms");
    WriteHostFile(file("garbage.usms"), bytes.substr(0, 20) + std::string(bytes.size() - 20, 1));
    backup(demo(), "usms", "inbox.usms", "Inbox");
    ASSERT_THAT(RunCliOn(empty(), {"restore", file("inbox.usms")}), Ran(0));
    backup("twice.usms", 2); // one record twice: the second replaces the first
    // One delivery time in two subfolders of one folder: neither record replaces the other.
    backup("apart.usms", 2,
           [](MemoryRecord& m, int i) { m.setFolderPath(i ? u"Inbox\\B" : u"Inbox\\A"); });
    // 128 subfolder levels are restored; 129 are refused by the dry run as by the restore.
    std::u16string deep = u"Inbox";
    for (int level = 1; level <= 129; ++level) {
        deep += u"\\d";
        backup("deep" + std::to_string(level) + ".usms", 1,
               [&deep](MemoryRecord& m, int) { m.setFolderPath(deep); });
    }
    const std::string refusedDeep = "No.1:create folder '" + utf::Utf8(deep) + "' error.\n";
    // Each row restores its file after the dry run, so the next row sees what it added; where
    // the restore stops, the dry run stops with the same text.
    const std::tuple<std::string, int, std::string> cases[] = {
        {file("all.usms"), 0, "Dry run: 17 to add, 25 to replace.\n"},
        {file("all.usms"), 0, "Dry run: 0 to add, 42 to replace.\n"},
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
        EXPECT_THAT(RunCliOn(empty(), {"restore", "--dry-run", source}), Ran(status, expected));
        EXPECT_EQ(Snapshot(empty()), before) << "a dry run changed the handset";
        // Where the restore stops, it says what the dry run said.
        EXPECT_THAT(RunCliOn(empty(), {"restore", source}),
                    Ran(status, status == 0 ? Text(::testing::Ne(expected)) : expected));
    }
}

// The tool run by a user who may not write the handset (nobody, when the tests run as root):
// the reading commands print what they print for the handset's owner, and the commands that
// would write say which folder they cannot write and why, never that the handset is busy (the
// backup's refusal is the job tests').
TEST_F(Cli, ReadingCommandsWorkForAReaderAndWritingOnesSayWhyNot) {
    const std::string backup = file("a.usms");
    ASSERT_THAT(RunCliOn(demo(), {"settings", "--folders", "inbox,sentedbox"}), Ran(0));
    ASSERT_THAT(RunCliOn(demo(), {"backup", "usms", backup}), Ran(0));
    const std::pair<std::vector<std::string>, Text> reading[] = {
        {{"device", "list"}, HasSubstr("Hi! Are we still on for lunch tomorrow?")},
        {{"restore", "--dry-run", backup}, "Dry run: 0 to add, 33 to replace.\n"},
        {{"settings"}, HasSubstr("Inbox: selected\nOutbox: not selected\n")}};
    std::vector<CliResult> owners;
    for (const auto& [args, said] : reading) {
        owners.push_back(RunCliOn(demo(), args));
        ASSERT_THAT(owners.back(), Ran(0, said)) << args[0];
    }

    const UnwritableTree tree(dir_.path());
    if (!tree.holds()) {
        ASSERT_FALSE(ReaderIsNobody()) << "nobody can write the test folder";
        GTEST_SKIP() << "this user can write any folder";
    }
    ASSERT_THAT(RunCliAsReader(demo(), {"--version"}), Ran(0))
        << "the reader cannot run msgkeeper-cli; its build folder must be open to every user";
    for (std::size_t i = 0; i < std::size(reading); ++i) {
        EXPECT_THAT(RunCliAsReader(demo(), reading[i].first), Ran(0, owners[i].out, ""));
    }
    const std::string why =
        "cannot write to the handset folder " + demo().string() + ": job.lock: Permission denied";
    const std::vector<std::string> writing[] = {{"restore", backup}, {"device", "init"}};
    for (const auto& args : writing) {
        const CliResult r = RunCliAsReader(demo(), args);
        EXPECT_EQ(r.status, 1) << args.back();
        EXPECT_THAT(r.out + r.err, AllOf(HasSubstr(why), Not(HasSubstr("busy")))) << args.back();
    }
    EXPECT_THAT(RunCliAsReader(demo(), {"settings", "--folders", "inbox"}),
                Ran(1, _,
                    "msgkeeper-cli: cannot write settings.dat on the handset at " +
                        demo().string() + ": Access is denied.\n"));
    EXPECT_EQ(RunCliAsReader(demo(), {"settings"}).out, owners[2].out);
}

} // namespace
