// The mail library on SQLite: properties, tables, folders, recipients, persistence, crash
// safety, memory and faults.
#include "walk_fixture.h"

#include "platform/device.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>

namespace {

// A logged-on session with the "SMS" store and its Inbox open.
class MapiLibraryTest : public WalkFixture {
protected:
    void SetUp() override {
        WalkFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(Logon());
    }
    void TearDown() override {
        Logoff();
        WalkFixture::TearDown();
    }

    void Logon() {
        ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, 0, session_.put()), S_OK);
        const auto storeId = mapi_admin::EntryId(sms_);
        MapiPtr<IUnknown> opened;
        ULONG type = 0;
        ASSERT_EQ(session_->OpenEntry(static_cast<ULONG>(storeId.size()), storeId.data(), nullptr,
                                      MAPI_BEST_ACCESS, &type, opened.put()),
                  S_OK);
        EXPECT_EQ(type, MAPI_STORE);
        store_ = InterfaceCast<IMsgStore>(std::move(opened));
        ASSERT_TRUE(store_);
        inbox_ = open<IMAPIFolder>(inboxId());
        ASSERT_TRUE(inbox_);
    }
    void Logoff() {
        inbox_.reset();
        store_.reset();
        if (session_) {
            session_->Logoff(0, 0, 0);
            session_.reset();
        }
    }

    template <class T> MapiPtr<T> open(ObjectId object) {
        const auto id = mapi_admin::EntryId(object);
        MapiPtr<IUnknown> opened;
        ULONG type = 0;
        if (store_->OpenEntry(static_cast<ULONG>(id.size()), id.data(), nullptr, 0, &type,
                              opened.put()) != S_OK) {
            return {};
        }
        return InterfaceCast<T>(std::move(opened));
    }

    static HRESULT SetSubject(IMessage* message, std::u16string body) {
        SPropValue prop{};
        prop.ulPropTag = PR_SUBJECT_W;
        prop.Value.lpszW = body.data();
        return message->SetProps(1, &prop, nullptr);
    }

    // Creates a message through the library with a body and a delivery time.
    static void Create(IMAPIFolder* folder, std::u16string body, std::uint64_t delivery) {
        MapiPtr<IMessage> message;
        ASSERT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
        SPropValue props[2]{};
        props[0].ulPropTag = PR_SUBJECT_W;
        props[0].Value.lpszW = body.data();
        props[1].ulPropTag = PR_MESSAGE_DELIVERY_TIME;
        props[1].Value.ft = U64ToFileTime(delivery);
        ASSERT_EQ(message->SetProps(2, props, nullptr), S_OK);
    }

    static HRESULT AddRecipients(IMessage* message, std::vector<mapi_admin::SeedRecipient> list) {
        std::vector<std::array<SPropValue, 3>> values(list.size());
        std::vector<BYTE> raw(CbNewADRLIST(static_cast<ULONG>(list.size())));
        auto* adr = reinterpret_cast<ADRLIST*>(raw.data());
        adr->cEntries = static_cast<ULONG>(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            values[i][0].ulPropTag = PR_EMAIL_ADDRESS_W;
            values[i][0].Value.lpszW = list[i].address.data();
            values[i][1].ulPropTag = PR_RECIPIENT_TYPE;
            values[i][1].Value.l = static_cast<LONG>(list[i].type);
            values[i][2].ulPropTag = PR_DISPLAY_NAME_W;
            values[i][2].Value.lpszW = list[i].displayName.data();
            (&adr->aEntries[0])[i] = ADRENTRY{0, 3, values[i].data()};
        }
        return message->ModifyRecipients(MODRECIP_ADD, adr);
    }

    // A table of folder (contents, or hierarchy) with the given columns.
    static MapiPtr<IMAPITable> Table(IMAPIFolder* folder, std::vector<ULONG> columns,
                                     bool hierarchy = false) {
        MapiPtr<IMAPITable> table;
        EXPECT_EQ(hierarchy ? folder->GetHierarchyTable(0, table.put())
                            : folder->GetContentsTable(0, table.put()),
                  S_OK);
        std::vector<ULONG> tags = {static_cast<ULONG>(columns.size())};
        tags.insert(tags.end(), columns.begin(), columns.end());
        EXPECT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(tags.data()), 0), S_OK);
        return table;
    }
    // The texts of one column of the rows up to the end of the table, asked rows at a time.
    static std::vector<std::u16string> Texts(IMAPITable* table, ULONG column = 0, LONG rows = 10) {
        std::vector<std::u16string> texts;
        for (;;) {
            RowSetPtr set;
            EXPECT_EQ(table->QueryRows(rows, 0, set.put()), S_OK);
            if (!set || set->cRows == 0) {
                return texts;
            }
            for (ULONG r = 0; r < set->cRows; ++r) {
                const SPropValue& cell = (&set->aRow[0])[r].lpProps[column];
                texts.push_back(PROP_TYPE(cell.ulPropTag) == PT_UNICODE ? cell.Value.lpszW
                                                                        : u"<error>");
            }
        }
    }
    static std::vector<std::u16string> Subjects(IMAPIFolder* folder) {
        return Texts(Table(folder, {PR_SUBJECT_W}).get());
    }

    MapiPtr<IMAPISession> session_;
    MapiPtr<IMsgStore> store_;
    MapiPtr<IMAPIFolder> inbox_;
};

using Texts16 = std::vector<std::u16string>;

TEST_F(MapiLibraryTest, ANewDeviceHasTheSmsStoreWithItsFolders) {
    const auto stores = mapi_admin::Stores();
    ASSERT_EQ(stores.size(), 1u);
    EXPECT_EQ(stores[0].name, u"SMS");
    const std::pair<ULONG, const char16_t*> folders[] = {
        {PR_CE_IPM_DRAFTS_ENTRYID, u"Drafts"},
        {PR_CE_IPM_INBOX_ENTRYID, u"Inbox"},
        {PR_IPM_OUTBOX_ENTRYID, u"Outbox"},
        {PR_IPM_SENTMAIL_ENTRYID, u"Sent Items"},
        {PR_IPM_WASTEBASKET_ENTRYID, u"Deleted Items"}};
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
    const ObjectId id = mapi_admin::AddMessage(inboxId(), seed);
    auto message = open<IMessage>(id);
    ASSERT_TRUE(message);
    SizedSPropTagArray<5> tags{
        5,
        {PR_ENTRYID, PR_MESSAGE_FLAGS, PR_SUBJECT_W, PR_SENDER_NAME_W, PR_MESSAGE_DELIVERY_TIME}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    ASSERT_EQ(message->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put()),
              MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 5u);
    EXPECT_EQ(std::vector<BYTE>(values[0].Value.bin.lpb,
                                values[0].Value.bin.lpb + values[0].Value.bin.cb),
              mapi_admin::EntryId(id));
    EXPECT_EQ(values[1].Value.ul, MSGFLAG_READ);
    EXPECT_EQ(std::u16string(values[2].Value.lpszW), u"body");
    EXPECT_EQ(values[3].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_SENDER_NAME_W)));
    EXPECT_EQ(values[3].Value.err, MAPI_E_NOT_FOUND);
    EXPECT_EQ(FileTimeToU64(values[4].Value.ft), 1000u);
    // With the sender name present the same read is a plain success.
    ASSERT_TRUE(mapi_admin::SetText(id, PR_SENDER_NAME_W, u"Ann"));
    EXPECT_EQ(message->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put()), S_OK);
    SizedSPropTagArray<1> empty{0, {0}};
    EXPECT_EQ(message->GetProps(empty.ptr(), 0, &count, values.put()), MAPI_E_INVALID_PARAMETER);
}

TEST_F(MapiLibraryTest, MessagesPersistAcrossReopeningTheDevice) {
    Create(inbox_.get(), u"first", 10);
    Create(inbox_.get(), u"second", 20);
    Logoff();
    device::SetFolder(folder_);
    ASSERT_NO_FATAL_FAILURE(Logon());
    EXPECT_EQ(Subjects(inbox_.get()), (Texts16{u"first", u"second"}));
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
    ASSERT_EQ(AddRecipients(message.get(), {{u"+1", u"A", MAPI_TO}}), S_OK);
    EXPECT_TRUE(Subjects(inbox_.get()).empty());
    EXPECT_EQ(mapi_admin::AllMessageCount(inboxId()), 1);
    // A property the store does not keep is refused, and so is a failed write.
    SPropValue bad{};
    bad.ulPropTag = PROP_TAG(0x1003, 0x6000);
    EXPECT_EQ(message->SetProps(1, &bad, nullptr), MAPI_E_INVALID_PARAMETER);
    mapi_faults::Arm(Op::SetProps, 1, MAPI_E_CALL_FAILED);
    EXPECT_EQ(SetSubject(message.get(), u"x"), MAPI_E_CALL_FAILED);
    EXPECT_TRUE(Subjects(inbox_.get()).empty());
    // Computed properties are refused one by one; the rest is written.
    std::u16string body = u"now";
    SPropValue mixed[2]{};
    mixed[0].ulPropTag = PR_SUBJECT_W;
    mixed[0].Value.lpszW = body.data();
    mixed[1].ulPropTag = PR_ENTRYID;
    LPSPropProblemArray problems = nullptr;
    EXPECT_EQ(message->SetProps(2, mixed, &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    EXPECT_EQ(problems->cProblem, 1u);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_COMPUTED);
    MAPIFreeBuffer(problems);
    EXPECT_EQ(Subjects(inbox_.get()), Texts16{u"now"});
    EXPECT_EQ(mapi_admin::Recipients(mapi_admin::Messages(inboxId())[0]).size(), 1u);
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
        const ObjectId sms = mapi_admin::FindStore(u"SMS");
        const auto storeId = mapi_admin::EntryId(sms);
        const auto inbox =
            mapi_admin::EntryId(mapi_admin::SpecialFolder(sms, PR_CE_IPM_INBOX_ENTRYID));
        IUnknown* opened = nullptr;
        IUnknown* folder = nullptr;
        ULONG type = 0;
        session->OpenEntry(static_cast<ULONG>(storeId.size()), storeId.data(), nullptr, 0, &type,
                           &opened);
        dynamic_cast<IMsgStore*>(opened)->OpenEntry(static_cast<ULONG>(inbox.size()), inbox.data(),
                                                    nullptr, 0, &type, &folder);
        IMessage* saved = nullptr;
        IMessage* unsaved = nullptr;
        dynamic_cast<IMAPIFolder*>(folder)->CreateMessage(nullptr, 0, &saved);
        SetSubject(saved, u"kept");
        dynamic_cast<IMAPIFolder*>(folder)->CreateMessage(nullptr, 0, &unsaved);
        AddRecipients(unsaved, {{u"+1", u"A", MAPI_TO}});
        _exit(0); // nothing released, nothing closed
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    device::SetFolder(crashed);
    const ObjectId inbox =
        mapi_admin::SpecialFolder(mapi_admin::FindStore(u"SMS"), PR_CE_IPM_INBOX_ENTRYID);
    EXPECT_EQ(mapi_admin::AllMessageCount(inbox), 1);
    EXPECT_EQ(Bodies(inbox), Texts16{u"kept"});
    device::SetFolder(folder_);
}

TEST_F(MapiLibraryTest, OpenEntryRefusesUnknownIdentifiers) {
    ULONG type = 0;
    MapiPtr<IUnknown> opened;
    const std::vector<BYTE> garbage(17, 0xAB);
    EXPECT_EQ(store_->OpenEntry(17, garbage.data(), nullptr, 0, &type, opened.put()),
              MAPI_E_UNKNOWN_ENTRYID);
    auto stale = mapi_admin::EntryId(inboxId()); // well formed, but no such object
    stale[9] = 0x7F;
    EXPECT_EQ(store_->OpenEntry(static_cast<ULONG>(stale.size()), stale.data(), nullptr, 0, &type,
                                opened.put()),
              MAPI_E_NOT_FOUND);
    EXPECT_FALSE(opened);
}

TEST_F(MapiLibraryTest, BuffersAndReferencesAreCounted) {
    const auto buffers = mapi_accounting::OutstandingBuffers();
    void* root = nullptr;
    void* child = nullptr;
    void* grandchild = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(64, &root), S_OK);
    ASSERT_EQ(MAPIAllocateMore(32, root, &child), S_OK);
    ASSERT_EQ(MAPIAllocateMore(16, child, &grandchild), S_OK);
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), buffers + 1);
    EXPECT_NE(MAPIFreeBuffer(child), static_cast<ULONG>(S_OK)); // a child goes with its root
    EXPECT_EQ(MAPIFreeBuffer(root), static_cast<ULONG>(S_OK));
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), buffers);
    EXPECT_EQ(MAPIFreeBuffer(nullptr), static_cast<ULONG>(S_OK));
    FreeProws(nullptr);

    const auto references = mapi_accounting::OutstandingReferences();
    MapiPtr<IMAPITable> table;
    ASSERT_EQ(inbox_->GetContentsTable(0, table.put()), S_OK);
    table->AddRef();
    EXPECT_EQ(mapi_accounting::OutstandingReferences(), references + 2);
    EXPECT_EQ(table->Release(), 1u);
    table.reset();
    EXPECT_EQ(mapi_accounting::OutstandingReferences(), references);
}

TEST_F(MapiLibraryTest, FaultsFailTheNthMatchingCallOnceOrFromThenOn) {
    MapiPtr<IMessage> message;
    ASSERT_EQ(inbox_->CreateMessage(nullptr, 0, message.put()), S_OK);
    ASSERT_EQ(SetSubject(message.get(), u"x"), S_OK);
    constexpr HRESULT kFail = MAPI_E_CALL_FAILED;
    const struct {
        bool persistent;
        Kind kind;
        std::vector<HRESULT> expected; // four GetProps: on the folder, then on the message x3
    } cases[] = {{false, Kind::Any, {S_OK, kFail, S_OK, S_OK}},
                 {true, Kind::Any, {S_OK, kFail, kFail, kFail}},
                 {false, Kind::Message, {S_OK, S_OK, kFail, S_OK}},
                 {true, Kind::Message, {S_OK, S_OK, kFail, kFail}},
                 {true, Kind::Store, {S_OK, S_OK, S_OK, S_OK}}};
    SizedSPropTagArray<1> tags{1, {PR_SUBJECT_W}};
    for (const auto& c : cases) {
        mapi_faults::Arm(Op::GetProps, 2, kFail, c.persistent, c.kind);
        std::vector<HRESULT> results;
        for (IMAPIProp* target :
             std::array<IMAPIProp*, 4>{inbox_.get(), message.get(), message.get(), message.get()}) {
            ULONG count = 0;
            MapiBuffer<SPropValue> values;
            const HRESULT hr = target->GetProps(tags.ptr(), 0, &count, values.put());
            results.push_back(hr == MAPI_W_ERRORS_RETURNED ? S_OK : hr);
            EXPECT_EQ(hr == kFail, values.get() == nullptr);
        }
        EXPECT_EQ(results, c.expected);
        mapi_faults::Disarm();
    }
    // Any operation: the third call of the library fails, whatever it is.
    mapi_faults::ResetCounts();
    mapi_faults::Arm(Op::Any, 3, MAPI_E_NO_ACCESS);
    const auto table = Table(inbox_.get(), {PR_ENTRYID});
    RowSetPtr set;
    EXPECT_EQ(table->QueryRows(1, 0, set.put()), MAPI_E_NO_ACCESS);
    EXPECT_FALSE(set);
    EXPECT_EQ(table->QueryRows(1, 0, set.put()), S_OK);
    EXPECT_EQ(mapi_faults::CallCount(Op::QueryRows), 2);
}

TEST_F(MapiLibraryTest, TablesAreLiveAndReturnAtMostTenRowsInCreationOrder) {
    std::vector<mapi_admin::SeedMessage> seeds;
    for (int i = 0; i < 25; ++i) {
        seeds.push_back(SampleMessage(u"m" + NumberToText(i), static_cast<std::uint64_t>(100 - i)));
    }
    ASSERT_EQ(mapi_admin::AddMessages(inboxId(), seeds).size(), 25u);
    const auto table = Table(inbox_.get(), {PR_SUBJECT_W, PR_SENDER_NAME_W});
    ULONG total = 0;
    ASSERT_EQ(table->GetRowCount(0, &total), S_OK);
    EXPECT_EQ(total, 25u);
    std::vector<ULONG> sizes;
    for (ULONG rows = 1; rows != 0;) {
        RowSetPtr set;
        ASSERT_EQ(table->QueryRows(1000, 0, set.put()), S_OK);
        ASSERT_TRUE(set);
        sizes.push_back(rows = set->cRows);
        EXPECT_TRUE(rows == 0 || set->aRow[0].cValues == 2);
    }
    EXPECT_EQ(sizes, (std::vector<ULONG>{10, 10, 5, 0}));
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    const Texts16 all = Texts(table.get());
    ASSERT_EQ(all.size(), 25u);
    EXPECT_EQ(all.front(), u"m0");
    EXPECT_EQ(all.back(), u"m24");

    // A message added while the table is open is seen by the next read; a cell the row lacks
    // is a PT_ERROR value.
    Create(inbox_.get(), u"late", 7);
    RowSetPtr set;
    ASSERT_EQ(table->QueryRows(10, 0, set.put()), S_OK);
    ASSERT_EQ(set->cRows, 1u);
    EXPECT_EQ(std::u16string(set->aRow[0].lpProps[0].Value.lpszW), u"late");
    EXPECT_EQ(set->aRow[0].lpProps[1].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_SENDER_NAME_W)));
    EXPECT_EQ(set->aRow[0].lpProps[1].Value.err, MAPI_E_NOT_FOUND);
    ASSERT_EQ(table->GetRowCount(0, &total), S_OK);
    EXPECT_EQ(total, 26u);
    EXPECT_EQ(table->QueryRows(0, 0, set.put()), MAPI_E_INVALID_PARAMETER);
}

TEST_F(MapiLibraryTest, SeekRowAndFindRowMoveTheCursor) {
    const std::uint64_t times[] = {5, 7, 5, 9, 11};
    for (int i = 0; i < 5; ++i) {
        Create(inbox_.get(), std::u16string(1, static_cast<char16_t>(u'a' + i)), times[i]);
    }
    const auto table = Table(inbox_.get(), {PR_SUBJECT_W});
    const auto next = [&table] {
        const Texts16 row = Texts(table.get(), 0, 1);
        return row.empty() ? std::u16string(u"<end>") : row.front();
    };
    // Texts reads to the end: seek back before each read.
    const auto seek = [&table](LONG rows) {
        LONG sought = -1;
        EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, rows, &sought), S_OK);
        return sought;
    };
    EXPECT_EQ(seek(3), 3);
    EXPECT_EQ(Texts(table.get()), (Texts16{u"d", u"e"}));
    EXPECT_EQ(seek(50), 5);
    EXPECT_EQ(next(), u"<end>");
    EXPECT_EQ(table->SeekRow(BOOKMARK_CURRENT, 1, nullptr), MAPI_E_NO_SUPPORT);

    SPropValue value{};
    SRestriction restriction{};
    restriction.rt = RES_PROPERTY;
    restriction.res.resProperty = SPropertyRestriction{RELOP_EQ, PR_MESSAGE_DELIVERY_TIME, &value};
    const auto find = [&](std::uint64_t time, BOOKMARK origin, ULONG flags = 0) {
        value.ulPropTag = PR_MESSAGE_DELIVERY_TIME;
        value.Value.ft = U64ToFileTime(time);
        return table->FindRow(&restriction, origin, flags);
    };
    const auto firstFound = [&](std::uint64_t time, BOOKMARK origin) {
        return find(time, origin) == S_OK ? Texts(table.get(), 0, 1).front() : u"<none>";
    };
    // FindRow leaves the cursor on the first equal row; a miss leaves it where it was.
    EXPECT_EQ(firstFound(5, BOOKMARK_BEGINNING), u"a");
    seek(1);
    EXPECT_EQ(firstFound(5, BOOKMARK_CURRENT), u"c");
    seek(3);
    EXPECT_EQ(find(5, BOOKMARK_CURRENT), MAPI_E_NOT_FOUND);
    EXPECT_EQ(find((1ull << 32) | 5, BOOKMARK_BEGINNING), MAPI_E_NOT_FOUND);
    EXPECT_EQ(next(), u"d");
    EXPECT_EQ(find(5, BOOKMARK_BEGINNING, DIR_BACKWARD), MAPI_E_NO_SUPPORT);
    restriction.res.resProperty.relop = RELOP_EQ + 1;
    EXPECT_EQ(find(5, BOOKMARK_BEGINNING), MAPI_E_NO_SUPPORT);
}

TEST_F(MapiLibraryTest, CreateFolderOpensAnExistingSubfolderWhenAsked) {
    const auto create = [](IMAPIFolder* parent, const char16_t* name, ULONG flags,
                           MapiPtr<IMAPIFolder>& folder) {
        return parent->CreateFolder(0, name, nullptr, nullptr, flags, folder.put());
    };
    const auto entryIdOf = [](IMAPIFolder* folder) {
        SizedSPropTagArray<1> tags{1, {PR_ENTRYID}};
        ULONG count = 0;
        MapiBuffer<SPropValue> value;
        EXPECT_EQ(folder->GetProps(tags.ptr(), MAPI_UNICODE, &count, value.put()), S_OK);
        return std::vector<BYTE>(value[0].Value.bin.lpb,
                                 value[0].Value.bin.lpb + value[0].Value.bin.cb);
    };
    constexpr ULONG kOpenIfExists = MAPI_UNICODE | OPEN_IF_EXISTS;
    MapiPtr<IMAPIFolder> work, again, other, deep;
    ASSERT_EQ(create(inbox_.get(), u"Work", kOpenIfExists, work), S_OK);
    ASSERT_EQ(create(inbox_.get(), u"Work", kOpenIfExists, again), S_OK);
    EXPECT_EQ(entryIdOf(work.get()), entryIdOf(again.get()));
    EXPECT_EQ(create(inbox_.get(), u"Work", MAPI_UNICODE, other), MAPI_E_COLLISION);
    EXPECT_EQ(create(inbox_.get(), u"Other", 0, other), MAPI_E_INVALID_PARAMETER);
    // Names are matched exactly; a folder below Work is not Inbox's child.
    ASSERT_EQ(create(inbox_.get(), u"work", kOpenIfExists, other), S_OK);
    EXPECT_NE(entryIdOf(work.get()), entryIdOf(other.get()));
    ASSERT_EQ(create(work.get(), u"Deep", MAPI_UNICODE, deep), S_OK);
    const auto hierarchy = Table(inbox_.get(), {PR_ENTRYID, PR_DISPLAY_NAME_W}, true);
    EXPECT_EQ(Texts(hierarchy.get(), 1), (Texts16{u"Work", u"work"}));
}

TEST_F(MapiLibraryTest, DeleteMessagesTakesAnEntryListOfThisFolder) {
    const auto ids = mapi_admin::AddMessages(
        inboxId(), {SampleMessage(u"a", 1), SampleMessage(u"b", 2), SampleMessage(u"c", 3)});
    ASSERT_EQ(ids.size(), 3u);
    std::vector<std::vector<BYTE>> entryIds;
    std::vector<SBinary> entries;
    for (const ObjectId id : ids) {
        entryIds.push_back(mapi_admin::EntryId(id));
    }
    for (auto& id : entryIds) {
        entries.push_back(SBinary{static_cast<ULONG>(id.size()), id.data()});
    }
    ENTRYLIST first{1, &entries[0]};
    EXPECT_EQ(inbox_->DeleteMessages(&first, 0, nullptr, 0), S_OK);
    EXPECT_EQ(Subjects(inbox_.get()), (Texts16{u"b", u"c"}));
    EXPECT_FALSE(open<IMessage>(ids[0]));
    // One of two already gone: partial completion, the other one deleted with its recipients.
    ENTRYLIST both{2, &entries[0]};
    EXPECT_EQ(inbox_->DeleteMessages(&both, 0, nullptr, 0), MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(Subjects(inbox_.get()), Texts16{u"c"});
    EXPECT_TRUE(mapi_admin::Recipients(ids[1]).empty());
    // An empty identifier deletes nothing, nor does a message of another folder.
    SBinary none{0, nullptr};
    ENTRYLIST empty{1, &none};
    EXPECT_TRUE(FAILED(inbox_->DeleteMessages(&empty, 0, nullptr, 0)));
    auto drafts = open<IMAPIFolder>(mapi_admin::SpecialFolder(sms_, PR_CE_IPM_DRAFTS_ENTRYID));
    ENTRYLIST foreign{1, &entries[2]};
    EXPECT_EQ(drafts->DeleteMessages(&foreign, 0, nullptr, 0), MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(Subjects(inbox_.get()), Texts16{u"c"});
}

TEST_F(MapiLibraryTest, RecipientsAreStoredAndReplaced) {
    const ObjectId id = mapi_admin::AddMessage(inboxId(), mapi_admin::SeedMessage{});
    auto message = open<IMessage>(id);
    ASSERT_TRUE(message);
    MapiPtr<IMAPITable> table;
    EXPECT_EQ(message->GetRecipientTable(0, table.put()), MAPI_E_NO_RECIPIENTS);
    EXPECT_FALSE(table);
    ASSERT_EQ(AddRecipients(message.get(), {{u"+1", u"A", MAPI_TO}, {u"+2", u"B", MAPI_BCC}}),
              S_OK);
    auto stored = mapi_admin::Recipients(id);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].address + stored[1].displayName, u"+2B");
    EXPECT_EQ(stored[1].type, MAPI_BCC);
    // MODRECIP_ADD replaces the list, as on the handset.
    ASSERT_EQ(AddRecipients(message.get(), {{u"+3", u"C", MAPI_TO}}), S_OK);
    ASSERT_EQ(message->GetRecipientTable(0, table.put()), S_OK);
    ULONG count = 0;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(message->ModifyRecipients(MODRECIP_REMOVE, nullptr), MAPI_E_NO_SUPPORT);
}

} // namespace
