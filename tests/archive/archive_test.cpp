// The archive's rules without a browser: numbers, conversations, marks, the texts of the search
// data, and the folder it is written to.
#include "archive/archive.h"
#include "archive/collection.h"
#include "archive/conversation.h"
#include "archive/script_text.h"
#include "archive_samples.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

TEST(ArchiveNumbers, SeparatorsAreDroppedAndOnlyALeadingPlusKept) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"+49 (151) 1234-5678", u"+4915112345678"},
        {u"0151.1234.5678", u"015112345678"},
        {u"+1 555\u00A00100", u"+15550100"},
        {u"12+34", u"1234"},
        {u"+", u""},
        {u" - ( ) . ", u""},
        {u"Vodafone DE", u"VodafoneDE"}, // a sender that is a word stays a word
    };
    for (const auto& [given, kept] : cases) {
        EXPECT_EQ(archive::NormaliseNumber(given), kept);
    }
}

TEST(ArchiveConversations, TheOtherPartyMakesTheConversation) {
    struct Case {
        const char16_t* folder;
        const char16_t* senderNumber;
        std::vector<Recipient> recipients;
        std::vector<std::u16string> numbers;
        const char16_t* name;
        bool received;
    };
    const Case cases[] = {
        {u"Inbox", u"+49 151 1", {Recipient(u"+1", u"Me", 1)}, {u"+491511"}, u"Sender", true},
        {u"Sentedbox",
         u"",
         {Recipient(u"+33 6", u"B", 1), Recipient(u"+1 2", u"A", 1), Recipient(u"+336", u"", 1)},
         {u"+12", u"+336"},
         u"B, A",
         false},
        {u"Draft", u"", {}, {}, u"", false},
        // Deleted items: received when it has a sender number.
        {u"Wastebox\\Old", u"555", {Recipient(u"777", u"W", 1)}, {u"555"}, u"Sender", true},
        {u"Wastebox", u"", {Recipient(u"777", u"W", 1)}, {u"777"}, u"W", false},
    };
    for (const Case& c : cases) {
        MessageFields fields;
        fields.folderPath = c.folder;
        fields.senderNumber = c.senderNumber;
        fields.senderName = u"Sender";
        MemoryRecord record(fields, c.recipients);
        const archive::Party party = archive::PartyOf(record);
        EXPECT_EQ(party.numbers, c.numbers) << std::string(c.folder, c.folder + 5);
        EXPECT_EQ(party.name, c.name);
        EXPECT_EQ(party.received, c.received);
    }
    EXPECT_EQ(archive::ConversationKey({u"+12", u"+336"}), u"+12,+336");
}

TEST(ArchiveConversations, FolderMarks) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"Inbox", u""},           {u"Sentedbox", u""},
        {u"Draft", u"Draft"},      {u"Outbox", u"Outbox"},
        {u"Wastebox", u"Deleted"}, {u"Wastebox\\Old\\2020", u"Deleted \u00B7 Old\\2020"},
        {u"Inbox\\Work", u"Work"}, {u"Elsewhere\\x", u"Elsewhere\\x"},
    };
    for (const auto& [path, mark] : cases) {
        EXPECT_EQ(archive::FolderMark(path), mark);
    }
}

TEST(ArchiveConversations, LineStartsNeverSplitAPair) {
    EXPECT_EQ(archive::LineStart(u"a\r\nb\tc", 10), u"a  b c");
    EXPECT_EQ(archive::LineStart(u"abcdef", 3), u"abc\u2026");
    EXPECT_EQ(archive::LineStart(u"ab\U0001F600", 3), u"ab\u2026");
    EXPECT_EQ(archive::LineStart(u"ab\U0001F600c", 4), u"ab\U0001F600\u2026");
}

TEST(ArchiveScriptText, NothingCanEndTheStringOrTheScript) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain text 1", "\"plain text 1\""},
        {"</script><!--", "\"\\u003c/script\\u003e\\u003c!--\""},
        {"a&b", "\"a\\u0026b\""},
        {"\"\\", "\"\\u0022\\u005c\""},
        {"\n\t\x01\x7f", "\"\\u000a\\u0009\\u0001\\u007f\""},
        {"\xE2\x80\xA8\xE2\x80\xA9", "\"\\u2028\\u2029\""}, // line and paragraph separators
        {"\xC3\xA9\xE2\x80\xAE", "\"\\u00e9\\u202e\""},     // é and the override
        {"\xF0\x9F\x98\x80", "\"\\ud83d\\ude00\""},         // a pair
        {"\xFF"
         "a\xC0\xAF\xED\xA0\x80",
         "\"\\ufffda\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\""}, // not UTF-8
        {"\xE2\x82", "\"\\ufffd\\ufffd\""},                  // cut short
    };
    for (const auto& [text, literal] : cases) {
        EXPECT_EQ(archive::ScriptString(text), literal) << text;
    }
}

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::u16string Wide(const fs::path& path) {
    const std::string text = path.string();
    return std::u16string(text.begin(), text.end());
}

// A small archive written through files, as the command writes it.
class ArchiveSite : public ::testing::Test {
protected:
    void SetUp() override {
        sample_ = samples::MakeSample(3000);
        // The last hundred again, in a second file: copies the archive leaves out.
        std::vector<MemoryRecord> again = samples::MakeSample(3000).messages;
        std::vector<MemoryRecord> tail(std::make_move_iterator(again.end() - 100),
                                       std::make_move_iterator(again.end()));
        ASSERT_TRUE(samples::WriteBackup(sample_.messages, temp_.path() / "all.usms"));
        ASSERT_TRUE(samples::WriteBackup(tail, temp_.path() / "tail.usms"));
    }

    ArchiveResult Archive(const fs::path& dir) {
        return ArchiveFiles({Wide(temp_.path() / "all.usms"), Wide(temp_.path() / "tail.usms")},
                            Wide(dir));
    }

    TempDir temp_;
    samples::Sample sample_;
};

TEST_F(ArchiveSite, WritesEveryMessageOnceUnderTheFolderAlone) {
    const fs::path dir = temp_.path() / "site";
    const ArchiveResult result = Archive(dir);
    ASSERT_EQ(result.outcome, ArchiveResult::Outcome::Written)
        << std::string(result.error.begin(), result.error.end());
    EXPECT_EQ(result.counts.messages, 3000u);
    EXPECT_EQ(result.counts.duplicates, 100u);
    EXPECT_EQ(result.counts.conversations, sample_.conversations.size());
    EXPECT_EQ(result.counts.pages, sample_.conversations.size() + 1); // Anna's take two
    // Nothing beside the folder, and in it only the archive's own names.
    std::vector<std::string> beside;
    for (const fs::directory_entry& entry : fs::directory_iterator(temp_.path())) {
        beside.push_back(entry.path().filename().string());
    }
    std::sort(beside.begin(), beside.end());
    EXPECT_EQ(beside, (std::vector<std::string>{"all.usms", "site", "tail.usms"}));
    const std::regex own(R"(c-[0-9a-f]{12}(-[0-9]+)?\.html|index\.html|search\.html|archive\.)"
                         R"((css|js)|search\.js|search-[12]-[0-9]+\.js|search-conversations\.js)");
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        EXPECT_TRUE(std::regex_match(entry.path().filename().string(), own)) << entry.path();
    }
    // Hostile texts reach the pages escaped, and the script data as escapes.
    const std::string index = Read(dir / "index.html");
    EXPECT_NE(index.find("&lt;b onmouseover=&quot;window.pwned = 4&quot;&gt;Mallory&lt;/b&gt;"),
              std::string::npos);
    EXPECT_EQ(index.find("<b "), std::string::npos);
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("search-")) {
            const std::string data = Read(entry.path());
            EXPECT_EQ(data.find_first_of("<>&"), std::string::npos) << name;
            EXPECT_TRUE(std::all_of(data.begin(), data.end(), [](char c) {
                return c == '\n' || (c >= 0x20 && c < 0x7F);
            })) << name;
        }
    }
}

TEST_F(ArchiveSite, RefusesAFolderThatHoldsSomethingAndLeavesNothingWhenItFails) {
    const fs::path full = temp_.path() / "full";
    fs::create_directory(full);
    std::ofstream(full / "keep.txt") << "mine";
    EXPECT_EQ(Archive(full).outcome, ArchiveResult::Outcome::OutputFailed);
    EXPECT_EQ(Read(full / "keep.txt"), "mine");
    EXPECT_FALSE(fs::exists(temp_.path() / "full.partial"));

    const fs::path file = temp_.path() / "all.usms";
    EXPECT_EQ(Archive(file).outcome, ArchiveResult::Outcome::OutputFailed);

    const fs::path left = temp_.path() / "left";
    fs::create_directory(temp_.path() / "left.partial");
    EXPECT_EQ(Archive(left).outcome, ArchiveResult::Outcome::OutputFailed);
    EXPECT_FALSE(fs::exists(left));

    // An empty folder is taken; a damaged input leaves neither it nor a partial one changed.
    const fs::path empty = temp_.path() / "empty";
    fs::create_directory(empty);
    std::string bytes = Read(temp_.path() / "all.usms");
    bytes[bytes.size() / 2] ^= 0x55;
    std::ofstream(temp_.path() / "damaged.usms", std::ios::binary) << bytes;
    const ArchiveResult damaged = ArchiveFiles({Wide(temp_.path() / "damaged.usms")}, Wide(empty));
    EXPECT_EQ(damaged.outcome, ArchiveResult::Outcome::InputFailed);
    EXPECT_TRUE(fs::is_empty(empty));
    EXPECT_FALSE(fs::exists(temp_.path() / "empty.partial"));
    EXPECT_EQ(Archive(empty).outcome, ArchiveResult::Outcome::Written);

    const fs::path stopped = temp_.path() / "stopped";
    int asked = 0;
    const ArchiveResult result = ArchiveFiles({Wide(temp_.path() / "all.usms")}, Wide(stopped),
                                              [&asked] { return ++asked > 2000; });
    EXPECT_EQ(result.outcome, ArchiveResult::Outcome::Stopped);
    EXPECT_FALSE(fs::exists(stopped));
    EXPECT_FALSE(fs::exists(temp_.path() / "stopped.partial"));
}

} // namespace
