// The mail library on SQLite: hidden rows, persistence, transactions, counting, live tables,
// restrictions, recipient lists and the snapshot that reads after a table query share.
#include "support/walk_fixture.h"

#include "platform/device.h"
#include "platform/mapi/lease.h"
#include "store/store_folder.h"
#include "store/store_message.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

namespace {

const SPropValue kUnstorable = Prop(PROP_TAG(0x0048, 0x6001)); // a type the store does not keep

// The contents table of folder with these columns.
MapiPtr<IMAPITable> Table(IMAPIFolder* folder, std::vector<ULONG> columns) {
    MapiPtr<IMAPITable> table;
    EXPECT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
    columns.insert(columns.begin(), static_cast<ULONG>(columns.size()));
    EXPECT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(columns.data()), 0), S_OK);
    return table;
}

// The texts of one column from the cursor to the end of the table, asked rows at a time.
Texts ReadTexts(IMAPITable* table, ULONG column = 0, LONG rows = 10) {
    Texts texts;
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

Texts Subjects(IMAPIFolder* folder) {
    return ReadTexts(Table(folder, {PR_SUBJECT_W}).get());
}

// A session on the "SMS" store through the store's own logon, with its Inbox.
class MapiLibraryTest : public WalkFixture {
protected:
    void TearDown() override {
        session_.reset();
        WalkFixture::TearDown();
    }
    MessageStore& session() {
        if (!session_) {
            session_.emplace(kSmsStoreName);
        }
        return *session_;
    }
    IMAPIFolder* inbox() { return session().inboxFolder()->handle(); }

    std::optional<MessageStore> session_;
};

// A created message is stored, unlisted, when asked for its identifier, and listed once its
// properties are set. A save refused inside its transaction leaves none open behind it: a later
// save is committed. Written through the library, both are there after the device is opened
// again, and nothing else is.
TEST_F(MapiLibraryTest, CreatedMessagesAreStoredWholeWhenTheirPropertiesAreSet) {
    MapiPtr<IMessage> message;
    ASSERT_EQ(inbox()->CreateMessage(nullptr, 0, message.put()), S_OK);
    EXPECT_EQ(mapi_admin::AllMessageCount(inboxId()), 0);
    EXPECT_TRUE(HasEntryId(message.get()));
    mapi_faults::Arm(Op::SetProps, 1, MAPI_E_CALL_FAILED);
    EXPECT_EQ(SetSubject(message.get(), u"x"), MAPI_E_CALL_FAILED);
    EXPECT_TRUE(Subjects(inbox()).empty());
    EXPECT_EQ(mapi_admin::AllMessageCount(inboxId()), 1);
    ASSERT_EQ(SetSubject(message.get(), u"now"), S_OK);
    ASSERT_EQ(Subjects(inbox()), Texts{u"now"});

    MapiPtr<IMessage> later;
    ASSERT_EQ(inbox()->CreateMessage(nullptr, 0, later.put()), S_OK);
    std::array refused{Prop(PR_SUBJECT_W, u"refused"), kUnstorable};
    EXPECT_EQ(later->SetProps(2, refused.data(), nullptr), MAPI_E_INVALID_PARAMETER);
    ASSERT_EQ(inbox()->CreateMessage(nullptr, 0, later.put()), S_OK);
    ASSERT_EQ(SetSubject(later.get(), u"good"), S_OK);
    later.reset();

    session_.reset();
    device::SetFolder(folder_);
    ASSERT_NE(session().inboxFolder(), nullptr); // a transaction left open would lock it out
    EXPECT_EQ(Subjects(inbox()), (Texts{u"now", u"good"}));
    EXPECT_EQ(mapi_admin::AllMessageCount(inboxId()), 2);
}

// The first save of a created message may name a message that goes in its transaction: the
// store holds one of the two before and after, never both and never neither.
TEST_F(MapiLibraryTest, ASaveThatReplacesAMessageDeletesItInTheSameTransaction) {
    enum class Named { Listed, Gone, OtherFolder, NoMessage, Garbage };
    const struct {
        Named named;
        bool unstorable; // the save also carries a value the store refuses
        HRESULT hr;
        Texts inbox;
    } cases[] = {
        {Named::Listed, false, S_OK, {u"new"}},
        {Named::Gone, false, S_OK, {u"new"}},        // deleted meanwhile: no error
        {Named::OtherFolder, false, S_OK, {u"new"}}, // only a message of this folder goes
        {Named::Listed, true, MAPI_E_INVALID_PARAMETER, {u"old"}},
        {Named::NoMessage, false, MAPI_E_INVALID_PARAMETER, {u"old"}},
        {Named::Garbage, false, MAPI_E_INVALID_PARAMETER, {u"old"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.named) * 2 + (c.unstorable ? 1 : 0));
        session_.reset();
        ASSERT_NO_FATAL_FAILURE(ResetStore());
        const ObjectId sent = special(SpecialFolder::Sent);
        const ObjectId old = mapi_admin::AddMessage(
            c.named == Named::OtherFolder ? sent : inboxId(), SampleMessage(u"old", 100));
        std::vector<BYTE> entry = mapi_admin::EntryId(old);
        if (c.named == Named::Gone) {
            SBinary named{static_cast<ULONG>(entry.size()), entry.data()};
            ENTRYLIST list{1, &named};
            ASSERT_EQ(inbox()->DeleteMessages(&list, 0, nullptr, 0), S_OK);
        } else if (c.named == Named::NoMessage) {
            entry = mapi_admin::EntryId(inboxId()); // a folder's
        } else if (c.named == Named::Garbage) {
            entry.assign(5, 0xEE);
        }
        MapiPtr<IMessage> message;
        ASSERT_EQ(inbox()->CreateMessage(nullptr, 0, message.put()), S_OK);
        std::array values{Prop(PR_SUBJECT_W, u"new"), Prop(PR_REPLACED_ENTRYID), kUnstorable};
        values[1].Value.bin = SBinary{static_cast<ULONG>(entry.size()), entry.data()};
        EXPECT_EQ(message->SetProps(c.unstorable ? 3 : 2, values.data(), nullptr), c.hr);
        EXPECT_EQ(Subjects(inbox()), c.inbox);
        if (c.named == Named::OtherFolder) {
            EXPECT_EQ(Bodies(sent), Texts{u"old"});
        }
        if (c.hr == S_OK) { // the entry is no property of the message, and works only once
            EXPECT_EQ(message->SetProps(2, values.data(), nullptr), MAPI_E_INVALID_PARAMETER);
            MapiBuffer<SPropValue> read;
            EXPECT_EQ(GetOne(message.get(), PR_REPLACED_ENTRYID, read), MAPI_W_ERRORS_RETURNED);
        }
    }
}

// Two processes saving into one folder at once: every save takes the write lock at its start,
// so neither fails on the other's commit and no message is lost.
TEST_F(MapiLibraryTest, TwoProcessesSavingIntoOneFolderAtOnceKeepEveryMessage) {
    constexpr int kEach = 300;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    std::vector<pid_t> children;
    Texts expected;
    for (const char16_t name : {u'a', u'b'}) {
        const pid_t child = InChild([&] {
            close(start[1]);
            MessageStore store(kSmsStoreName);
            StoreFolder* folder = store.inboxFolder();
            char go = 0;
            // Both begin once both have their session: the parent closes the pipe.
            bool saved = folder != nullptr && read(start[0], &go, 1) == 0;
            for (int i = 1; saved && i <= kEach; ++i) {
                const std::unique_ptr<StoreMessage> message = folder->createMessage();
                saved = message != nullptr;
                if (saved) {
                    message->setBody(std::u16string(1, name) + NumberToText(i));
                    message->setDeliveryTime(U64ToFileTime(i * 10ull));
                    message->setLastModified(U64ToFileTime(i * 10ull + 1));
                    saved = message->saveMessage();
                }
            }
            return saved;
        });
        if (child < 0) {
            close(start[1]); // a child already started runs alone
        }
        ASSERT_GE(child, 0);
        children.push_back(child);
        for (int i = 1; i <= kEach; ++i) {
            expected.push_back(std::u16string(1, name) + NumberToText(i));
        }
    }
    close(start[0]);
    close(start[1]);
    for (const pid_t child : children) {
        EXPECT_EQ(ExitStatus(child), 0) << "a save failed in process " << child;
    }
    Texts bodies = Bodies(inboxId());
    std::sort(bodies.begin(), bodies.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(bodies.size(), expected.size());
    EXPECT_TRUE(bodies == expected);
}

// The leak checks of every test stand on the counts of buffers and references.
TEST_F(MapiLibraryTest, TablesAreLiveCountedAndReturnAtMostTenRowsInCreationOrder) {
    void* root = nullptr;
    void* child = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(64, &root), S_OK);
    ASSERT_EQ(MAPIAllocateMore(32, root, &child), S_OK);
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), 1);
    EXPECT_NE(MAPIFreeBuffer(child), static_cast<ULONG>(S_OK)); // a child goes with its root
    EXPECT_EQ(MAPIFreeBuffer(root), static_cast<ULONG>(S_OK));
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), 0);
    Seed(inboxId(), u"m", 25, 1000, false);
    auto table = Table(inbox(), {PR_SUBJECT_W, PR_SENDER_NAME_W});
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

    // A message another connection adds is seen by the next read, its missing cell as PT_ERROR.
    auto late = SampleMessage(u"late", 7);
    late.senderName.clear();
    mapi_admin::AddMessage(inboxId(), late);
    EXPECT_EQ(ReadTexts(table.get(), 1), Texts{u"<error>"});
    ASSERT_EQ(table->GetRowCount(0, &total), S_OK);
    EXPECT_EQ(total, 26u);
    const auto references = mapi_accounting::OutstandingReferences();
    table.reset();
    EXPECT_EQ(mapi_accounting::OutstandingReferences(), references - 1);
}

TEST_F(MapiLibraryTest, FindRowMovesToTheFirstEqualRowFromTheOrigin) {
    mapi_admin::AddMessages(inboxId(), {SampleMessage(u"a", 5), SampleMessage(u"b", 7),
                                        SampleMessage(u"c", 5), SampleMessage(u"d", 9)});
    const auto table = Table(inbox(), {PR_SUBJECT_W});
    SPropValue value = Prop(PR_MESSAGE_DELIVERY_TIME);
    SRestriction restriction{};
    restriction.rt = RES_PROPERTY;
    restriction.res.resProperty = SPropertyRestriction{RELOP_EQ, PR_MESSAGE_DELIVERY_TIME, &value};
    const auto find = [&](std::uint64_t time, BOOKMARK origin) {
        value.Value.ft = U64ToFileTime(time);
        return table->FindRow(&restriction, origin, 0);
    };
    const auto next = [&table] { return ReadTexts(table.get(), 0, 1).front(); };
    ASSERT_EQ(find(5, BOOKMARK_BEGINNING), S_OK);
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 1, nullptr), S_OK);
    ASSERT_EQ(find(5, BOOKMARK_CURRENT), S_OK);
    EXPECT_EQ(next(), u"c");
    ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 3, nullptr), S_OK);
    EXPECT_EQ(find(5, BOOKMARK_CURRENT), MAPI_E_NOT_FOUND); // the cursor stays
    EXPECT_EQ(next(), u"d");
    ASSERT_EQ(find(5, BOOKMARK_BEGINNING), S_OK);
    EXPECT_EQ(next(), u"a");
}

// Each case on a new message. The first entry carries an error value and a null value among
// its own; the second one value that a case may spoil. A spoiled entry refuses the whole list.
TEST_F(MapiLibraryTest, ARecipientListIsStoredWholeOrNotAtAll) {
    const struct {
        void (*spoil)(ADRENTRY& second);
        HRESULT hr;
        std::vector<Recipient> expected; // a refused list stores no row of it
    } cases[] = {
        // Error and null values are passed over.
        {nullptr, S_OK, {Recipient(u"+1", u"", MAPI_BCC), Recipient(u"+2", u"", 0)}},
        {[](ADRENTRY& e) { e.rgPropVals = nullptr; }, MAPI_E_INVALID_PARAMETER, {}},
        {[](ADRENTRY& e) { e.rgPropVals[0].ulPropTag = kUnstorable.ulPropTag; },
         MAPI_E_INVALID_PARAMETER,
         {}},
        {[](ADRENTRY& e) { e.rgPropVals[0].Value.lpszW = nullptr; }, MAPI_E_INVALID_PARAMETER, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        MapiPtr<IMessage> message;
        ASSERT_EQ(inbox()->CreateMessage(nullptr, 0, message.put()), S_OK);
        std::array first{Prop(PR_EMAIL_ADDRESS_W, u"+1"),
                         Prop(PROP_TAG(PT_ERROR, PROP_ID(PR_DISPLAY_NAME_W))),
                         Prop(PROP_TAG(PT_NULL, 0x6000)), Prop(PR_RECIPIENT_TYPE)};
        first[1].Value.err = MAPI_E_NOT_FOUND;
        first[3].Value.l = MAPI_BCC;
        SPropValue last = Prop(PR_EMAIL_ADDRESS_W, u"+2");
        std::vector<BYTE> raw(CbNewADRLIST(2));
        auto* list = reinterpret_cast<ADRLIST*>(raw.data());
        list->cEntries = 2;
        ADRENTRY* entries = &list->aEntries[0];
        entries[0] = ADRENTRY{0, 4, first.data()};
        entries[1] = ADRENTRY{0, 1, &last};
        if (cases[i].spoil != nullptr) {
            cases[i].spoil(entries[1]);
        }
        EXPECT_EQ(message->ModifyRecipients(MODRECIP_ADD, list), cases[i].hr);
        ASSERT_EQ(SetSubject(message.get(), u"x"), S_OK);
        std::vector<Recipient> rows; // the recipient rows the store holds
        for (const auto& r : mapi_admin::Recipients(mapi_admin::Messages(inboxId()).at(i))) {
            rows.emplace_back(r.address, r.displayName, r.type);
        }
        EXPECT_EQ(rows, cases[i].expected);
    }
}

MapiPtr<IMessage> Open(IMAPIFolder* folder, ObjectId message) {
    const auto id = mapi_admin::EntryId(message);
    MapiPtr<IUnknown> opened;
    ULONG type = 0;
    const HRESULT hr = folder->OpenEntry(static_cast<ULONG>(id.size()), id.data(), nullptr, 0,
                                         &type, opened.put());
    return hr == S_OK ? InterfaceCast<IMessage>(std::move(opened)) : MapiPtr<IMessage>();
}

std::u16string Subject(IMessage* message) {
    MapiBuffer<SPropValue> value;
    return message != nullptr && GetOne(message, PR_SUBJECT_W, value) == S_OK ? value[0].Value.lpszW
                                                                              : u"<none>";
}

// Reads that follow a contents table's query share one snapshot: what this process has
// finished writing meanwhile must still be seen at once.
TEST_F(MapiLibraryTest, ReadsAfterATableQuerySeeWritesFinishedInThisProcess) {
    const auto ids = mapi_admin::AddMessages(
        inboxId(), {SampleMessage(u"a", 7), SampleMessage(u"b", 7), SampleMessage(u"c", 7)});
    ASSERT_EQ(ids.size(), 3u);
    MapiPtr<IMAPITable> table;
    ASSERT_EQ(inbox()->GetContentsTable(0, table.put()), S_OK);
    RowSetPtr rows;
    ASSERT_EQ(table->QueryRows(10, 0, rows.put()), S_OK);
    ASSERT_EQ(rows->cRows, 3u);
    const MapiPtr<IMessage> first = Open(inbox(), ids[0]);
    EXPECT_EQ(Subject(first.get()), u"a");

    // Another connection of this process changes a text and makes a message unopenable.
    ASSERT_TRUE(mapi_admin::SetText(ids[1], PR_SUBJECT_W, u"b2"));
    ASSERT_TRUE(mapi_admin::SetOpenError(ids[2], MAPI_E_NO_ACCESS));
    EXPECT_EQ(Subject(Open(inbox(), ids[1]).get()), u"b2");
    EXPECT_FALSE(Open(inbox(), ids[2]));

    // This session writes in the middle of the batch and reads its own write.
    ASSERT_EQ(SetSubject(first.get(), u"a2"), S_OK);
    EXPECT_EQ(Subject(first.get()), u"a2");
    MapiPtr<IMAPITable> recipients;
    ASSERT_EQ(first->GetRecipientTable(0, recipients.put()), S_OK);
    ULONG count = 0;
    ASSERT_EQ(recipients->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 2u);
}

// A writer's lease in the three states of its lock: taken by a new lease, and by a probe of one
// whose holder ended (its file is removed) or whose file is gone; held while its holder lives;
// not tried when the lease file cannot be made or opened, with the reason, so that a writer that
// may live never reads as ended.
TEST(Lease, SaysWhetherItsLockIsTakenHeldOrCannotBeTried) {
    namespace fs = std::filesystem;
    using mapi_impl::Lease;
    using mapi_impl::ProbeLease;
    const TempDir dir;
    const fs::path folder = dir.path() / "leases";
    std::optional<Lease> live(std::in_place, folder);
    ASSERT_EQ(live->attempt().state, LockState::Taken);
    const std::int64_t liveToken = live->token();
    WriteHostFile(folder / "17", ""); // left by a writer that crashed
    fs::create_directories(folder / "19");
    const std::tuple<std::int64_t, LockState, int, bool> probes[] = {
        // token, state, error, its file left afterwards
        {liveToken, LockState::HeldByAnother, 0, true},
        {17, LockState::Taken, 0, false},
        {18, LockState::Taken, 0, false},
        {19, LockState::NotTried, EISDIR, true},
    };
    for (const auto& [token, state, error, left] : probes) {
        SCOPED_TRACE(token);
        const LockAttempt probe = ProbeLease(folder, token);
        EXPECT_EQ(std::make_pair(probe.state, probe.error), std::make_pair(state, error));
        EXPECT_EQ(fs::exists(folder / std::to_string(token)), left);
    }
    live.reset();
    EXPECT_FALSE(fs::exists(folder / std::to_string(liveToken)));
    EXPECT_EQ(ProbeLease(folder, liveToken).state, LockState::Taken);

    WriteHostFile(dir.path() / "file", "");
    const Lease below(dir.path() / "file" / "leases");
    EXPECT_FALSE(below.valid());
    EXPECT_EQ(std::make_pair(below.attempt().state, below.attempt().error),
              std::make_pair(LockState::NotTried, ENOTDIR));
}

} // namespace
