// The mail library on SQLite: properties, persistence, crash safety, memory and faults.
#include "mapi_session_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

namespace {

using mapi_faults::Kind;
using mapi_faults::Op;

TEST_F(MapiLibraryTest, ANewDeviceHasTheSmsStoreWithItsFolders) {
    const auto stores = mapi_admin::Stores();
    ASSERT_EQ(stores.size(), 1u);
    EXPECT_EQ(stores[0].name, u"SMS");
    const std::pair<ULONG, const char16_t*> folders[] = {
        {PR_CE_IPM_DRAFTS_ENTRYID, u"Drafts"},
        {PR_CE_IPM_INBOX_ENTRYID, u"Inbox"},
        {PR_IPM_OUTBOX_ENTRYID, u"Outbox"},
        {PR_IPM_SENTMAIL_ENTRYID, u"Sent Items"},
        {PR_IPM_WASTEBASKET_ENTRYID, u"Deleted Items"},
    };
    for (const auto& [property, name] : folders) {
        std::u16string text;
        ASSERT_TRUE(mapi_admin::GetText(mapi_admin::SpecialFolder(sms_, property),
                                        PR_DISPLAY_NAME_W, text));
        EXPECT_EQ(text, name);
    }
}

TEST_F(MapiLibraryTest, GetPropsKeepsTheOrderAndMarksMissingValues) {
    auto seed = SampleMessage(u"body", 1000);
    seed.senderName.clear(); // a message without PR_SENDER_NAME_W
    const auto id = mapi_admin::AddMessage(inboxId(), seed);
    auto message = open<IMessage>(id);
    ASSERT_TRUE(message);
    SizedSPropTagArray<8> tags{8,
                               {PR_ENTRYID, PR_MESSAGE_FLAGS, PR_SUBJECT_W,
                                PR_LAST_MODIFICATION_TIME, PR_MESSAGE_DELIVERY_TIME,
                                PR_SENDER_EMAIL_ADDRESS_W, PR_SENDER_NAME_W, PR_MESSAGE_SIZE}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    ASSERT_EQ(message->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put()),
              MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 8u);
    EXPECT_EQ(std::vector<BYTE>(values[0].Value.bin.lpb,
                                values[0].Value.bin.lpb + values[0].Value.bin.cb),
              mapi_admin::EntryId(id));
    EXPECT_EQ(values[1].Value.ul, MSGFLAG_READ);
    EXPECT_EQ(std::u16string(values[2].Value.lpszW), u"body");
    EXPECT_EQ(FileTimeToU64(values[3].Value.ft), 1001u);
    EXPECT_EQ(FileTimeToU64(values[4].Value.ft), 1000u);
    EXPECT_EQ(std::u16string(values[5].Value.lpszW), u"\"Ann\" <+4912345>");
    EXPECT_EQ(values[6].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_SENDER_NAME_W)));
    EXPECT_EQ(values[6].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(values[7].Value.ul, 42u);

    // With the sender name present the same read is a plain success.
    ASSERT_TRUE(mapi_admin::SetText(id, PR_SENDER_NAME_W, u"Ann"));
    EXPECT_EQ(message->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put()), S_OK);

    SizedSPropTagArray<1> empty{0, {0}};
    EXPECT_EQ(message->GetProps(empty.ptr(), 0, &count, values.put()), MAPI_E_INVALID_PARAMETER);
}

TEST_F(MapiLibraryTest, MessagesPersistAcrossReopeningTheDevice) {
    create(inbox_.get(), u"first", 10).reset();
    create(inbox_.get(), u"second", 20).reset();
    Logoff();
    device::SetFolder(folder_);
    ASSERT_NO_FATAL_FAILURE(Logon());
    EXPECT_EQ(subjects(inbox_.get()), (std::vector<std::u16string>{u"first", u"second"}));
    const auto ids = mapi_admin::Messages(inboxId());
    ASSERT_EQ(ids.size(), 2u);
    const auto recipients = mapi_admin::Recipients(ids[1]);
    ASSERT_EQ(recipients.size(), 2u);
    EXPECT_EQ(recipients[1].address, u"+492");
    EXPECT_EQ(recipients[1].displayName, u"Cy");
    EXPECT_EQ(recipients[1].type, MAPI_CC);
}

TEST_F(MapiLibraryTest, ACreatedMessageIsListedOnlyOnceItsPropertiesAreSet) {
    MapiPtr<IMessage> message;
    ASSERT_EQ(inbox_->CreateMessage(nullptr, 0, message.put()), S_OK);
    // Its entry identifier is there at once.
    SizedSPropTagArray<1> tags{1, {PR_ENTRYID}};
    ULONG count = 0;
    MapiBuffer<SPropValue> value;
    ASSERT_EQ(message->GetProps(tags.ptr(), 0, &count, value.put()), S_OK);
    EXPECT_EQ(value[0].Value.bin.cb, 17u);
    // Recipients alone do not list it.
    ASSERT_EQ(addRecipients(message.get(), {{u"+1", u"A", MAPI_TO}}), S_OK);
    EXPECT_TRUE(subjects(inbox_.get()).empty());
    EXPECT_EQ(mapi_admin::AllMessageCount(inboxId()), 1);

    ASSERT_EQ(SetSubject(message.get(), u"now"), S_OK);
    EXPECT_EQ(subjects(inbox_.get()), std::vector<std::u16string>{u"now"});
}

TEST_F(MapiLibraryTest, AMessageLeftUnsavedByACrashIsClearedOnTheNextStart) {
    // A child process plays the crashed application on a device of its own.
    const std::filesystem::path crashed = folder_ / "crashed";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        device::SetFolder(crashed);
        IMAPISession* session = nullptr;
        if (MAPILogonEx(0, nullptr, nullptr, 0, &session) != S_OK) {
            _exit(2);
        }
        const auto storeId = mapi_admin::EntryId(mapi_admin::FindStore(u"SMS"));
        IUnknown* opened = nullptr;
        ULONG type = 0;
        session->OpenEntry(static_cast<ULONG>(storeId.size()), storeId.data(), nullptr, 0, &type,
                           &opened);
        auto* store = dynamic_cast<IMsgStore*>(opened);
        const auto inbox = mapi_admin::EntryId(
            mapi_admin::SpecialFolder(mapi_admin::FindStore(u"SMS"), PR_CE_IPM_INBOX_ENTRYID));
        IUnknown* folder = nullptr;
        store->OpenEntry(static_cast<ULONG>(inbox.size()), inbox.data(), nullptr, 0, &type,
                         &folder);
        IMessage* saved = nullptr;
        IMessage* unsaved = nullptr;
        dynamic_cast<IMAPIFolder*>(folder)->CreateMessage(nullptr, 0, &saved);
        SetSubject(saved, u"kept");
        dynamic_cast<IMAPIFolder*>(folder)->CreateMessage(nullptr, 0, &unsaved);
        _exit(0); // nothing released, nothing closed
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    device::SetFolder(crashed);
    const auto store = mapi_admin::FindStore(u"SMS");
    const auto inbox = mapi_admin::SpecialFolder(store, PR_CE_IPM_INBOX_ENTRYID);
    EXPECT_EQ(mapi_admin::AllMessageCount(inbox), 1);
    ASSERT_EQ(mapi_admin::Messages(inbox).size(), 1u);
    std::u16string body;
    EXPECT_TRUE(mapi_admin::GetText(mapi_admin::Messages(inbox)[0], PR_SUBJECT_W, body));
    EXPECT_EQ(body, u"kept");
    device::SetFolder(folder_);
}

TEST_F(MapiLibraryTest, OpenEntryRefusesUnknownIdentifiers) {
    ULONG type = 0;
    MapiPtr<IUnknown> opened;
    const std::vector<BYTE> garbage(17, 0xAB);
    EXPECT_EQ(store_->OpenEntry(17, garbage.data(), nullptr, 0, &type, opened.put()),
              MAPI_E_UNKNOWN_ENTRYID);
    // Well formed, but no such object.
    auto stale = mapi_admin::EntryId(inboxId());
    stale[9] = 0x7F;
    EXPECT_EQ(store_->OpenEntry(static_cast<ULONG>(stale.size()), stale.data(), nullptr, 0, &type,
                                opened.put()),
              MAPI_E_NOT_FOUND);
    EXPECT_FALSE(opened);
}

TEST_F(MapiLibraryTest, BuffersChainAndAreCounted) {
    const auto before = mapi_accounting::OutstandingBuffers();
    void* root = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(64, &root), S_OK);
    void* child = nullptr;
    ASSERT_EQ(MAPIAllocateMore(32, root, &child), S_OK);
    void* grandchild = nullptr;
    ASSERT_EQ(MAPIAllocateMore(16, child, &grandchild), S_OK);
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), before + 1);
    // A child block cannot be freed alone.
    EXPECT_NE(MAPIFreeBuffer(child), static_cast<ULONG>(S_OK));
    EXPECT_EQ(MAPIFreeBuffer(root), static_cast<ULONG>(S_OK));
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), before);
    EXPECT_EQ(MAPIFreeBuffer(nullptr), static_cast<ULONG>(S_OK));
    FreeProws(nullptr);

    mapi_faults::Arm(Op::AllocateBuffer, 2, MAPI_E_NOT_ENOUGH_MEMORY);
    void* a = nullptr;
    void* b = nullptr;
    EXPECT_EQ(MAPIAllocateBuffer(8, &a), S_OK);
    EXPECT_EQ(MAPIAllocateBuffer(8, &b), MAPI_E_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(b, nullptr);
    MAPIFreeBuffer(a);
}

TEST_F(MapiLibraryTest, ReferencesAreCounted) {
    const auto before = mapi_accounting::OutstandingReferences();
    MapiPtr<IMAPITable> table;
    ASSERT_EQ(inbox_->GetContentsTable(0, table.put()), S_OK);
    EXPECT_EQ(mapi_accounting::OutstandingReferences(), before + 1);
    table->AddRef();
    EXPECT_EQ(mapi_accounting::OutstandingReferences(), before + 2);
    EXPECT_EQ(table->Release(), 1u);
    table.reset();
    EXPECT_EQ(mapi_accounting::OutstandingReferences(), before);
}

struct FaultCase {
    bool persistent;
    Kind kind;
    std::vector<HRESULT> expected; // results of four GetProps calls: folder, message x3
};

class FaultInjectionTest : public MapiLibraryTest,
                           public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultInjectionTest, FailsTheNthMatchingCall) {
    auto message = create(inbox_.get(), u"x", 1, false);
    SizedSPropTagArray<1> tags{1, {PR_SUBJECT_W}};
    mapi_faults::Arm(Op::GetProps, 2, MAPI_E_CALL_FAILED, GetParam().persistent, GetParam().kind);
    std::vector<HRESULT> results;
    IMAPIProp* targets[] = {inbox_.get(), message.get(), message.get(), message.get()};
    for (IMAPIProp* target : targets) {
        ULONG count = 0;
        MapiBuffer<SPropValue> values;
        const HRESULT hr = target->GetProps(tags.ptr(), 0, &count, values.put());
        results.push_back(hr == MAPI_W_ERRORS_RETURNED ? S_OK : hr);
        EXPECT_EQ(hr == MAPI_E_CALL_FAILED, values.get() == nullptr);
    }
    EXPECT_EQ(results, GetParam().expected);
}

constexpr HRESULT kFail = MAPI_E_CALL_FAILED;
INSTANTIATE_TEST_SUITE_P(
    Modes, FaultInjectionTest,
    ::testing::Values(FaultCase{false, Kind::Any, {S_OK, kFail, S_OK, S_OK}},
                      FaultCase{true, Kind::Any, {S_OK, kFail, kFail, kFail}},
                      FaultCase{false, Kind::Message, {S_OK, S_OK, kFail, S_OK}},
                      FaultCase{true, Kind::Message, {S_OK, S_OK, kFail, kFail}},
                      FaultCase{true, Kind::Store, {S_OK, S_OK, S_OK, S_OK}}));

TEST_F(MapiLibraryTest, AnyOperationCanBeMadeToFail) {
    mapi_faults::Arm(Op::Any, 3, MAPI_E_NO_ACCESS);
    MapiPtr<IMAPITable> table;
    EXPECT_EQ(inbox_->GetContentsTable(0, table.put()), S_OK);
    SizedSPropTagArray<1> columns{1, {PR_ENTRYID}};
    EXPECT_EQ(table->SetColumns(columns.ptr(), 0), S_OK);
    RowSetPtr set;
    EXPECT_EQ(table->QueryRows(1, 0, set.put()), MAPI_E_NO_ACCESS);
    EXPECT_FALSE(set);
    EXPECT_EQ(table->QueryRows(1, 0, set.put()), S_OK);
    EXPECT_EQ(mapi_faults::CallCount(Op::QueryRows), 2);
}

TEST_F(MapiLibraryTest, AFailedSetPropsLeavesTheMessageUnlisted) {
    MapiPtr<IMessage> message;
    ASSERT_EQ(inbox_->CreateMessage(nullptr, 0, message.put()), S_OK);
    SPropValue bad{};
    bad.ulPropTag = PROP_TAG(0x1003, 0x6000); // a multi-valued type the store does not keep
    EXPECT_EQ(message->SetProps(1, &bad, nullptr), MAPI_E_INVALID_PARAMETER);
    mapi_faults::Arm(Op::SetProps, 1, MAPI_E_CALL_FAILED);
    std::u16string body = u"x";
    SPropValue good{};
    good.ulPropTag = PR_SUBJECT_W;
    good.Value.lpszW = body.data();
    EXPECT_EQ(message->SetProps(1, &good, nullptr), MAPI_E_CALL_FAILED);
    EXPECT_TRUE(subjects(inbox_.get()).empty());
    // Computed properties are refused one by one; the rest is written.
    SPropValue mixed[2] = {good, {}};
    mixed[1].ulPropTag = PR_ENTRYID;
    LPSPropProblemArray problems = nullptr;
    EXPECT_EQ(message->SetProps(2, mixed, &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    EXPECT_EQ(problems->cProblem, 1u);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_COMPUTED);
    MAPIFreeBuffer(problems);
    EXPECT_EQ(subjects(inbox_.get()), std::vector<std::u16string>{u"x"});
}

} // namespace
