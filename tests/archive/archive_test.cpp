// The archive's rules without a browser: numbers, conversations, marks and the texts of the
// search data.
#include "archive/collection.h"
#include "archive/conversation.h"
#include "archive/script_text.h"
#include "model/memory_record.h"

#include <gtest/gtest.h>

namespace {

TEST(ArchiveRules, NumbersKeepALeadingPlusAndTheDigits) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"+49 (151) 1234-5678", u"+4915112345678"},
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

} // namespace
