// The transfer layer's commands as the tool and later callers use them: convert, inspect and
// salvage end with an outcome that says whose fault a failure was, stop when asked, and never
// leave a partial or changed output behind.
#include "files/unicode_backup_file.h"
#include "interchange/json_backup_file.h"
#include "interchange/xml_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"
#include "transfer/convert.h"
#include "transfer/inspect.h"
#include "transfer/salvage.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

bool Has(const std::u16string& text, const std::string& part) {
    return utf::Utf8(text).find(part) != std::string::npos;
}

class Transfer : public ::testing::Test {
protected:
    // A Unicode backup of count numbered messages, its bytes.
    std::string Backup(const char* name, int count) {
        std::vector<MemoryRecord> messages;
        for (int i = 0; i < count; ++i) {
            messages.push_back(WorkedExampleMessage());
            messages.back().setBody(u"m" + utf::Utf16(std::to_string(i)));
        }
        UnicodeBackupFile usms;
        EXPECT_TRUE(RunBackup(usms, file(name), messages).ok);
        return ReadHostFile(dir_.path() / name);
    }
    std::u16string file(const char* name) const { return dir_.file(name); }
    // The output is what it was before the run, and no partial file is beside it.
    void ExpectOutputUnchanged() const {
        EXPECT_EQ(ReadHostFile(dir_.path() / "out"), "earlier");
        EXPECT_FALSE(fs::exists(dir_.path() / "out.partial"));
    }

    TempDir dir_;
};

TEST_F(Transfer, ConvertSaysWhoseFaultAFailureIsAndLeavesTheEarlierOutput) {
    using enum ConvertResult::Outcome;
    const std::string usms = Backup("a.usms", 3000);
    // Thousands of messages, then damage: the reading thread has handed on batches before it.
    XmlBackupFile xml;
    ASSERT_EQ(ConvertFile(file("a.usms"), xml, file("a.xml")).outcome, Converted);
    const std::string wholeXml = ReadHostFile(dir_.path() / "a.xml");
    WriteHostFile(dir_.path() / "cut.xml", wholeXml.substr(0, wholeXml.size() * 2 / 3));
    WriteHostFile(dir_.path() / "garbage.usms",
                  usms.substr(0, 20) + std::string(usms.size() - 20, '\x01'));
    WriteHostFile(dir_.path() / "a.csv", "\"Class Name\",\"Folder\"\r\n");
    const std::tuple<const char*, const char*, ConvertResult::Outcome, std::string> cases[] = {
        {"cut.xml", "out", InputFailed, "read xml error, line "},
        {"garbage.usms", "out", InputFailed, "No.1:read sms error, "},
        {"missing", "out", InputFailed, "cannot open the file, The system cannot find the file"},
        {"a.csv", "out", InputFailed,
         "File Validation Failed. It looks like a CSV export, not a Unicode backup (.usms)."},
        {"a.usms", "no/out", OutputFailed, "begin backup error, "},
    };
    for (const auto& [input, output, outcome, text] : cases) {
        SCOPED_TRACE(input);
        WriteHostFile(dir_.path() / "out", "earlier");
        JsonBackupFile json;
        const ConvertResult result = ConvertFile(file(input), json, file(output));
        EXPECT_EQ(result.outcome, outcome);
        EXPECT_TRUE(Has(result.error, text)) << utf::Utf8(result.error);
        ExpectOutputUnchanged();
    }
}

TEST_F(Transfer, ConvertAndSalvageStopWhenAskedAndLeaveTheEarlierOutput) {
    Backup("a.usms", 3000);
    for (const int after : {0, 1, 700}) {
        SCOPED_TRACE(after);
        int asked = 0;
        const StopCheck stop = [&asked, after] { return asked++ >= after; };
        WriteHostFile(dir_.path() / "out", "earlier");
        XmlBackupFile xml;
        const ConvertResult converted = ConvertFile(file("a.usms"), xml, file("out"), stop);
        EXPECT_EQ(converted.outcome, ConvertResult::Outcome::Stopped);
        EXPECT_EQ(converted.written, static_cast<DWORD>(after));
        ExpectOutputUnchanged();
        asked = 0;
        const SalvageResult salvaged = SalvageFile(file("a.usms"), file("out"), stop);
        EXPECT_EQ(salvaged.outcome, SalvageResult::Outcome::Stopped);
        ExpectOutputUnchanged();
    }
}

TEST_F(Transfer, InspectHandsOnTheTotalWhatWasSkippedAndEveryRecord) {
    WriteHostFile(dir_.path() / "a.xml", "<smses><sms body=\"one\" /><mms><part /></mms>\n"
                                         "<sms body=\"two\" /></smses>");
    std::vector<std::string> seen;
    const InspectResult result = InspectFile(
        file("a.xml"),
        [&seen](DWORD total, unsigned long skipped) {
            seen.push_back(std::to_string(total) + " " + std::to_string(skipped));
        },
        [&seen](DWORD number, MemoryRecord& record) {
            seen.push_back(std::to_string(number) + utf::Utf8(record.body()));
        });
    EXPECT_TRUE(result.ok) << utf::Utf8(result.error);
    EXPECT_EQ(seen, (std::vector<std::string>{"2 1", "1one", "2two"}));

    const std::string usms = Backup("a.usms", 2);
    WriteHostFile(dir_.path() / "cut.usms", usms.substr(0, 20) + std::string(usms.size() - 20, 1));
    seen.clear();
    const InspectResult cut = InspectFile(
        file("cut.usms"),
        [&seen](DWORD total, unsigned long) { seen.push_back(std::to_string(total)); },
        [&seen](DWORD, MemoryRecord&) { seen.push_back("record"); });
    EXPECT_FALSE(cut.ok);
    EXPECT_TRUE(Has(cut.error, "No.1:read sms error, ")) << utf::Utf8(cut.error);
    EXPECT_EQ(seen, std::vector<std::string>{"2"});
}

TEST_F(Transfer, SalvageRefusesWhatIsNoBackupAndCountsWhatItRecovered) {
    const std::string usms = Backup("a.usms", 5);
    WriteHostFile(dir_.path() / "cut.usms", usms.substr(0, usms.size() - 1));
    WriteHostFile(dir_.path() / "calls.xml", "<?xml version='1.0'?><calls count='0'/>");
    WriteHostFile(dir_.path() / "out", "earlier");
    const SalvageResult refused = SalvageFile(file("calls.xml"), file("out"));
    EXPECT_EQ(refused.outcome, SalvageResult::Outcome::InputFailed);
    EXPECT_EQ(utf::Utf8(refused.error),
              "nothing to salvage. It looks like a phone call log, not a Unicode backup (.usms).");
    ExpectOutputUnchanged();
    const SalvageResult salvaged = SalvageFile(file("cut.usms"), file("out"));
    EXPECT_EQ(salvaged.outcome, SalvageResult::Outcome::Salvaged);
    EXPECT_EQ(salvaged.recovered, 4u);
    EXPECT_EQ(salvaged.declaredTotal, 5u);
    EXPECT_EQ(salvaged.stopReason, "the file ends inside message 5");
    EXPECT_EQ(ReadHostFile(dir_.path() / "out"), Backup("four.usms", 4));
}

} // namespace
