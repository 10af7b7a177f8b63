#include "model/address_items.h"
#include "model/memory_record.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* what;
    std::u16string text;
    bool found;
    std::u16string name;
    std::u16string number;
};

TEST(AddressItems, ParsesSenderItems) {
    const ParseCase cases[] = {
        {"plain", u"\"Home\" <555>", true, u"Home", u"555"},
        {"text around the item", u"From: \"Ann\" <100> (mobile)", true, u"Ann", u"100"},
        {"bare number", u"+4915112345", false, u"", u""},
        {"empty name", u"\"\" <555>", true, u"", u"555"},
        {"empty both", u"\"\" <>", true, u"", u""},
        {"name with quote, space and <", u"\"a\" <b\" <555>", true, u"a\" <b", u"555"},
        {"number containing >", u"\"n\" <5>5>", true, u"n", u"5>5"},
        {"line breaks inside", u"\"a\r\nb\" <1\n2>", true, u"a\r\nb", u"1\n2"},
        {"characters outside every code page", u"\"J\u00FCrgen \u65E5\u672C \U0001F600\" <+49>",
         true, u"J\u00FCrgen \u65E5\u672C \U0001F600", u"+49"},
        {"quote without item", u"say \"hi\" to <me", false, u"", u""},
        {"missing space", u"\"a\"<1>", false, u"", u""},
        {"empty", u"", false, u"", u""},
    };
    for (const ParseCase& c : cases) {
        std::u16string name = u"unchanged";
        std::u16string number = u"unchanged";
        EXPECT_EQ(ParseSenderItem(c.text, name, number), c.found) << c.what;
        EXPECT_EQ(name, c.found ? c.name : u"unchanged") << c.what;
        EXPECT_EQ(number, c.found ? c.number : u"unchanged") << c.what;
    }
}

TEST(AddressItems, FormatsSenderItemsAndRoundTrips) {
    EXPECT_EQ(FormatSenderItem(u"Home", u"555"), u"\"Home\" <555>");
    EXPECT_EQ(FormatSenderItem(u"", u""), u"\"\" <>");
    EXPECT_EQ(FormatSenderItem(std::u16string(u"a\0b", 3), u"1"), u"\"a\" <1>");
    const std::u16string longName(5000, u'x');
    std::u16string name;
    std::u16string number;
    ASSERT_TRUE(ParseSenderItem(FormatSenderItem(longName, u"1"), name, number));
    EXPECT_EQ(name, longName); // long items are kept whole
}

TEST(AddressItems, FormatsRecipientLists) {
    EXPECT_EQ(FormatRecipientList({}), u"");
    EXPECT_EQ(FormatRecipientList({Recipient(u"777", u"Work", 1)}), u"\"Work\" <777> 1");
    EXPECT_EQ(FormatRecipientList({Recipient(u"1", u"A", 1), Recipient(u"2", u"B", 2)}),
              u"\"A\" <1> 1;\"B\" <2> 2");
    EXPECT_EQ(FormatRecipientList({Recipient(u"3", u"C", 0xFFFFFFFFu)}), u"\"C\" <3> -1");
}

TEST(AddressItems, HugeSenderTextsAreHandled) {
    std::u16string gotName;
    std::u16string gotNumber;
    // The second length is past what the JIT stack holds: the interpreter matches it.
    for (const std::size_t length : {std::size_t{1} << 20, std::size_t{1} << 24}) {
        const std::u16string name = u"a\" <b" + std::u16string(length, u'n');
        ASSERT_TRUE(ParseSenderItem(u"x\"" + name + u"\" <12>3>", gotName, gotNumber)) << length;
        EXPECT_EQ(gotName, name);
        EXPECT_EQ(gotNumber, u"12>3");
    }

    // Many quotes and no item: every start position fails, in linear time.
    const std::u16string quotes(1 << 20, u'"');
    EXPECT_FALSE(ParseSenderItem(quotes, gotName, gotNumber));
    std::u16string almost =
        u"\"" + std::u16string(1 << 20, u'a') + u"\" <" + std::u16string(1 << 19, u'1');
    EXPECT_FALSE(ParseSenderItem(almost, gotName, gotNumber));
}

TEST(MessageRecordSender, SetSenderFromTextChangesBothFieldsOnlyOnAMatch) {
    MemoryRecord record;
    record.setSenderName(u"old");
    record.setSenderNumber(u"0");
    EXPECT_FALSE(record.setSenderFromText(u"12345"));
    EXPECT_EQ(record.senderName(), u"old");
    EXPECT_EQ(record.senderNumber(), u"0");
    EXPECT_TRUE(record.setSenderFromText(u"\"Ann\" <100>"));
    EXPECT_EQ(record.senderName(), u"Ann");
    EXPECT_EQ(record.senderNumber(), u"100");
    EXPECT_EQ(record.senderText(), u"\"Ann\" <100>");
}

TEST(RecipientDefaults, MadeWithoutArgumentsIsAnEmptyPrimaryRecipient) {
    const Recipient r;
    EXPECT_EQ(r.type(), 1u);
    EXPECT_TRUE(r.address().empty());
    EXPECT_TRUE(r.displayName().empty());
}

} // namespace
