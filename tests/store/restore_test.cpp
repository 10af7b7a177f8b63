#include "support/walk_fixture.h"

#include "store/message_list.h"
#include "store/restore.h"
#include "store/store_folder.h"
#include "store/store_message.h"

#include <map>

namespace {

class RestoreTest : public WalkFixture {
protected:
    // "ok" or "failed", the job's current and total counts, and its text after a colon.
    static std::u16string Restore(ScriptedFormat& format) {
        format.next = 0;
        format.reads = 0;
        StoreRun job(format);
        const bool ok = restoreMessages(job.store, job.view, 0);
        const auto count = [](const std::atomic<DWORD>& n) {
            return NumberToText(static_cast<int>(n.load()));
        };
        return (ok ? u"ok " : u"failed ") + count(job.current) + u"/" + count(job.total) +
               (job.resultText.empty() ? u"" : u": " + job.resultText);
    }
};

TEST_F(RestoreTest, PutsEachRecordIntoTheFolderItsPathNames) {
    using enum SpecialFolder;
    mapi_admin::AddFolder(inboxId(), u"Old"); // there before: reused
    const struct {
        const char16_t* path;
        SpecialFolder top;
        Texts below;
    } rows[] = {{u"Inbox", Inbox, {}},
                {u"Sentedbox\\Old", Sent, {u"Old"}},
                {u"Outbox\\Old\\Work", Outbox, {u"Old", u"Work"}},
                {u"Inbox\\", Inbox, {u"NewFolder"}},
                {u"Inbox\\   ", Inbox, {u"NewFolder"}},
                {u"Inbox\\ Old ", Inbox, {u" Old "}},
                {u"Inbox\\Old", Inbox, {u"Old"}}};
    ScriptedFormat format;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        format.add(rows[i].path, u"m" + NumberToText(static_cast<int>(i)), 100 + i);
    }
    ASSERT_EQ(Restore(format), u"ok 7/7");
    std::map<ObjectId, Texts> expected;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        ObjectId folder = special(rows[i].top); // 0 once a name leads nowhere
        for (const auto& name : rows[i].below) {
            folder = folder == 0 ? 0 : Child(folder, name);
        }
        expected[folder].push_back(format.entries[i].fields.body);
    }
    for (const auto& [folder, bodies] : expected) {
        ASSERT_NE(folder, 0) << bodies.size() << " records have no folder";
        EXPECT_EQ(Bodies(folder), bodies);
    }
}

// Restoring twice keeps one copy of each message with a non-zero delivery time; within a
// file the later record wins; the same time in another folder is not touched.
TEST_F(RestoreTest, ReplacesTheMessageWithTheSameWholeDeliveryTimeInItsFolder) {
    const ObjectId draft = special(SpecialFolder::Draft);
    mapi_admin::AddMessages(inboxId(), {SampleMessage(u"old", 100), SampleMessage(u"other", 101)});
    mapi_admin::AddMessage(draft, SampleMessage(u"old", 200));
    ScriptedFormat format;
    format.add(u"Inbox", u"new", 100);
    format.add(u"Draft\\Sub", u"sub", 200);
    format.add(u"Inbox", u"first", 300);
    format.add(u"Inbox", u"second", 300);
    format.add(u"Inbox", u"zero", 0);
    format.add(u"Inbox\\Old", u"b", 400);
    ASSERT_EQ(Restore(format), u"ok 6/6");
    EXPECT_EQ(Joined(Bodies(inboxId())), u"other|new|second|zero");
    ASSERT_EQ(Restore(format), u"ok 6/6");
    EXPECT_EQ(Joined(Bodies(inboxId())), u"other|zero|new|second|zero");
    EXPECT_EQ(Bodies(Child(inboxId(), u"Old")), Texts{u"b"});
    EXPECT_EQ(Bodies(draft), Texts{u"old"});
    EXPECT_EQ(Bodies(Child(draft, u"Sub")), Texts{u"sub"});

    // The high word of the time counts; a message whose identifier could not be read is not
    // deleted.
    MessageStore store(kSmsStoreName);
    StoreFolder& inbox = *store.inboxFolder();
    EXPECT_EQ(inbox.findMessageByDeliveryTime(100, 1), nullptr);
    mapi_faults::Arm(Op::GetProps, 1, MAPI_E_CALL_FAILED, false, Kind::Message);
    const auto found = inbox.findMessageByDeliveryTime(100, 0);
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found->entryId().empty());
    EXPECT_FALSE(found->deleteMessage());
    EXPECT_EQ(Joined(Bodies(inboxId())), u"other|zero|new|second|zero");
}

// The outcome of a run stopped at its n-th and last record by a folder it cannot make.
std::u16string FolderRefused(int n, const std::u16string& path) {
    const std::u16string number = NumberToText(n);
    return u"failed " + number + u"/" + number + u": No." + number + u":create folder '" + path +
           u"' error.";
}

// Each run starts from an Inbox holding "old" delivered at 100; record n is "m<n>" delivered at
// 100 * n, so that m1 replaces old. A failure stops the run with its text; the records before
// the failing one stay restored, the message the failing one would replace stays until the new
// one is in the store, and no half-written message is left behind, listed or not.
TEST_F(RestoreTest, AFailureStopsTheRunWithItsTextAndKeepsWhatWasThere) {
    std::u16string tooDeep = u"Inbox"; // one level more than a restore makes
    for (std::size_t i = 0; i <= kMaxSubfolderDepth; ++i) {
        tooDeep += u"\\d";
    }
    const Texts two = {u"Inbox", u"Inbox"};
    const struct {
        Texts paths;
        Op op;   // fails at its nth call; Op::Any: the nth read fails, or with -1 the Outbox
        int nth; // cannot be opened
        std::u16string outcome; // as Restore gives it
        const char16_t* inbox;  // its bodies afterwards
        std::u16string firstClass = kSmsMessageClass;
    } cases[] = {
        {{u""}, Op::Any, 0, FolderRefused(1, u""), u"old"},
        {{u"inbox"}, Op::Any, 0, FolderRefused(1, u"inbox"), u"old"},
        {{u"Inbox", u"Inbox", u"Sent"}, Op::Any, 0, FolderRefused(3, u"Sent"), u"m1|m2"},
        {{u"Inbox", u"\\Inbox"}, Op::Any, 0, FolderRefused(2, u"\\Inbox"), u"m1"},
        {{u"Inbox", u"Inbox\\A\\B"}, Op::CreateFolder, 2, FolderRefused(2, u"Inbox\\A\\B"), u"m1"},
        {{u"Inbox", tooDeep}, Op::Any, 0, FolderRefused(2, tooDeep), u"m1"},
        {{u"Outbox\\Old"}, Op::Any, -1, FolderRefused(1, u"Outbox\\Old"), u"old"},
        {two, Op::CreateMessage, 1, u"failed 1/2: No.1:Create message error!", u"old"},
        {two, Op::SetProps, 1, u"failed 1/2: No.1:save sms error!", u"old"},
        {two, Op::AllocateBuffer, 1, u"failed 1/2: No.1:save sms error!", u"old"},
        // A record of another class: nothing is deleted.
        {two, Op::Any, 0, u"failed 1/2: No.1:unknown message class name!", u"old", u"IPM.SMSText"},
        // A failed search finds nothing to replace: the record is added.
        {two, Op::FindRow, 1, u"ok 2/2", u"old|m1|m2"},
        // The replaced message goes in the save's own transaction, not through DeleteMessages.
        {two, Op::DeleteMessages, 1, u"ok 2/2", u"m1|m2"},
        // The loop stops at the first failed read.
        {Texts(6, u"Inbox"), Op::Any, 5, u"failed 5/6: No.5:read sms error, bad record",
         u"m1|m2|m3|m4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.outcome));
        ASSERT_NO_FATAL_FAILURE(ResetStore());
        mapi_admin::AddMessage(inboxId(), SampleMessage(u"old", 100));
        ScriptedFormat format;
        for (std::size_t i = 1; i <= c.paths.size(); ++i) {
            format.add(c.paths[i - 1], u"m" + NumberToText(static_cast<int>(i)), 100 * i);
        }
        format.entries[0].fields.messageClass = c.firstClass;
        if (c.op != Op::Any) {
            mapi_faults::Arm(c.op, c.nth, MAPI_E_NOT_ENOUGH_MEMORY);
        } else if (c.nth < 0) {
            ASSERT_TRUE(mapi_admin::SetOpenError(special(SpecialFolder::Outbox), MAPI_E_NO_ACCESS));
        } else {
            format.failAt = c.nth;
        }
        EXPECT_EQ(Restore(format), c.outcome);
        mapi_faults::Disarm();
        EXPECT_EQ(Joined(Bodies(inboxId())), c.inbox);
        EXPECT_EQ(mapi_admin::AllMessageCount(inboxId()),
                  static_cast<std::int64_t>(Bodies(inboxId()).size()));
    }
}

// A file whose header fails gives the format's text alone and reads no record; nothing to read
// is a success.
TEST_F(RestoreTest, HeaderFailuresCarryNoPrefix) {
    ScriptedFormat format;
    format.add(u"Inbox", u"m1", 100);
    format.valid = false;
    EXPECT_EQ(Restore(format), u"failed 0/0: validation failed");
    EXPECT_EQ(format.reads, 0);
    format.valid = true;
    format.entries.clear();
    EXPECT_EQ(Restore(format), u"ok 0/0");
    EXPECT_EQ(format.reads, 0);
}

TEST_F(RestoreTest, WritesTheSevenValuesAndEachRecipientInOrder) {
    mapi_admin::AddMessage(inboxId(), SampleMessage(u"replaced", 0x0123456789ABCDEFull));
    ScriptedFormat format;
    ScriptedFormat::Entry& entry = format.add(u"Inbox", u"body text", 0x0123456789ABCDEFull);
    entry.fields.flags = MSGFLAG_READ | MSGFLAG_FROMME;
    entry.fields.size = 321;
    entry.fields.lastModified = U64ToFileTime(0x0102030405060708ull);
    entry.fields.senderName = std::u16string(300, u'N'); // longer than the old 256-unit buffer
    entry.fields.senderNumber = u"+4955";
    entry.recipients = {Recipient(u"+1", u"One", MAPI_CC), Recipient(u"+2", u"", MAPI_TO),
                        Recipient(u"", u"Three", MAPI_BCC)};
    format.add(u"Inbox", u"alone", 7).recipients.clear();
    ASSERT_EQ(Restore(format), u"ok 2/2");
    EXPECT_EQ(Joined(Bodies(inboxId())), u"body text|alone");

    // The values themselves, read back through the store's own reading.
    StoreRun job(format);
    MessageList* list = job.store.inboxFolder()->messages(10);
    ASSERT_TRUE(list != nullptr && list->next());
    StoreMessage& message = *list->current();
    const ScriptedFormat::Entry& sent = format.entries[0];
    EXPECT_EQ(std::make_tuple(message.body(), message.flags(), message.lastModified(),
                              message.deliveryTime(), message.senderName(), message.senderNumber(),
                              message.size(), message.recipients()),
              std::make_tuple(sent.fields.body, sent.fields.flags, sent.fields.lastModified,
                              sent.fields.deliveryTime, sent.fields.senderName,
                              sent.fields.senderNumber, sent.fields.size, sent.recipients));
    std::u16string text;
    ASSERT_TRUE(mapi_admin::GetText(mapi_admin::Messages(inboxId())[0], PR_MESSAGE_CLASS_W, text));
    EXPECT_EQ(text, u"IPM.SMStext");
    ASSERT_TRUE(list->next());
    EXPECT_EQ(list->current()->body(), u"alone");
    EXPECT_TRUE(list->current()->recipients().empty());
}

} // namespace
