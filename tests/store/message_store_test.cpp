#include "support/walk_fixture.h"

#include "store/store_folder.h"

namespace {

std::vector<BYTE> EntryIdOf(const StoreFolder& folder) {
    return std::vector<BYTE>(folder.entryIdBytes(), folder.entryIdBytes() + folder.entryIdSize());
}

using MessageStoreTest = WalkFixture;

// A folder of this store opens by its entry identifier; a message, another store's folder or a
// garbage identifier does not.
TEST_F(MessageStoreTest, OpensTheSmsStoreItsFiveFoldersAndItsFoldersByEntryIdentifier) {
    const ObjectId message = mapi_admin::AddMessage(inboxId(), SampleMessage(u"hi", 5));
    const ObjectId other =
        mapi_admin::SpecialFolder(mapi_admin::AddStore(u"Other"), PR_CE_IPM_INBOX_ENTRYID);
    MessageStore store(u"SMS");
    ASSERT_TRUE(store.isOpen());
    const struct {
        StoreFolder* (MessageStore::*get)();
        const char16_t* token;
        ULONG property;
    } folders[] = {{&MessageStore::draftFolder, u"Draft", 0x81040102},
                   {&MessageStore::inboxFolder, u"Inbox", 0x81060102},
                   {&MessageStore::outboxFolder, u"Outbox", 0x35E20102},
                   {&MessageStore::sentFolder, u"Sentedbox", 0x35E40102},
                   {&MessageStore::deletedFolder, u"Wastebox", 0x35E30102}};
    for (const auto& expected : folders) {
        StoreFolder* folder = (store.*expected.get)();
        ASSERT_NE(folder, nullptr) << expected.property;
        EXPECT_EQ(folder->name(), expected.token);
        EXPECT_EQ(folder->parent(), nullptr);
        EXPECT_EQ(EntryIdOf(*folder),
                  mapi_admin::EntryId(mapi_admin::SpecialFolder(sms_, expected.property)));
        EXPECT_EQ((store.*expected.get)(), folder); // the store keeps it
    }
    const auto opens = [&store](std::vector<BYTE> id) {
        return static_cast<bool>(
            store.openFolderByEntryId(static_cast<ULONG>(id.size()), id.data()));
    };
    for (const auto& id :
         {std::vector<BYTE>{1, 2, 3}, mapi_admin::EntryId(message), mapi_admin::EntryId(other)}) {
        EXPECT_FALSE(opens(id));
    }
    EXPECT_TRUE(opens(mapi_admin::EntryId(mapi_admin::AddFolder(inboxId(), u"Work"))));
}

TEST_F(MessageStoreTest, FindsTheFirstStoreOfTheNameWithoutRegardToCase) {
    const struct {
        const char16_t* storeName;
        const char16_t* wanted;
        bool opens;
    } cases[] = {{u"SMS", u"SMS", true},   {u"sms", u"SMS", true},
                 {u"SMSX", u"SMS", false}, {u"SM", u"SMS", false},
                 {u"", u"SMS", false},     {u"ÀÉÎÕÜŁĄĆŻŸΣΩЖЁ", u"àéîõüłąćżÿσωжё", true},
                 {u"×", u"÷", false}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_TRUE(mapi_admin::SetText(sms_, PR_DISPLAY_NAME_W, cases[i].storeName));
        MessageStore store(cases[i].wanted);
        EXPECT_EQ(store.isOpen(), cases[i].opens) << i;
        EXPECT_EQ(store.inboxFolder() != nullptr, cases[i].opens) << i;
    }
    // Rows without a name are passed over.
    ASSERT_TRUE(mapi_admin::RemoveProperty(sms_, PR_DISPLAY_NAME_W));
    const ObjectId first = mapi_admin::AddStore(u"sms");
    ASSERT_NE(mapi_admin::AddStore(u"SMS"), 0);
    MessageStore store(u"SMS");
    ASSERT_TRUE(store.isOpen());
    ASSERT_NE(store.inboxFolder(), nullptr);
    EXPECT_EQ(EntryIdOf(*store.inboxFolder()),
              mapi_admin::EntryId(mapi_admin::SpecialFolder(first, PR_CE_IPM_INBOX_ENTRYID)));
    // A matching store that refuses to open ends the search: the next one is not taken.
    ASSERT_TRUE(mapi_admin::SetOpenError(first, MAPI_E_NO_ACCESS));
    EXPECT_FALSE(MessageStore(u"SMS").isOpen());
}

TEST_F(MessageStoreTest, AFolderThatFailsToOpenIsAskedForAgainAndLeavesTheOthersAlone) {
    for (const Op op : {Op::GetProps, Op::StoreOpenEntry}) {
        MessageStore store(u"SMS");
        mapi_faults::Arm(op, 1, MAPI_E_CALL_FAILED, false, Kind::Store);
        EXPECT_EQ(store.draftFolder(), nullptr);
        StoreFolder* draft = store.draftFolder();
        ASSERT_NE(draft, nullptr);
        EXPECT_EQ(draft->name(), u"Draft");
        const int opens = mapi_faults::CallCount(Op::StoreOpenEntry);
        EXPECT_EQ(store.draftFolder(), draft);
        EXPECT_EQ(mapi_faults::CallCount(Op::StoreOpenEntry), opens);
        mapi_faults::Disarm();
    }
    // Never opening, then without the store property: every request asks again.
    ASSERT_TRUE(mapi_admin::SetOpenError(special(SpecialFolder::Draft), MAPI_E_NO_ACCESS));
    for (int pass = 0; pass < 2; ++pass) {
        MessageStore store(u"SMS");
        const int reads = mapi_faults::CallCount(Op::GetProps);
        EXPECT_EQ(store.draftFolder(), nullptr);
        EXPECT_EQ(store.draftFolder(), nullptr);
        EXPECT_EQ(mapi_faults::CallCount(Op::GetProps), reads + 2);
        EXPECT_NE(store.inboxFolder(), nullptr);
        EXPECT_NE(store.deletedFolder(), nullptr);
        if (pass == 0) {
            ASSERT_TRUE(mapi_admin::RemoveProperty(sms_, PR_CE_IPM_DRAFTS_ENTRYID));
        }
    }
}

} // namespace
