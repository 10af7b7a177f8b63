#include "model/memory_record.h"

#include <gtest/gtest.h>

namespace {

MessageFields SampleFields(const std::u16string& folderPath) {
    MessageFields fields;
    fields.messageClass = u"IPM.SMStext";
    fields.folderPath = folderPath;
    fields.lastModified = FILETIME{1, 2};
    fields.deliveryTime = FILETIME{3, 4};
    fields.flags = 5;
    fields.size = 6;
    fields.senderName = u"Home";
    fields.senderNumber = u"555";
    fields.body = u"Hi";
    return fields;
}

// The folder names from the message's folder up to the top.
std::vector<std::u16string> Chain(const MessageRecord& record) {
    std::vector<std::u16string> names;
    for (const MessageFolder* folder = record.folder(); folder != nullptr;
         folder = folder->parent()) {
        names.push_back(folder->name());
    }
    return names;
}

TEST(MemoryRecordTest, GivesBackEveryField) {
    MemoryRecord record(SampleFields(u"Inbox"), {Recipient(u"777", u"Work", 1)});
    EXPECT_EQ(record.messageClass(), u"IPM.SMStext");
    EXPECT_EQ(record.lastModified(), (FILETIME{1, 2}));
    EXPECT_EQ(record.deliveryTime(), (FILETIME{3, 4}));
    EXPECT_EQ(record.flags(), 5u);
    EXPECT_EQ(record.size(), 6u);
    EXPECT_EQ(record.senderName(), u"Home");
    EXPECT_EQ(record.senderNumber(), u"555");
    EXPECT_EQ(record.body(), u"Hi");
    EXPECT_EQ(record.senderText(), u"\"Home\" <555>");
    EXPECT_EQ(record.recipients(), std::vector<Recipient>{Recipient(u"777", u"Work", 1)});
    // Asked twice, the same list.
    EXPECT_EQ(&record.recipients(), &record.recipients());
}

struct PathCase {
    std::u16string path;
    std::vector<std::u16string> chain; // from the message's folder upwards
};

class MemoryRecordPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(MemoryRecordPathTest, BuildsTheFolderChainAndGivesThePathBack) {
    const MemoryRecord record(SampleFields(GetParam().path), {});
    EXPECT_EQ(Chain(record), GetParam().chain);
    EXPECT_EQ(record.folderPath(), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, MemoryRecordPathTest,
    ::testing::Values(PathCase{u"Inbox", {u"Inbox"}},
                      PathCase{u"Inbox\\Family", {u"Family", u"Inbox"}},
                      PathCase{u"Inbox\\Family\\Mum", {u"Mum", u"Family", u"Inbox"}},
                      PathCase{u"", {u""}}, PathCase{u"Inbox\\", {u"", u"Inbox"}},
                      PathCase{u"\\\\", {u"", u"", u""}}));

TEST(MemoryRecordTest, WithoutFieldsItHasNoFolder) {
    const MemoryRecord record;
    EXPECT_EQ(record.folder(), nullptr);
    EXPECT_EQ(record.folderPath(), u"");
    EXPECT_EQ(record.lastModified(), (FILETIME{0, 0}));
}

TEST(MemoryRecordTest, TheFolderChainCanBeReplacedAndCleared) {
    MemoryRecord record(SampleFields(u"Inbox\\Old"), {});
    record.setFolderPath(u"Sentedbox\\A\\B");
    EXPECT_EQ(Chain(record), (std::vector<std::u16string>{u"B", u"A", u"Sentedbox"}));
    record.clearFolder();
    EXPECT_EQ(record.folder(), nullptr);
}

TEST(MemoryRecordTest, AMovedRecordKeepsAWholeFolderChain) {
    MemoryRecord original(SampleFields(u"Inbox\\Family\\Mum"), {});
    std::vector<MemoryRecord> records;
    records.push_back(std::move(original));
    for (int i = 0; i < 8; ++i) { // let the vector move its elements
        records.emplace_back(SampleFields(u"Draft"), std::vector<Recipient>{});
    }
    EXPECT_EQ(records.front().folderPath(), u"Inbox\\Family\\Mum");
}

TEST(MemoryRecordTest, SettersChangeTheFieldsThatRestoreFills) {
    MemoryRecord record(SampleFields(u"Inbox"), {});
    record.setBody(u"new");
    record.setFlags(9);
    record.setSize(10);
    record.setLastModified(FILETIME{11, 12});
    record.setDeliveryTime(FILETIME{13, 14});
    EXPECT_TRUE(record.setSenderFromText(u"\"Mum\" <+44 1>"));
    record.appendRecipient(Recipient(u"1", u"A", 2));
    record.appendRecipient(Recipient());
    EXPECT_EQ(record.body(), u"new");
    EXPECT_EQ(record.flags(), 9u);
    EXPECT_EQ(record.size(), 10u);
    EXPECT_EQ(record.lastModified(), (FILETIME{11, 12}));
    EXPECT_EQ(record.deliveryTime(), (FILETIME{13, 14}));
    EXPECT_EQ(record.senderName(), u"Mum");
    EXPECT_EQ(record.senderNumber(), u"+44 1");
    EXPECT_EQ(record.recipients(), (std::vector<Recipient>{Recipient(u"1", u"A", 2), Recipient()}));
    EXPECT_FALSE(record.setSenderFromText(u"555"));
    EXPECT_EQ(record.senderName(), u"Mum");
}

} // namespace
