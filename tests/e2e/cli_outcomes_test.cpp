// What the tool says and leaves when a job cannot finish: a full disk, a handset that another
// job holds, Ctrl-C, a restore that stops at a record, characters no message can hold.
#include "cli_fixture.h"
#include "platform/handset_lock.h"

#include <csignal>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

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

// A restore that fails at a record keeps the job's own text and adds what the store now holds;
// for a damaged file it names the salvage that keeps the rest.
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

} // namespace
