// The archive's rules without a browser: numbers, conversations, marks, the texts of the search
// data, and the folder it is written to.
#include "archive/archive.h"
#include "archive/archive_sink.h"
#include "archive/collection.h"
#include "archive/conversation.h"
#include "archive/script_text.h"
#include "archive_samples.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

TEST(ArchiveRules, NumbersKeepALeadingPlusAndTheDigits) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"+49 (151) 1234-5678", u"+4915112345678"},
        {u"0151.1234.5678", u"015112345678"},
        {u"+1 555\u00A00100", u"+15550100"},
        {u"12+34", u"1234"},
        {u" - ( ) . +", u""},
        {u"Vodafone DE", u"VodafoneDE"},
    };
    for (const auto& [given, kept] : cases) {
        EXPECT_EQ(archive::NormaliseNumber(given), kept);
    }
}

TEST(ArchiveRules, TheOtherPartyMakesTheConversation) {
    struct Case {
        const char16_t* folder;
        const char16_t* sender;
        std::vector<Recipient> to;
        std::vector<std::u16string> numbers;
        const char16_t* name;
    };
    const Recipient b(u"+33 6", u"B", 1);
    const Recipient a(u"+1 2", u"A", 1);
    const Case cases[] = {
        {u"Inbox", u"+49 151 1", {a}, {u"+491511"}, u"Sender"},
        {u"Sentedbox", u"", {b, a, Recipient(u"+336", u"", 1)}, {u"+12", u"+336"}, u"B, A"},
        {u"Draft", u"", {}, {}, u""},
        {u"Wastebox\\Old", u"555", {a}, {u"555"}, u"Sender"}, // received: it has a sender
        {u"Wastebox", u"", {a}, {u"+12"}, u"A"},
        {u"Sentedbox", u"", {Recipient(u"+1 2", u"+12", 1)}, {u"+12"}, u""}, // a number, no name
    };
    for (const Case& c : cases) {
        MessageFields fields;
        fields.folderPath = c.folder;
        fields.senderNumber = c.sender;
        fields.senderName = u"Sender";
        MemoryRecord record(fields, c.to);
        const archive::Party party = archive::PartyOf(record);
        EXPECT_EQ(party.numbers, c.numbers);
        EXPECT_EQ(party.name, c.name);
        EXPECT_EQ(party.received, *c.sender != u'\0');
    }
}

TEST(ArchiveRules, MarksAndLineStarts) {
    const std::pair<std::u16string, std::u16string> marks[] = {
        {u"Inbox", u""},           {u"Sentedbox", u""},
        {u"Draft", u"Draft"},      {u"Outbox", u"Outbox"},
        {u"Wastebox", u"Deleted"}, {u"Wastebox\\Old\\2020", u"Deleted \u00B7 Old\\2020"},
        {u"Inbox\\Work", u"Work"}, {u"Elsewhere\\x", u"Elsewhere\\x"},
    };
    for (const auto& [path, mark] : marks) {
        EXPECT_EQ(archive::FolderMark(path), mark);
    }
    EXPECT_EQ(archive::LineStart(u"a\r\nb\tc", 10), u"a  b c");
    EXPECT_EQ(archive::LineStart(u"ab\U0001F600", 3), u"ab\u2026"); // a pair is never split
    EXPECT_EQ(archive::LineStart(u"ab\U0001F600c", 4), u"ab\U0001F600\u2026");
}

TEST(ArchiveRules, NothingInAScriptStringCanEndTheStringOrTheScript) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain text 1", R"("plain text 1")"},
        {"</script><!--", R"("\u003c/script\u003e\u003c!--")"},
        {"a&b\"\\", R"("a\u0026b\u0022\u005c")"},
        {"\n\t\x01\x7f", R"("\u000a\u0009\u0001\u007f")"},
        {"\xE2\x80\xA8\xE2\x80\xA9\xC3\xA9\xE2\x80\xAE", R"("\u2028\u2029\u00e9\u202e")"},
        {"\xF0\x9F\x98\x80", R"("\ud83d\ude00")"},
        {"\xFF"
         "a\xC0\xAF\xED\xA0\x80\xE2\x82",
         R"("\ufffda\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd")"}, // not UTF-8, cut short
    };
    for (const auto& [text, literal] : cases) {
        EXPECT_EQ(archive::ScriptString(text), literal) << text;
    }
}

std::string Read(const fs::path& file) {
    std::stringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

std::u16string Wide(const fs::path& path) {
    const std::string text = path.string();
    return std::u16string(text.begin(), text.end());
}

// A small archive of two files, the second holding the last hundred messages of the first.
class ArchiveSite : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<MemoryRecord> again = samples::MakeSample(3000).messages;
        std::vector<MemoryRecord> tail(std::make_move_iterator(again.end() - 100),
                                       std::make_move_iterator(again.end()));
        ASSERT_TRUE(samples::WriteBackup(sample_.messages, temp_.path() / "all.usms"));
        ASSERT_TRUE(samples::WriteBackup(tail, temp_.path() / "tail.usms"));
    }

    ArchiveResult Archive(const fs::path& dir, const StopCheck& stop = {}) {
        return ArchiveFiles({Wide(temp_.path() / "all.usms"), Wide(temp_.path() / "tail.usms")},
                            Wide(dir), stop);
    }

    TempDir temp_;
    samples::Sample sample_ = samples::MakeSample(3000);
};

TEST_F(ArchiveSite, HoldsEachMessageOnceInFilesOfItsOwnNaming) {
    const ArchiveResult result = Archive(temp_.path() / "site");
    ASSERT_EQ(result.outcome, ArchiveResult::Outcome::Written);
    EXPECT_EQ(result.counts.messages, 3000u);
    EXPECT_EQ(result.counts.duplicates, 100u);
    EXPECT_EQ(result.counts.conversations, sample_.conversations.size());
    EXPECT_EQ(result.counts.pages, sample_.conversations.size() + 1); // Anna's take two
    const std::regex own(R"(c-[0-9a-f]{12}(-2)?\.html|(index|search)\.html|archive\.(css|js))"
                         R"(|search(-[12]-[0-9]+|-conversations)?\.js)");
    for (const fs::directory_entry& entry : fs::directory_iterator(temp_.path() / "site")) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(std::regex_match(name, own)) << name;
        // The search data holds printable ASCII alone, none of it markup.
        const std::string data = name.starts_with("search-") ? Read(entry.path()) : "";
        EXPECT_EQ(data.find_first_of("<>&"), std::string::npos) << name;
        EXPECT_TRUE(std::all_of(data.begin(), data.end(),
                                [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7F); }));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 3);
}

TEST_F(ArchiveSite, TakesOnlyANewOrEmptyFolderAndLeavesNothingWhenItFails) {
    fs::create_directories(temp_.path() / "full");
    std::ofstream(temp_.path() / "full" / "keep.txt") << "mine";
    fs::create_directories(temp_.path() / "left.partial");
    fs::create_directories(temp_.path() / "empty");
    std::string bytes = Read(temp_.path() / "all.usms");
    bytes.resize(bytes.size() / 2);
    std::ofstream(temp_.path() / "tail.usms", std::ios::binary) << bytes; // cut short
    int asked = 0;
    const std::pair<const char*, ArchiveResult::Outcome> cases[] = {
        {"full", ArchiveResult::Outcome::OutputFailed},
        {"all.usms", ArchiveResult::Outcome::OutputFailed},
        {"left", ArchiveResult::Outcome::OutputFailed}, // an unfinished one is in the way
        {"empty", ArchiveResult::Outcome::InputFailed}, // the second file is damaged
        {"stopped", ArchiveResult::Outcome::Stopped},
    };
    for (const auto& [dir, outcome] : cases) {
        const bool stop = std::string(dir) == "stopped";
        EXPECT_EQ(Archive(temp_.path() / dir, [&] { return stop && ++asked > 2000; }).outcome,
                  outcome)
            << dir;
        EXPECT_FALSE(fs::exists(temp_.path() / (std::string(dir) + ".partial")) &&
                     std::string(dir) != "left");
    }
    EXPECT_EQ(Read(temp_.path() / "full" / "keep.txt"), "mine");
    EXPECT_FALSE(fs::exists(temp_.path() / "left"));
    EXPECT_FALSE(fs::exists(temp_.path() / "stopped"));
    EXPECT_TRUE(fs::is_empty(temp_.path() / "empty"));
}

// The handset's road: the backup job drives the sink as any backup; only a job that wrote its
// validation after the last message leaves a site.
TEST_F(ArchiveSite, TheSinkWritesTheSiteOnlyForACompleteJob) {
    archive::ArchiveSink sink;
    EXPECT_TRUE(::RunBackup(sink, Wide(temp_.path() / "handset"), sample_.messages).ok);
    EXPECT_EQ(sink.counts().messages, 3000u);
    EXPECT_TRUE(fs::exists(temp_.path() / "handset" / "index.html"));

    HANDLE handle = 0;
    std::u16string error;
    ASSERT_TRUE(sink.OpenForWrite(Wide(temp_.path() / "cut"), handle, error));
    EXPECT_TRUE(sink.WriteRecord(handle, sample_.messages.front(), error));
    EXPECT_TRUE(sink.CloseAfterWrite(handle, error));
    EXPECT_FALSE(fs::exists(temp_.path() / "cut"));
    EXPECT_FALSE(fs::exists(temp_.path() / "cut.partial"));
}

} // namespace
