#include "walk_fixture.h"

#include "store/message_list.h"
#include "store/restore.h"
#include "store/store_folder.h"

#include <ostream>

namespace {

struct RunResult {
    bool ok = false;
    std::u16string text;
    DWORD current = 0;
    DWORD total = 0;
};

class RestoreTest : public WalkFixture {
protected:
    static RunResult Restore(ScriptedFormat& format) {
        format.next = 0;
        format.reads = 0;
        StoreRun job(format);
        const bool ok = restoreMessages(job.store, job.transfer, 0);
        return RunResult{ok, job.resultText, job.current.load(), job.total.load()};
    }

    // The folder below a special folder that the names lead to, 0 when there is none.
    ObjectId FolderAt(SpecialFolder top, const std::vector<std::u16string>& names) const {
        ObjectId folder = special(top);
        for (const auto& name : names) {
            folder = folder == 0 ? 0 : Child(folder, name);
        }
        return folder;
    }

    ObjectId SeedOld(ObjectId folder, std::uint64_t delivery) {
        return mapi_admin::AddMessage(folder, SampleMessage(u"old", delivery));
    }
};

struct PathCase {
    const char* name;
    const char16_t* path;
    SpecialFolder top;
    std::vector<std::u16string> below; // the folder the message must land in
};
void PrintTo(const PathCase& c, std::ostream* os) {
    *os << c.name;
}

class RestorePathTest : public RestoreTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(RestorePathTest, PutsTheMessageIntoTheNamedFolder) {
    const PathCase& c = GetParam();
    ScriptedFormat format;
    format.add(c.path, u"hello", 500);
    const RunResult run = Restore(format);
    ASSERT_TRUE(run.ok) << std::string(run.text.begin(), run.text.end());
    EXPECT_TRUE(run.text.empty());
    const ObjectId target = FolderAt(c.top, c.below);
    ASSERT_NE(target, 0);
    EXPECT_EQ(Bodies(target), std::vector<std::u16string>{u"hello"});
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RestorePathTest,
    ::testing::Values(
        PathCase{"Inbox", u"Inbox", SpecialFolder::Inbox, {}},
        PathCase{"Draft", u"Draft", SpecialFolder::Draft, {}},
        PathCase{"Wastebox", u"Wastebox", SpecialFolder::Deleted, {}},
        PathCase{"SentOld", u"Sentedbox\\Old", SpecialFolder::Sent, {u"Old"}},
        PathCase{"TwoLevels", u"Outbox\\Old\\Work", SpecialFolder::Outbox, {u"Old", u"Work"}},
        PathCase{"TrailingBackslash", u"Inbox\\", SpecialFolder::Inbox, {u"NewFolder"}},
        PathCase{"Blanks", u"Inbox\\   ", SpecialFolder::Inbox, {u"NewFolder"}},
        PathCase{"BlanksKept", u"Inbox\\ Old ", SpecialFolder::Inbox, {u" Old "}}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return info.param.name; });

TEST_F(RestoreTest, CreatesASubfolderOnceAndReusesIt) {
    const ObjectId sent = special(SpecialFolder::Sent);
    ScriptedFormat format;
    format.add(u"Sentedbox\\Old", u"a", 100);
    format.add(u"Sentedbox\\Old", u"b", 200);
    ASSERT_TRUE(Restore(format).ok);
    ASSERT_EQ(mapi_admin::Subfolders(sent).size(), 1u);
    EXPECT_EQ(Bodies(Child(sent, u"Old")), (std::vector<std::u16string>{u"a", u"b"}));
    // A folder that was there before is used too.
    const ObjectId inboxOld = mapi_admin::AddFolder(special(SpecialFolder::Inbox), u"Old");
    ScriptedFormat second;
    second.add(u"Inbox\\Old", u"c", 300);
    ASSERT_TRUE(Restore(second).ok);
    EXPECT_EQ(mapi_admin::Subfolders(special(SpecialFolder::Inbox)).size(), 1u);
    EXPECT_EQ(Bodies(inboxOld), std::vector<std::u16string>{u"c"});
}

struct BadPathCase {
    const char* name;
    std::vector<const char16_t*> paths;
    const char16_t* text;
    int createFolderFault = 0; // the CreateFolder call that fails, 0: none
    bool outboxUnopenable = false;
};
void PrintTo(const BadPathCase& c, std::ostream* os) {
    *os << c.name;
}

class RestoreBadPathTest : public RestoreTest, public ::testing::WithParamInterface<BadPathCase> {};

TEST_P(RestoreBadPathTest, FailsWithTheFolderText) {
    const BadPathCase& c = GetParam();
    ScriptedFormat format;
    std::uint64_t time = 100;
    for (const char16_t* path : c.paths) {
        format.add(path, u"m", time += 10);
    }
    if (c.createFolderFault != 0) {
        mapi_faults::Arm(Op::CreateFolder, c.createFolderFault, MAPI_E_NO_ACCESS);
    }
    if (c.outboxUnopenable) {
        ASSERT_TRUE(mapi_admin::SetOpenError(special(SpecialFolder::Outbox), MAPI_E_NO_ACCESS));
    }
    const RunResult run = Restore(format);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.text, c.text);
    EXPECT_EQ(run.current, static_cast<DWORD>(c.paths.size()));
    // The records before the failing one stay restored.
    EXPECT_EQ(Bodies(special(SpecialFolder::Inbox)).size(), c.paths.size() - 1);
}

// One level more than a restore makes.
const std::u16string kTooDeepPath = [] {
    std::u16string path = u"Inbox";
    for (std::size_t i = 0; i <= kMaxSubfolderDepth; ++i) {
        path += u"\\d";
    }
    return path;
}();
const std::u16string kTooDeepText = u"No.2:create folder '" + kTooDeepPath + u"' error.";

INSTANTIATE_TEST_SUITE_P(
    Paths, RestoreBadPathTest,
    ::testing::Values(
        BadPathCase{"Empty", {u""}, u"No.1:create folder '' error."},
        BadPathCase{"LowerCase", {u"inbox"}, u"No.1:create folder 'inbox' error."},
        BadPathCase{
            "UnknownFirst", {u"Inbox", u"Inbox", u"Sent"}, u"No.3:create folder 'Sent' error."},
        BadPathCase{
            "LeadingBackslash", {u"Inbox", u"\\Inbox"}, u"No.2:create folder '\\Inbox' error."},
        // The second level of a new path cannot be created.
        BadPathCase{"CreateFolderFails",
                    {u"Inbox", u"Inbox\\Old\\Work"},
                    u"No.2:create folder 'Inbox\\Old\\Work' error.",
                    2},
        BadPathCase{"TooDeep", {u"Inbox", kTooDeepPath.c_str()}, kTooDeepText.c_str()},
        BadPathCase{"SpecialFolderUnopenable",
                    {u"Outbox\\Old"},
                    u"No.1:create folder 'Outbox\\Old' error.",
                    0,
                    true}),
    [](const ::testing::TestParamInfo<BadPathCase>& info) { return info.param.name; });

TEST_F(RestoreTest, ReplacesTheMessageWithTheSameDeliveryTime) {
    const ObjectId inbox = special(SpecialFolder::Inbox);
    SeedOld(inbox, 100);
    mapi_admin::AddMessage(inbox, SampleMessage(u"other", 101));
    // The same time in another folder is not touched.
    SeedOld(special(SpecialFolder::Draft), 200);
    ScriptedFormat format;
    format.add(u"Inbox", u"new", 100);
    format.add(u"Draft\\Sub", u"sub", 200);
    ASSERT_TRUE(Restore(format).ok);
    EXPECT_EQ(Bodies(inbox), (std::vector<std::u16string>{u"other", u"new"}));
    EXPECT_EQ(Bodies(special(SpecialFolder::Draft)), std::vector<std::u16string>{u"old"});
}

TEST_F(RestoreTest, RestoringTwiceKeepsOneCopyButAddsTimeZeroAgain) {
    ScriptedFormat format;
    format.add(u"Inbox", u"a", 100);
    format.add(u"Inbox", u"zero", 0);
    format.add(u"Inbox\\Old", u"b", 200);
    ASSERT_TRUE(Restore(format).ok);
    ASSERT_TRUE(Restore(format).ok);
    const ObjectId inbox = special(SpecialFolder::Inbox);
    EXPECT_EQ(Bodies(inbox), (std::vector<std::u16string>{u"zero", u"a", u"zero"}));
    EXPECT_EQ(Bodies(Child(inbox, u"Old")), std::vector<std::u16string>{u"b"});
}

TEST_F(RestoreTest, LaterRecordOfOneFileWins) {
    ScriptedFormat format;
    format.add(u"Inbox", u"first", 100);
    format.add(u"Inbox", u"second", 100);
    ASSERT_TRUE(Restore(format).ok);
    EXPECT_EQ(Bodies(special(SpecialFolder::Inbox)), std::vector<std::u16string>{u"second"});
}

TEST_F(RestoreTest, UnknownMessageClassDeletesNothing) {
    const ObjectId inbox = special(SpecialFolder::Inbox);
    SeedOld(inbox, 100);
    ScriptedFormat format;
    format.add(u"Inbox", u"note", 100).fields.messageClass = u"IPM.SMSText";
    const RunResult run = Restore(format);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.text, u"No.1:unknown message class name!");
    EXPECT_EQ(Bodies(inbox), std::vector<std::u16string>{u"old"});
    EXPECT_EQ(mapi_faults::CallCount(Op::DeleteMessages), 0);
}

struct WriteFaultCase {
    const char* name;
    Op op;
    Kind kind;
    HRESULT hr;
    bool ok;
    const char16_t* text;
    const char16_t* inbox; // bodies afterwards, joined by "|"
    int nth = 1;           // the failing call
};
void PrintTo(const WriteFaultCase& c, std::ostream* os) {
    *os << c.name;
}

class RestoreWriteFaultTest : public RestoreTest,
                              public ::testing::WithParamInterface<WriteFaultCase> {};

// The message with the same delivery time stays until the new one is in the store.
TEST_P(RestoreWriteFaultTest, KeepsTheOldMessageWhenTheNewOneFails) {
    const WriteFaultCase& c = GetParam();
    const ObjectId inbox = special(SpecialFolder::Inbox);
    SeedOld(inbox, 100);
    ScriptedFormat format;
    format.add(u"Inbox", u"new", 100);
    format.add(u"Inbox", u"more", 300);
    mapi_faults::Arm(c.op, c.nth, c.hr, false, c.kind);
    const RunResult run = Restore(format);
    EXPECT_EQ(run.ok, c.ok);
    EXPECT_EQ(run.text, c.text);
    std::u16string bodies;
    for (const auto& body : Bodies(inbox)) {
        bodies += (bodies.empty() ? u"" : u"|") + body;
    }
    EXPECT_EQ(bodies, c.inbox);
    // No half-written message is left behind, listed or not.
    EXPECT_EQ(mapi_admin::AllMessageCount(inbox), static_cast<std::int64_t>(Bodies(inbox).size()));
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), 0);
    EXPECT_EQ(mapi_accounting::OutstandingReferences(), 0);
}

constexpr HRESULT kNoMemory = MAPI_E_NOT_ENOUGH_MEMORY;
const WriteFaultCase kWriteFaultCases[] = {
    {"CreateMessage", Op::CreateMessage, Kind::Folder, MAPI_E_NO_ACCESS, false,
     u"No.1:Create message error!", u"old"},
    {"SetProps", Op::SetProps, Kind::Message, MAPI_E_CALL_FAILED, false, u"No.1:save sms error!",
     u"old"},
    {"ModifyRecipients", Op::ModifyRecipients, Kind::Message, MAPI_E_CALL_FAILED, false,
     u"No.1:save sms error!", u"old"},
    {"AddressListMemory", Op::AllocateBuffer, Kind::Library, kNoMemory, false,
     u"No.1:save sms error!", u"old"},
    {"RecipientEntryMemory", Op::AllocateBuffer, Kind::Library, kNoMemory, false,
     u"No.1:save sms error!", u"old", 2},
    // A failed search finds nothing to replace: the record is added.
    {"LookupTable", Op::GetContentsTable, Kind::Folder, MAPI_E_CALL_FAILED, true, u"",
     u"old|new|more"},
    {"FindRow", Op::FindRow, Kind::Table, MAPI_E_CALL_FAILED, true, u"", u"old|new|more"},
    // The result of deleting the replaced message is not looked at.
    {"DeleteMessages", Op::DeleteMessages, Kind::Folder, MAPI_E_CALL_FAILED, true, u"",
     u"old|new|more"},
    {"OpenReplaced", Op::FolderOpenEntry, Kind::Folder, MAPI_E_NOT_FOUND, true, u"",
     u"old|new|more"},
};

INSTANTIATE_TEST_SUITE_P(Faults, RestoreWriteFaultTest, ::testing::ValuesIn(kWriteFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RestoreTest, LoopStopsAtTheFirstFailedReadAndKeepsWhatCameBefore) {
    ScriptedFormat format;
    for (int i = 1; i <= 6; ++i) {
        format.add(u"Inbox", u"m" + NumberToText(i), 100 + static_cast<std::uint64_t>(i));
    }
    format.failAt = 5;
    const RunResult run = Restore(format);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.text, u"No.5:read sms error, bad record");
    EXPECT_EQ(run.current, 5u);
    EXPECT_EQ(run.total, 6u);
    EXPECT_EQ(Bodies(special(SpecialFolder::Inbox)),
              (std::vector<std::u16string>{u"m1", u"m2", u"m3", u"m4"}));
}

TEST_F(RestoreTest, HeaderFailuresCarryNoPrefix) {
    ScriptedFormat invalid;
    invalid.add(u"Inbox", u"a", 100);
    invalid.valid = false;
    RunResult run = Restore(invalid);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.text, u"validation failed");
    EXPECT_EQ(invalid.reads, 0);
    EXPECT_EQ(run.total, 0u);

    ScriptedFormat empty;
    empty.add(u"Inbox", u"a", 100);
    empty.declaredTotal = 0;
    run = Restore(empty);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(empty.reads, 0);
    EXPECT_TRUE(Bodies(special(SpecialFolder::Inbox)).empty());
}

TEST_F(RestoreTest, WritesEveryFieldAndTheRecipientsInOrder) {
    ScriptedFormat format;
    ScriptedFormat::Entry& entry = format.add(u"Inbox", u"body text", 0x0123456789ABCDEFull);
    entry.fields.flags = MSGFLAG_READ | MSGFLAG_FROMME;
    entry.fields.size = 321;
    entry.fields.lastModified = U64ToFileTime(0x0102030405060708ull);
    entry.fields.senderName = std::u16string(300, u'N'); // longer than the old 256-unit buffer
    entry.fields.senderNumber = u"+4955";
    entry.recipients = {Recipient(u"+1", u"One", MAPI_CC), Recipient(u"+2", u"", MAPI_TO),
                        Recipient(u"", u"Three", MAPI_BCC)};
    ASSERT_TRUE(Restore(format).ok);

    const ObjectId inbox = special(SpecialFolder::Inbox);
    ASSERT_EQ(mapi_admin::Messages(inbox).size(), 1u);
    const ObjectId id = mapi_admin::Messages(inbox).front();
    std::u16string text;
    ASSERT_TRUE(mapi_admin::GetText(id, PR_SENDER_EMAIL_ADDRESS_W, text));
    EXPECT_EQ(text, u"\"" + std::u16string(300, u'N') + u"\" <+4955>");
    ASSERT_TRUE(mapi_admin::GetText(id, PR_MESSAGE_CLASS_W, text));
    EXPECT_EQ(text, u"IPM.SMStext");
    EXPECT_FALSE(mapi_admin::GetText(id, PR_SENDER_NAME_W, text));
    const auto recipients = mapi_admin::Recipients(id);
    ASSERT_EQ(recipients.size(), 3u);
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        EXPECT_EQ(recipients[i].address, entry.recipients[i].address());
        EXPECT_EQ(recipients[i].displayName, entry.recipients[i].displayName());
        EXPECT_EQ(recipients[i].type, entry.recipients[i].type());
    }

    // Read back through the store's own reading.
    RecordingFormat unused;
    StoreRun job(unused);
    MessageList* list = job.store.inboxFolder()->messages(10);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->next());
    StoreMessage& message = *list->current();
    EXPECT_EQ(message.body(), u"body text");
    EXPECT_EQ(message.flags(), MSGFLAG_READ | MSGFLAG_FROMME);
    EXPECT_EQ(message.size(), 321u);
    EXPECT_EQ(FileTimeToU64(message.deliveryTime()), 0x0123456789ABCDEFull);
    EXPECT_EQ(FileTimeToU64(message.lastModified()), 0x0102030405060708ull);
    EXPECT_EQ(message.senderName(), std::u16string(300, u'N'));
    EXPECT_EQ(message.senderNumber(), u"+4955");
}

// The replace search asks the library for one row per record, however full the folder is.
TEST_F(RestoreTest, SearchCostDoesNotGrowWithTheFolder) {
    constexpr int kRecords = 40;
    std::vector<int> rowsAsked;
    for (const int seeded : {40, 400}) {
        const ObjectId inbox = special(SpecialFolder::Inbox);
        Seed(inbox, u"old", seeded, 1000, false);
        ScriptedFormat format;
        for (int i = 0; i < kRecords; ++i) {
            // Every other record replaces a seeded message.
            format.add(u"Inbox", u"new", 1010 + static_cast<std::uint64_t>(i) * 5)
                .recipients.clear();
        }
        mapi_faults::ResetCounts();
        mapi_faults::StartRecording();
        ASSERT_TRUE(Restore(format).ok);
        mapi_faults::StopRecording();
        int asked = 0;
        for (const auto& call : mapi_faults::Recorded()) {
            asked += call.op == Op::QueryRows ? call.count : 0;
        }
        rowsAsked.push_back(asked);
        EXPECT_EQ(mapi_faults::CallCount(Op::FindRow), kRecords);
        EXPECT_EQ(mapi_admin::Messages(inbox).size(),
                  static_cast<std::size_t>(seeded - kRecords / 2 + kRecords));
        ASSERT_TRUE(mapi_admin::CreateDeviceStore());
    }
    EXPECT_EQ(rowsAsked[0], rowsAsked[1]);
    EXPECT_LE(rowsAsked[1], kRecords);
}

TEST_F(RestoreTest, LibraryCallsOfOneRecord) {
    ScriptedFormat format;
    format.add(u"Inbox\\Old", u"a", 100).recipients.clear();
    format.add(u"Inbox", u"b", 200);
    format.add(u"Inbox", u"c", 300);
    mapi_faults::ResetCounts();
    mapi_faults::StartRecording();
    ASSERT_TRUE(Restore(format).ok);
    std::vector<mapi_faults::Call> setProps;
    std::vector<mapi_faults::Call> createFolder;
    std::vector<mapi_faults::Call> columns;
    for (const auto& call : mapi_faults::Recorded()) {
        if (call.op == Op::SetProps) {
            setProps.push_back(call);
        } else if (call.op == Op::CreateFolder) {
            createFolder.push_back(call);
        } else if (call.op == Op::SetColumns && call.tags.size() == 2 &&
                   call.tags[0] == PR_MESSAGE_DELIVERY_TIME) {
            columns.push_back(call);
        } else if (call.op == Op::QueryRows) {
            EXPECT_EQ(call.count, 1);
        }
    }
    ASSERT_EQ(setProps.size(), 3u);
    EXPECT_EQ(setProps[0].count, 7);
    ASSERT_EQ(createFolder.size(), 1u);
    EXPECT_EQ(createFolder[0].flags, MAPI_UNICODE | OPEN_IF_EXISTS);
    // One lookup table for the subfolder and one for the Inbox, which is kept and rewound.
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[1].tags, (std::vector<ULONG>{PR_MESSAGE_DELIVERY_TIME, PR_ENTRYID}));
    EXPECT_EQ(columns[1].flags, 0u);
    EXPECT_EQ(mapi_faults::CallCount(Op::GetContentsTable), 2);
    EXPECT_EQ(mapi_faults::CallCount(Op::SeekRow), 1);
    // The record without recipients is written with SetProps alone.
    EXPECT_EQ(mapi_faults::CallCount(Op::ModifyRecipients), 2);
}

} // namespace
