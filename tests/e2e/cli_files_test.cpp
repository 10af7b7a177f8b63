// Files that are not sound backups: call logs and contacts named for what they are, files of
// another kind described, and salvage of damaged backups and phone files.
#include "cli_fixture.h"

using namespace std::string_literals;

namespace {

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
         3, "; reading stopped at the end of the file.\nSkipped: line 2, column 2: syntax error"},
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

} // namespace
