#include "model/address_items.h"
#include "model/memory_record.h"

#include <gtest/gtest.h>

namespace {

TEST(AddressItems, ParsesSenderItems) {
    // The second huge name is past what the JIT stack holds: the interpreter matches it.
    const std::u16string huge = u"a\" <b" + std::u16string(std::size_t{1} << 20, u'n');
    const std::u16string huger = u"a\" <b" + std::u16string(std::size_t{1} << 24, u'n');
    const std::tuple<std::u16string, bool, std::u16string, std::u16string> cases[] = {
        {u"\"Home\" <555>", true, u"Home", u"555"},
        {u"From: \"Ann\" <100> (mobile)", true, u"Ann", u"100"},
        {u"\"\" <>", true, u"", u""},
        {u"\"a\" <b\" <555>", true, u"a\" <b", u"555"},
        {u"\"n\" <5>5>", true, u"n", u"5>5"},
        {u"\"a\r\nb\" <1\n2>", true, u"a\r\nb", u"1\n2"},
        {u"\"J\u00FCrgen \u65E5\U0001F600\" <+49>", true, u"J\u00FCrgen \u65E5\U0001F600", u"+49"},
        {u"+4915112345", false, u"", u""},
        {u"say \"hi\" to <me", false, u"", u""},
        {u"\"a\"<1>", false, u"", u""},
        {u"", false, u"", u""},
        {u"x\"" + huge + u"\" <12>3>", true, huge, u"12>3"},
        {u"x\"" + huger + u"\" <12>3>", true, huger, u"12>3"},
        {std::u16string(1 << 20, u'"'), false, u"", u""},
        {u"\"" + std::u16string(1 << 20, u'a') + u"\" <" + std::u16string(1 << 19, u'1'), false,
         u"", u""},
    };
    for (const auto& [text, found, name, number] : cases) {
        std::u16string gotName = u"unchanged", gotNumber = u"unchanged";
        EXPECT_EQ(ParseSenderItem(text, gotName, gotNumber), found) << text.size();
        EXPECT_EQ(gotName, found ? name : u"unchanged");
        EXPECT_EQ(gotNumber, found ? number : u"unchanged");
    }
}

TEST(AddressItems, FormatsSenderItemsAndRecipientLists) {
    EXPECT_EQ(FormatSenderItem(u"Home", u"555"), u"\"Home\" <555>");
    EXPECT_EQ(FormatSenderItem(std::u16string(u"a\0b", 3), u"1"), u"\"a\" <1>");
    EXPECT_EQ(FormatRecipientList({}), u"");
    EXPECT_EQ(FormatRecipientList({Recipient(u"1", u"A", 1), Recipient(u"2", u"B", 2)}),
              u"\"A\" <1> 1;\"B\" <2> 2");
    EXPECT_EQ(FormatRecipientList({Recipient(u"3", u"C", 0xFFFFFFFFu), Recipient()}),
              u"\"C\" <3> -1;\"\" <> 1"); // a recipient made without a type is a primary one
}

TEST(MemoryRecord, SenderTextChangesBothFieldsOnlyOnAMatch) {
    MemoryRecord record;
    record.setSenderName(u"old");
    record.setSenderNumber(u"0");
    EXPECT_FALSE(record.setSenderFromText(u"12345"));
    EXPECT_EQ(record.senderText(), u"\"old\" <0>");
    EXPECT_TRUE(record.setSenderFromText(u"\"Ann\" <100>"));
    EXPECT_EQ(record.senderName() + u"|" + record.senderNumber(), u"Ann|100");
}

TEST(MemoryRecord, BuildsTheFolderChainFromThePath) {
    const std::pair<std::u16string, std::vector<std::u16string>> cases[] = {
        {u"Inbox", {u"Inbox"}},
        {u"Inbox\\Family\\Mum", {u"Mum", u"Family", u"Inbox"}},
        {u"", {u""}},
        {u"Inbox\\", {u"", u"Inbox"}},
        {u"\\\\", {u"", u"", u""}},
    };
    // Each record is moved by the growing vector, and keeps a whole chain.
    std::vector<MemoryRecord> records;
    for (const auto& [path, chain] : cases) {
        records.emplace_back().setFolderPath(path);
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::vector<std::u16string> chain; // from the message's folder up to the top
        for (const MessageFolder* f = records[i].folder(); f != nullptr; f = f->parent()) {
            chain.push_back(f->name());
        }
        EXPECT_EQ(chain, cases[i].second);
        EXPECT_EQ(records[i].folderPath(), cases[i].first);
    }
    EXPECT_EQ(MemoryRecord().folder(), nullptr);
}

} // namespace
