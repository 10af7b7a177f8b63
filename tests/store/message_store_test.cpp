#include "store_fixture.h"

#include "store/message_store.h"

#include <thread>
#include <utility>

namespace {

using mapi_faults::Kind;
using mapi_faults::Op;

using OpKind = std::pair<Op, Kind>;

// The recorded calls without the buffer frees that the library's callers make on their own.
std::vector<OpKind> RecordedOps() {
    std::vector<OpKind> ops;
    for (const auto& call : mapi_faults::Recorded()) {
        if (call.op != Op::FreeBuffer) {
            ops.emplace_back(call.op, call.kind);
        }
    }
    return ops;
}

std::vector<mapi_faults::Call> CallsOf(Op op) {
    std::vector<mapi_faults::Call> calls;
    for (auto& call : mapi_faults::Recorded()) {
        if (call.op == op) {
            calls.push_back(std::move(call));
        }
    }
    return calls;
}

std::vector<BYTE> EntryIdOf(const StoreFolder& folder) {
    return std::vector<BYTE>(folder.entryIdBytes(), folder.entryIdBytes() + folder.entryIdSize());
}

class MessageStoreTest : public StoreFixture {
protected:
    mapi_admin::ObjectId special(mapi_admin::ObjectId store, ULONG property) const {
        return mapi_admin::SpecialFolder(store, property);
    }
};

TEST_F(MessageStoreTest, OpensTheSmsStoreAndItsFiveFolders) {
    MessageStore store(u"SMS");
    ASSERT_TRUE(store.isOpen());
    const std::pair<StoreFolder*, const char16_t*> folders[] = {
        {store.draftFolder(), u"Draft"},
        {store.inboxFolder(), u"Inbox"},
        {store.outboxFolder(), u"Outbox"},
        {store.sentFolder(), u"Sentedbox"},
        {store.deletedFolder(), u"Wastebox"}};
    for (std::size_t i = 0; i < std::size(folders); ++i) {
        StoreFolder* folder = folders[i].first;
        ASSERT_NE(folder, nullptr) << i;
        EXPECT_EQ(folder->name(), folders[i].second);
        EXPECT_EQ(folder->parent(), nullptr);
        EXPECT_EQ(EntryIdOf(*folder),
                  mapi_admin::EntryId(special(sms_, kSpecialFolders[i].storeProperty)));
    }
    // The store owns its folders: a second request gives the same object.
    EXPECT_EQ(store.inboxFolder(), folders[1].first);
}

struct NameCase {
    const char16_t* storeName;
    const char16_t* wanted;
    bool opens;
};

class StoreNameTest : public MessageStoreTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(StoreNameTest, ComparesNamesWithoutRegardToCase) {
    const NameCase& c = GetParam();
    ASSERT_TRUE(mapi_admin::SetText(sms_, PR_DISPLAY_NAME_W, c.storeName));
    MessageStore store(c.wanted);
    EXPECT_EQ(store.isOpen(), c.opens);
    EXPECT_EQ(store.inboxFolder() != nullptr, c.opens);
}

INSTANTIATE_TEST_SUITE_P(
    Names, StoreNameTest,
    ::testing::Values(NameCase{u"SMS", u"SMS", true}, NameCase{u"sms", u"SMS", true},
                      NameCase{u"Sms", u"SMS", true}, NameCase{u"SMS", u"sms", true},
                      NameCase{u"ÄrgerЖ", u"äRGERж", true}, NameCase{u"SMSX", u"SMS", false},
                      NameCase{u"SM", u"SMS", false}, NameCase{u"", u"SMS", false}));

TEST_F(MessageStoreTest, TakesTheFirstOfTwoStoresWithTheName) {
    ASSERT_TRUE(mapi_admin::SetText(sms_, PR_DISPLAY_NAME_W, u"ActiveSync"));
    const auto first = mapi_admin::AddStore(u"sms");
    const auto second = mapi_admin::AddStore(u"SMS");
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    mapi_faults::StartRecording();
    MessageStore store(u"SMS");
    ASSERT_TRUE(store.isOpen());
    // Rows are read one at a time and reading stops at the first match.
    EXPECT_EQ(CallsOf(Op::QueryRows).size(), 2u);
    ASSERT_NE(store.inboxFolder(), nullptr);
    EXPECT_EQ(EntryIdOf(*store.inboxFolder()),
              mapi_admin::EntryId(special(first, PR_CE_IPM_INBOX_ENTRYID)));
}

TEST_F(MessageStoreTest, SkipsAStoreRowWithoutADisplayName) {
    ASSERT_TRUE(mapi_admin::RemoveProperty(sms_, PR_DISPLAY_NAME_W));
    const auto other = mapi_admin::AddStore(u"SMS");
    MessageStore store(u"SMS");
    ASSERT_TRUE(store.isOpen());
    ASSERT_NE(store.inboxFolder(), nullptr);
    EXPECT_EQ(EntryIdOf(*store.inboxFolder()),
              mapi_admin::EntryId(special(other, PR_CE_IPM_INBOX_ENTRYID)));
}

TEST_F(MessageStoreTest, OpeningCallsInOrder) {
    ASSERT_TRUE(mapi_admin::SetText(sms_, PR_DISPLAY_NAME_W, u"Other"));
    ASSERT_NE(mapi_admin::AddStore(u"SMS"), 0);
    mapi_faults::StartRecording();
    {
        MessageStore store(u"SMS");
        ASSERT_TRUE(store.isOpen());
        const std::vector<OpKind> opening = {{Op::Logon, Kind::Library},
                                             {Op::GetMsgStoresTable, Kind::Session},
                                             {Op::SetColumns, Kind::Table},
                                             {Op::QueryRows, Kind::Table},
                                             {Op::FreeProws, Kind::Library},
                                             {Op::QueryRows, Kind::Table},
                                             {Op::SessionOpenEntry, Kind::Session},
                                             {Op::FreeProws, Kind::Library},
                                             {Op::Release, Kind::Table}};
        EXPECT_EQ(RecordedOps(), opening);
        const auto columns = CallsOf(Op::SetColumns);
        ASSERT_EQ(columns.size(), 1u);
        EXPECT_EQ(columns[0].tags, (std::vector<ULONG>{PR_ENTRYID, PR_DISPLAY_NAME_W}));
        EXPECT_EQ(columns[0].flags, 0u);
        for (const auto& query : CallsOf(Op::QueryRows)) {
            EXPECT_EQ(query.count, 1);
            EXPECT_EQ(query.flags, 0u);
        }
        EXPECT_EQ(CallsOf(Op::SessionOpenEntry)[0].flags, MAPI_BEST_ACCESS);
        EXPECT_EQ(CallsOf(Op::GetMsgStoresTable)[0].flags, 0u);
        EXPECT_EQ(CallsOf(Op::Logon)[0].flags, 0u);
        mapi_faults::StartRecording();
    }
    // Folders never requested: only the store and the session are given back.
    const std::vector<OpKind> closing = {
        {Op::Release, Kind::Store}, {Op::Logoff, Kind::Session}, {Op::Release, Kind::Session}};
    EXPECT_EQ(RecordedOps(), closing);
}

TEST_F(MessageStoreTest, NoStoreOfThatNameStillLogsOffAtDestruction) {
    ASSERT_TRUE(mapi_admin::SetText(sms_, PR_DISPLAY_NAME_W, u"Mail"));
    mapi_faults::StartRecording();
    {
        MessageStore store(u"SMS");
        EXPECT_FALSE(store.isOpen());
        EXPECT_EQ(mapi_accounting::ActiveLogons(), 1);
        // The end of the table comes back as a row set of 0 rows, which is freed too.
        const std::vector<OpKind> opening = {
            {Op::Logon, Kind::Library},     {Op::GetMsgStoresTable, Kind::Session},
            {Op::SetColumns, Kind::Table},  {Op::QueryRows, Kind::Table},
            {Op::FreeProws, Kind::Library}, {Op::QueryRows, Kind::Table},
            {Op::FreeProws, Kind::Library}, {Op::Release, Kind::Table}};
        EXPECT_EQ(RecordedOps(), opening);
        EXPECT_EQ(store.draftFolder(), nullptr);
        EXPECT_EQ(store.deletedFolder(), nullptr);
        const auto inbox = mapi_admin::EntryId(inboxId());
        EXPECT_FALSE(store.openFolderByEntryId(static_cast<ULONG>(inbox.size()), inbox.data()));
        mapi_faults::StartRecording();
    }
    EXPECT_EQ(mapi_accounting::ActiveLogons(), 0);
    const std::vector<OpKind> closing = {{Op::Logoff, Kind::Session}, {Op::Release, Kind::Session}};
    EXPECT_EQ(RecordedOps(), closing);
}

TEST_F(MessageStoreTest, LogonFailureLeavesNothingToClose) {
    mapi_faults::Arm(Op::Logon, 1, MAPI_E_CALL_FAILED);
    mapi_faults::StartRecording();
    {
        MessageStore store(u"SMS");
        EXPECT_FALSE(store.isOpen());
        EXPECT_EQ(store.inboxFolder(), nullptr);
    }
    EXPECT_EQ(RecordedOps(), (std::vector<OpKind>{{Op::Logon, Kind::Library}}));
}

struct TableFault {
    Op op;
    int nth;
    const char* what;
};

class StoresTableFaultTest : public MessageStoreTest,
                             public ::testing::WithParamInterface<TableFault> {};

TEST_P(StoresTableFaultTest, FailureClosesTheStoreFlag) {
    // The wanted store is the second row, so a failure of the second read matters too.
    ASSERT_TRUE(mapi_admin::SetText(sms_, PR_DISPLAY_NAME_W, u"Other"));
    ASSERT_NE(mapi_admin::AddStore(u"SMS"), 0);
    mapi_faults::Arm(GetParam().op, GetParam().nth, MAPI_E_CALL_FAILED);
    {
        MessageStore store(u"SMS");
        EXPECT_FALSE(store.isOpen()) << GetParam().what;
        EXPECT_EQ(store.sentFolder(), nullptr);
        EXPECT_EQ(mapi_accounting::ActiveLogons(), 1);
    }
    EXPECT_EQ(mapi_accounting::ActiveLogons(), 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, StoresTableFaultTest,
                         ::testing::Values(TableFault{Op::GetMsgStoresTable, 1, "table"},
                                           TableFault{Op::SetColumns, 1, "columns"},
                                           TableFault{Op::QueryRows, 1, "first row"},
                                           TableFault{Op::QueryRows, 2, "second row"},
                                           TableFault{Op::SessionOpenEntry, 1, "open"}));

TEST_F(MessageStoreTest, AStoreThatFailsToOpenEndsTheSearch) {
    // The first "SMS" refuses to open; the second is not tried.
    ASSERT_NE(mapi_admin::AddStore(u"SMS"), 0);
    ASSERT_TRUE(mapi_admin::SetOpenError(sms_, MAPI_E_NO_ACCESS));
    mapi_faults::StartRecording();
    MessageStore store(u"SMS");
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(CallsOf(Op::QueryRows).size(), 1u);
    EXPECT_EQ(CallsOf(Op::FreeProws).size(), 1u);
    EXPECT_EQ(CallsOf(Op::Release).size(), 1u); // the table
}

TEST_F(MessageStoreTest, MissingStorePropertyGivesNoFolderEveryTime) {
    ASSERT_TRUE(mapi_admin::RemoveProperty(sms_, PR_CE_IPM_DRAFTS_ENTRYID));
    MessageStore store(u"SMS");
    ASSERT_TRUE(store.isOpen());
    const int before = mapi_faults::CallCount(Op::GetProps);
    EXPECT_EQ(store.draftFolder(), nullptr);
    EXPECT_EQ(store.draftFolder(), nullptr);
    // Each request asks again; the warning's value array is freed each time (no leak).
    EXPECT_EQ(mapi_faults::CallCount(Op::GetProps), before + 2);
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), 0);
    EXPECT_NE(store.inboxFolder(), nullptr);
    EXPECT_NE(store.deletedFolder(), nullptr);
}

struct FolderFault {
    Op op;
    Kind kind;
};

class SpecialFolderRetryTest : public MessageStoreTest,
                               public ::testing::WithParamInterface<FolderFault> {};

TEST_P(SpecialFolderRetryTest, AFailedRequestIsTriedAgain) {
    MessageStore store(u"SMS");
    ASSERT_TRUE(store.isOpen());
    mapi_faults::Arm(GetParam().op, 1, MAPI_E_CALL_FAILED, false, GetParam().kind);
    EXPECT_EQ(store.draftFolder(), nullptr);
    StoreFolder* draft = store.draftFolder();
    ASSERT_NE(draft, nullptr);
    EXPECT_EQ(draft->name(), u"Draft");
    const int opens = mapi_faults::CallCount(Op::StoreOpenEntry);
    EXPECT_EQ(store.draftFolder(), draft);
    EXPECT_EQ(mapi_faults::CallCount(Op::StoreOpenEntry), opens);
}

INSTANTIATE_TEST_SUITE_P(Faults, SpecialFolderRetryTest,
                         ::testing::Values(FolderFault{Op::GetProps, Kind::Store},
                                           FolderFault{Op::StoreOpenEntry, Kind::Store},
                                           FolderFault{Op::Any, Kind::Store}));

TEST_F(MessageStoreTest, AFolderThatNeverOpensLeavesTheOthersAlone) {
    const auto drafts = special(sms_, PR_CE_IPM_DRAFTS_ENTRYID);
    ASSERT_TRUE(mapi_admin::SetOpenError(drafts, MAPI_E_NO_ACCESS));
    MessageStore store(u"SMS");
    ASSERT_TRUE(store.isOpen());
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(store.draftFolder(), nullptr);
        EXPECT_EQ(mapi_faults::CallCount(Op::StoreOpenEntry), i);
    }
    EXPECT_NE(store.inboxFolder(), nullptr);
    EXPECT_NE(store.outboxFolder(), nullptr);
}

TEST_F(MessageStoreTest, DestroysFoldersInOrderThenStoreThenSession) {
    std::vector<std::int64_t> expected;
    for (const auto& info : kSpecialFolders) {
        expected.push_back(special(sms_, info.storeProperty));
    }
    {
        MessageStore store(u"SMS");
        // Requested in reverse; destroyed in the fixed order all the same.
        for (auto it = kSpecialFolders.rbegin(); it != kSpecialFolders.rend(); ++it) {
            ASSERT_NE(store.specialFolder(it->folder), nullptr);
        }
        mapi_faults::StartRecording();
    }
    std::vector<std::int64_t> released;
    std::vector<OpKind> rest;
    for (const auto& call : mapi_faults::Recorded()) {
        if (call.op == Op::Release && call.kind == Kind::Folder) {
            released.push_back(call.object);
        } else {
            rest.emplace_back(call.op, call.kind);
        }
    }
    EXPECT_EQ(released, expected);
    EXPECT_EQ(rest, (std::vector<OpKind>{{Op::Release, Kind::Store},
                                         {Op::Logoff, Kind::Session},
                                         {Op::Release, Kind::Session}}));
}

TEST_F(MessageStoreTest, OpensFoldersByEntryIdentifier) {
    const auto work = mapi_admin::AddFolder(inboxId(), u"Work");
    const auto message = mapi_admin::AddMessage(inboxId(), SampleMessage(u"hi", 5));
    MessageStore store(u"SMS");
    ASSERT_TRUE(store.isOpen());

    const auto id = mapi_admin::EntryId(work);
    MapiPtr<IMAPIFolder> folder =
        store.openFolderByEntryId(static_cast<ULONG>(id.size()), id.data());
    ASSERT_TRUE(folder);
    SizedSPropTagArray<1> tags{1, {PR_DISPLAY_NAME_W}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    ASSERT_EQ(folder->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put()), S_OK);
    EXPECT_EQ(std::u16string(values[0].Value.lpszW), u"Work");

    const std::vector<BYTE> garbage = {1, 2, 3};
    EXPECT_FALSE(store.openFolderByEntryId(3, garbage.data()));
    // A message's identifier does not give a folder.
    const auto messageId = mapi_admin::EntryId(message);
    EXPECT_FALSE(store.openFolderByEntryId(static_cast<ULONG>(messageId.size()), messageId.data()));
    // Nor does a folder of another store.
    const auto otherInbox = special(mapi_admin::AddStore(u"Other"), PR_CE_IPM_INBOX_ENTRYID);
    const auto otherId = mapi_admin::EntryId(otherInbox);
    EXPECT_FALSE(store.openFolderByEntryId(static_cast<ULONG>(otherId.size()), otherId.data()));
}

TEST_F(MessageStoreTest, StoreFolderReadsItsEntryIdWhenNoneIsGivenAndCopiesAGivenOne) {
    const auto work = mapi_admin::AddFolder(inboxId(), u"Work");
    const auto id = mapi_admin::EntryId(work);
    MessageStore store(u"SMS");
    StoreFolder* inbox = store.inboxFolder();
    ASSERT_NE(inbox, nullptr);

    mapi_faults::StartRecording();
    StoreFolder child(store, u"Work",
                      store.openFolderByEntryId(static_cast<ULONG>(id.size()), id.data()), nullptr,
                      inbox);
    EXPECT_EQ(EntryIdOf(child), id);
    const auto reads = CallsOf(Op::GetProps);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].flags, MAPI_UNICODE);
    EXPECT_EQ(reads[0].tags, std::vector<ULONG>{PR_ENTRYID});
    EXPECT_EQ(child.parent(), inbox);
    EXPECT_EQ(FolderPathOf(child), u"Inbox\\Work");

    // A failed read leaves the identifier empty.
    mapi_faults::Arm(Op::GetProps, 1, MAPI_E_CALL_FAILED);
    StoreFolder unread(store, u"Work",
                       store.openFolderByEntryId(static_cast<ULONG>(id.size()), id.data()), nullptr,
                       nullptr);
    EXPECT_EQ(unread.entryIdSize(), 0u);

    // A given identifier is copied: the folder keeps a private copy.
    std::vector<BYTE> bytes = id;
    SBinary given{static_cast<ULONG>(bytes.size()), bytes.data()};
    StoreFolder copied(store, u"Work", store.openFolderByEntryId(given.cb, given.lpb), &given,
                       nullptr);
    bytes.assign(bytes.size(), 0);
    EXPECT_EQ(EntryIdOf(copied), id);
    EXPECT_NE(copied.handle(), nullptr);
}

TEST_F(MessageStoreTest, UsedFromAnotherThread) {
    auto store = std::make_unique<MessageStore>(u"SMS");
    ASSERT_TRUE(store->isOpen());
    StoreFolder* inbox = nullptr;
    std::thread worker([&] { inbox = store->inboxFolder(); });
    worker.join();
    ASSERT_NE(inbox, nullptr);
    EXPECT_EQ(inbox->name(), u"Inbox");
    store.reset();
}

} // namespace
