// What the tool says and leaves when a job cannot finish: a full disk, a handset that another
// job holds, Ctrl-C, a restore that stops at a record, characters no message can hold; and
// files that are not sound backups: call logs and contacts named for what they are, files of
// another kind described, and salvage of damaged backups and phone files.
#include "cli_fixture.h"
#include "platform/handset_lock.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

// convert, salvage, merge and archive onto a real disk that fills before their output is whole: the
// earlier file stays byte for byte, and no partial file is left to keep the disk full. Each
// writer at every place a disk can fill is the job tests' fault sweep.
TEST_F(Cli, AFullDiskKeepsTheEarlierOutputAndLeavesNoPartialFile) {
    backup(demo(), "usms", "in.usms");
    const std::string earlier(6972, 'e');
    const std::vector<std::vector<std::string>> commands = {
        {"convert", file("in.usms"), "json", file("out")},
        {"salvage", file("in.usms"), file("out")},
        {"merge", file("in.usms"), file("in.usms"), file("out")},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0]);
        WriteHostFile(file("out"), earlier);
        EXPECT_THAT(RunCliLimited(4096, command), // each output is longer
                    Ran(1, _, HasSubstr("There is not enough space on the disk.")));
        EXPECT_TRUE(ReadHostFile(file("out")) == earlier);
        EXPECT_FALSE(fs::exists(file("out.partial")));
    }
    // The archive writes a folder of files: one that cannot be whole leaves no folder at all.
    EXPECT_THAT(RunCliLimited(1024, {"archive", file("in.usms"), file("site")}),
                Ran(1, _, HasSubstr("cannot write the file")));
    EXPECT_FALSE(fs::exists(file("site")));
    EXPECT_FALSE(fs::exists(file("site.partial")));
}

// Setting up and filling a handset is a job on it: while another job holds the handset,
// init is refused and changes nothing, so no backup can ever save half of the demo.
TEST_F(Cli, InitIsRefusedWhileAJobHoldsTheHandset) {
    const auto before = Snapshot(demo());
    {
        const HandsetLock job(demo());
        ASSERT_TRUE(job.held());
        EXPECT_THAT(RunCliOn(demo(), {"device", "init", "--demo"}),
                    Ran(1, _, HasSubstr("The handset is busy")));
        EXPECT_TRUE(Snapshot(demo()) == before);
    }
    EXPECT_THAT(RunCliOn(demo(), {"device", "init"}), Ran(0)); // free again
}

// Ctrl-C stops a restore after the message in hand: it says how many messages it restored,
// which is what the store holds, and a second run restores the rest without doubling any.
TEST_F(Cli, AnInterruptedRestoreSaysWhatItRestoredAndARerunCompletesIt) {
    constexpr int kMessages = 20000;
    backup("big.usms", kMessages, [](MemoryRecord& m, int i) {
        m.setDeliveryTime(U64ToFileTime(130000000000000000ull + i));
        m.setBody(u"m" + utf::Utf16(std::to_string(i)));
    });
    const auto storeCount = [this] {
        EXPECT_THAT(RunCliOn(empty(), {"backup", "usms", file("count.usms")}), Ran(0));
        const std::string bytes = ReadHostFile(file("count.usms")) + std::string(20, '\0');
        return static_cast<unsigned char>(bytes[16]) | static_cast<unsigned char>(bytes[17]) << 8;
    };
    const TempDir capture;
    // Starts a job on the empty handset, sends it Ctrl-C once ready() holds, and gives its exit
    // status, or minus the signal that ended it.
    const auto interrupt = [&](const std::vector<std::string>& args, const auto& ready) {
        const pid_t job =
            Start(Command({MSGKEEPER_CLI_PATH, "--device", empty()}, args),
                  (capture.path() / "out").string(), (capture.path() / "err").string());
        if (job <= 0) {
            ADD_FAILURE() << "cannot start msgkeeper-cli";
            return -1;
        }
        while (!ready() && waitpid(job, nullptr, WNOHANG) == 0) {
            usleep(200);
        }
        kill(job, SIGINT);
        int status = 0;
        EXPECT_EQ(waitpid(job, &status, 0), job) << "the job ended before Ctrl-C";
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    };
    // Once the store's log has grown, messages are being written and the handler is in place.
    EXPECT_EQ(interrupt({"restore", file("big.usms")},
                        [log = empty() / "mail.db-wal"] {
                            std::error_code absent;
                            const std::uintmax_t size = fs::file_size(log, absent);
                            return !absent && size >= 512 * 1024;
                        }),
              130);
    const int restored = storeCount();
    EXPECT_GT(restored, 0);
    EXPECT_LT(restored, kMessages);
    std::string count = std::to_string(restored);
    if (count.size() > 3) {
        count.insert(count.size() - 3, ",");
    }
    EXPECT_EQ(ReadHostFile(capture.path() / "out"),
              "Restore interrupted: " + count +
                  " of 20,000 messages restored. Run it again to restore the rest; messages "
                  "already restored are replaced, not doubled.\n");
    EXPECT_THAT(RunCliOn(empty(), {"restore", file("big.usms")}), Ran(0));
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
        EXPECT_EQ(interrupt(args, [this] { return fs::exists(file("out.partial")); }), 130);
        EXPECT_EQ(ReadHostFile(capture.path() / "out"),
                  job + " interrupted: the earlier " + file("out") + " is unchanged.\n");
        EXPECT_EQ(ReadHostFile(file("out")), "earlier");
        EXPECT_FALSE(fs::exists(file("out.partial")));
    }
}

// A restore that fails at a record keeps the job's own text and adds what the store now holds;
// for a damaged file it names the salvage that keeps the rest.
TEST_F(Cli, ARestoreThatFailsAtARecordSaysHowManyItRestored) {
    const std::string bytes = backup("five.usms", 5, [](MemoryRecord& m, int i) {
        m.setDeliveryTime(U64ToFileTime(140000000000000000ull + i));
    });
    ASSERT_EQ(bytes.size(), 20u + 5 * 110);
    // Record 4's recipient count.
    WriteHostFile(file("cut.usms"),
                  std::string(bytes).replace(20 + 3 * 110 + 84, 4, "\xFF\xFF\xFF\x7F"));
    EXPECT_THAT(RunCliOn(empty(), {"restore", file("cut.usms")}),
                Ran(1, StartsWith("No.4:read sms error, "),
                    HasSubstr("msgkeeper-cli: 3 of 5 messages were restored before the failing "
                              "one; the file is damaged there: 'msgkeeper-cli salvage " +
                              file("cut.usms") + " OUT' keeps every message that reads\n")));
}

// A character no message can hold is left out of its text, and the restore says how many; inspect,
// convert and merge read it the same way and say so once. It comes by an escape, or in a
// companion's units, whose name a key may spell with an escape too.
TEST_F(Cli, ARestoreSaysHowManyCharactersItLeftOut) {
    WriteHostFile(file("nul.json"),
                  "{\"folderPath\":\"Inbox\",\"body\":\"before\\u0000after\\u0000\"}\n"
                  "{\"folderPath\":\"Inbox\",\"body\":\"x\",\"bodyUtf16\":\"0041000000420000\"}\n"
                  "{\"folderPath\":\"Inbox\",\"body\":\"y\",\"body\\u0055tf16\":\"00430000\"}\n");
    const std::string leftOut = "Left out: 5 characters U+0000, which no message can hold.\n";
    const Text kept = AllOf(HasSubstr("Content:\nbeforeafter\n"), HasSubstr("Content:\nAB\n"),
                            HasSubstr("Content:\nC\n"));
    EXPECT_THAT(RunCliOn(empty(), {"restore", file("nul.json")}), Ran(0, _, leftOut));
    EXPECT_THAT(RunCli({"inspect", file("nul.json")}), Ran(0, kept, leftOut));
    EXPECT_THAT(RunCli({"convert", file("nul.json"), "usms", file("c.usms")}), Ran(0, _, leftOut));
    EXPECT_THAT(RunCli({"merge", file("nul.json"), file("m.usms")}), Ran(0, _, leftOut));
    EXPECT_EQ(ReadHostFile(file("m.usms")), ReadHostFile(file("c.usms")));
}

// The other files that phones write beside the messages are named for what they are.
TEST_F(Cli, CallLogsAndContactsAreNamedAsSuch) {
    WriteHostFile(file("calls.xml"), "<?xml version='1.0' encoding='UTF-8' ?>\n<calls count=\"1\">"
                                     "<call number=\"+49\" duration=\"5\" type=\"1\" /></calls>\n");
    const std::string calls = file("calls.xml");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"inspect", calls},
          {"convert", calls, "usms", file("o.usms")},
          {"salvage", calls, file("o.usms")},
          {"merge", calls, file("o.usms")},
          {"--device", empty().string(), "restore", calls},
          {"--device", empty().string(), "restore", "--dry-run", calls}}) {
        EXPECT_THAT(RunCli(args),
                    Ran(1, "", "msgkeeper-cli: " + calls + " is a phone call log, not messages\n"))
            << args[0];
    }
    EXPECT_FALSE(fs::exists(file("o.usms")));
}

// A file that is no backup is named with what it looks like; salvage keeps exactly the records
// of a damaged backup that read whole.
TEST_F(Cli, SalvageRecoversExactlyTheRecordsThatReadWhole) {
    const std::string whole = backup("five.usms", 5);
    ASSERT_EQ(whole.size(), 20u + 5 * 110);
    const std::pair<std::string, std::string> kinds[] = {
        {"\xEF\xBB\xBF\"Class Name\",\"Folder\"\r\n", "a CSV export"},
        {whole.substr(0, 300), "a damaged Unicode backup"},
    };
    for (const auto& [bytes, looks] : kinds) {
        WriteHostFile(file("x.usms"), bytes);
        EXPECT_THAT(
            RunCli({"inspect", file("x.usms")}),
            Ran(1, _,
                HasSubstr(file("x.usms") + ": File Validation Failed. It looks like " + looks)));
        // The job's own text, unchanged, and the file's kind.
        EXPECT_THAT(RunCliOn(empty(), {"restore", file("x.usms")}),
                    Ran(1, "File Validation Failed.\n",
                        AllOf(HasSubstr(file("x.usms")), HasSubstr(looks))));
    }
    WriteHostFile(file("a.csv"), "\"Class Name\",\"Folder\"\n");
    EXPECT_THAT(RunCli({"salvage", file("a.csv"), file("b")}),
                Ran(1, _, HasSubstr("a CSV export")));
    EXPECT_FALSE(fs::exists(file("b")));
    const auto with = [&whole](std::size_t at, const std::string& bytes) {
        return std::string(whole).replace(at, bytes.size(), bytes);
    };
    const std::string damage3 = "\nDamaged: bytes 240-349 held no whole message.\n";
    const std::tuple<std::string, int, std::string> cases[] = {
        // A bit of the digest flipped.
        {with(3, {static_cast<char>(whole[3] ^ 0x10)}), 5,
         "reading stopped at byte 570: the end of the file.\n"},
        // Read past the damage: every record after it is kept, and the damage is named. The
        // class of the third record, its folder (Inbix), and bytes inside the second.
        {with(20 + 2 * 110, "X"), 4, "reading stopped at byte 570: the end of the file." + damage3},
        {with(20 + 2 * 110 + 24 + 6, "i"), 4,
         "reading stopped at byte 570: the end of the file." + damage3},
        {with(20 + 110 + 30, std::string(60, '\xFF')), 4,
         "the end of the file.\nDamaged: bytes 130-239 held no whole message.\n"},
        {whole.substr(0, 350) + std::string(100, '\0'), 3,
         "at byte 450: damage from byte 350 to the end of the file.\nDamaged: bytes 350-449"},
        {whole.substr(0, 19), 0, "the file is shorter than its 20-byte header."},
        {whole.substr(0, 20), 0, "at byte 20: the end of the file."},
        {whole.substr(0, 129), 0, "at byte 20: the file ends inside message 1."},
        {whole.substr(0, 130), 1, "at byte 130: the end of the file."},
        {whole + "x", 5, "at byte 570: the file ends inside message 6."},
    };
    for (const auto& [bytes, recovered, stop] : cases) {
        WriteHostFile(file("in"), bytes);
        EXPECT_THAT(
            RunCli({"salvage", file("in"), file("out.usms")}),
            Ran(0, AllOf(HasSubstr("Salvaged " + std::to_string(recovered)), HasSubstr(stop))));
        // The new file is exactly a backup of the records that were recovered.
        EXPECT_EQ(ReadHostFile(file("out.usms")), backup("expected.usms", recovered)) << stop;
    }
}

// salvage of phone files: every message that reads and maps is kept, the others are named with
// their line, bytes that are not UTF-8 become U+FFFD, and a cut file keeps what came before.
TEST_F(Cli, SalvageKeepsThePhoneMessagesThatReadAndNamesTheOthers) {
    const auto sms = [](const std::string& date, const std::string& type, const std::string& body) {
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
    const std::tuple<std::string, std::string, int, std::string> cases[] = {
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
         3, "; reading stopped at the end of the file.\nSkipped: line 2, column 2: syntax error"},
    };
    for (const auto& [name, bytes, kept, report] : cases) {
        SCOPED_TRACE(name);
        WriteHostFile(file(name), bytes);
        const std::string salvaged = "Salvaged " + std::to_string(kept) + " messages to ";
        EXPECT_THAT(RunCli({"salvage", file(name), file("out.usms")}),
                    Ran(0, AllOf(StartsWith(salvaged + file("out.usms")), HasSubstr(report))));
        // The strict readers name the damage and point at salvage.
        EXPECT_THAT(RunCli({"inspect", file(name)}),
                    Ran(1, _,
                        EndsWith("msgkeeper-cli: 'msgkeeper-cli salvage " + file(name) +
                                 " OUT' keeps the messages of the file that read\n")));
    }
}

} // namespace
