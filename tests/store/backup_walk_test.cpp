#include "support/walk_fixture.h"

#include "store/backup_walk.h"
#include "store/message_list.h"
#include "store/store_folder.h"

#include <pthread.h>

#include <algorithm>
#include <numeric>

namespace {

// A walk writing into a RecordingFormat, with the five special folders opened first so that
// armed faults meet only the walk's own calls.
struct WalkRun {
    WalkRun() {
        for (const SpecialFolderInfo& info : kSpecialFolders) {
            folders.push_back(job.store.specialFolder(info.folder));
        }
    }
    DWORD countAll() {
        return std::accumulate(
            folders.begin(), folders.end(), DWORD{0},
            [](DWORD sum, StoreFolder* f) { return sum + countFolderMessages(*f); });
    }
    bool walkAll() {
        return std::all_of(folders.begin(), folders.end(), [this](StoreFolder* f) {
            return backupFolder(job.view, 0, *f, job.resultText);
        });
    }
    StoreFolder& inbox() { return *job.store.inboxFolder(); }

    RecordingFormat format;
    StoreRun job{format};
    std::vector<StoreFolder*> folders;
};

using BackupWalkTest = WalkFixture;

TEST_F(BackupWalkTest, WalksTheFiveFoldersThenSubfoldersDepthFirst) {
    using enum SpecialFolder;
    const ObjectId inbox = special(Inbox);
    const ObjectId old = mapi_admin::AddFolder(inbox, u"Old");
    const ObjectId outWork = mapi_admin::AddFolder(special(Outbox), u"Work");
    // Messages of a subfolder seeded before those of its parent: the order comes from the walk.
    Seed(mapi_admin::AddFolder(old, u"Deep"), u"P", 1);
    Seed(inbox, u"I", 2);
    Seed(old, u"O", 1);
    Seed(mapi_admin::AddFolder(inbox, u"Work"), u"W", 1);
    Seed(special(Draft), u"D", 1);
    Seed(mapi_admin::AddFolder(outWork, u"Inner"), u"N", 2);
    Seed(special(Outbox), u"X", 1);
    Seed(special(Sent), u"S", 1);
    Seed(mapi_admin::AddFolder(special(Deleted), u"Bin"), u"B", 1);
    Seed(special(Deleted), u"T", 1);

    WalkRun run;
    EXPECT_EQ(run.countAll(), 12u);
    ASSERT_TRUE(run.walkAll());
    EXPECT_EQ(run.format.paths(),
              u"Draft:D1|Inbox:I1|Inbox:I2|Inbox\\Old:O1|Inbox\\Old\\Deep:P1|"
              u"Inbox\\Work:W1|Outbox:X1|Outbox\\Work\\Inner:N1|"
              u"Outbox\\Work\\Inner:N2|Sentedbox:S1|Wastebox:T1|Wastebox\\Bin:B1");
    EXPECT_EQ(run.job.current.load(), 12u);
    EXPECT_TRUE(run.job.resultText.empty());
}

// Layout: Draft D1; Inbox I1..I3; Inbox\Old O1, O2; no recipients.
struct FailureCase {
    const char* name;
    Op op;
    int nth; // 0: no library fault
    bool persistent;
    bool beforeCount; // armed before counting, which makes the lists
    DWORD total;
    const char16_t* text;    // empty when the walk succeeds
    const char16_t* written; // RecordingFormat::paths()
    int failWrite = 0;       // the WriteRecord that fails, 0: none
    HRESULT hr = MAPI_E_CALL_FAILED;
};

constexpr const char16_t* kAll = u"Draft:D1|Inbox:I1|Inbox:I2|Inbox:I3|Inbox\\Old:O1|Inbox\\Old:O2";
constexpr const char16_t* kNoInbox = u"Draft:D1|Inbox\\Old:O1|Inbox\\Old:O2";
constexpr const char16_t* kEmptyI1 =
    u"Draft:D1|Inbox:|Inbox:I2|Inbox:I3|Inbox\\Old:O1|Inbox\\Old:O2";
constexpr const char16_t* kNoList = u"No.0:get msg list error.";
constexpr const char16_t* kNoI1 = u"Draft:D1|Inbox:I2|Inbox:I3|Inbox\\Old:O1|Inbox\\Old:O2";

const FailureCase kFailureCases[] = {
    {"ContentsTable", Op::GetContentsTable, 1, true, true, 0, kNoList, u""},
    {"ContentsTableOnce", Op::GetContentsTable, 1, false, true, 5, u"", kAll},
    {"HierarchyTable", Op::GetHierarchyTable, 1, true, true, 4, u"No.0:get sub folders error.",
     u"Draft:D1"},
    {"ContentsColumns", Op::SetColumns, 1, true, true, 0, kNoList, u""},
    // The second SetColumns is the Draft's hierarchy table.
    {"HierarchyColumnsOnce", Op::SetColumns, 2, false, true, 6, u"", kAll},
    {"Seek", Op::SeekRow, 1, false, false, 6, u"No.0:reset msg list error.", u""},
    // A failed read or open ends the folder's listing silently; the walk goes on.
    {"ContentsRead", Op::QueryRows, 3, false, false, 6, u"", kNoInbox},
    {"OpenFirstMessage", Op::FolderOpenEntry, 2, false, false, 6, u"", kNoInbox},
    {"OpenMidBatch", Op::FolderOpenEntry, 3, false, false, 6, u"",
     u"Draft:D1|Inbox:I1|Inbox\\Old:O1|Inbox\\Old:O2"},
    {"OpenSubfolder", Op::StoreOpenEntry, 1, true, true, 4, u"No.1:get sub folders error.",
     u"Draft:D1|Inbox:I1|Inbox:I2|Inbox:I3"},
    // A message whose properties or recipients fail to read is left out (the job then saves
    // fewer than it counted); with a warning it is written with what was read.
    {"GetProps", Op::GetProps, 2, false, false, 6, u"", kNoI1},
    {"GetPropsWarning", Op::GetProps, 2, false, false, 6, u"", kEmptyI1, 0, MAPI_W_ERRORS_RETURNED},
    {"RecipientTable", Op::GetRecipientTable, 1, true, false, 6, u"", u""},
    {"RecipientTableOnce", Op::GetRecipientTable, 2, false, false, 6, u"", kNoI1},
    // The prefix is the count at the start of the failing message's folder.
    {"WriteInFolder", Op::Any, 0, false, false, 6, u"No.1:write sms error, disk full",
     u"Draft:D1|Inbox:I1|Inbox:I2", 4},
    {"WriteInSubfolder", Op::Any, 0, false, false, 6, u"No.4:write sms error, disk full",
     u"Draft:D1|Inbox:I1|Inbox:I2|Inbox:I3", 5},
};

TEST_F(BackupWalkTest, FailuresGiveTheirStepsTextOrEndAListingSilently) {
    Seed(special(SpecialFolder::Draft), u"D", 1, 1000, false);
    Seed(inboxId(), u"I", 3, 1000, false);
    Seed(mapi_admin::AddFolder(inboxId(), u"Old"), u"O", 2, 1000, false);
    for (const FailureCase& c : kFailureCases) {
        SCOPED_TRACE(c.name);
        WalkRun run;
        run.format.failAt = c.failWrite;
        if (c.beforeCount && c.nth > 0) {
            mapi_faults::Arm(c.op, c.nth, c.hr, c.persistent);
        }
        EXPECT_EQ(run.countAll(), c.total);
        if (!c.beforeCount && c.nth > 0) {
            mapi_faults::Arm(c.op, c.nth, c.hr, c.persistent);
        }
        EXPECT_EQ(run.walkAll(), *c.text == u'\0');
        EXPECT_EQ(run.job.resultText, c.text);
        EXPECT_EQ(run.format.paths(), c.written);
        EXPECT_EQ(run.job.current.load(), static_cast<DWORD>(run.format.calls));
        mapi_faults::Disarm();
    }
}

TEST_F(BackupWalkTest, AListIsMadeOnceAndReadInBatchesOfTen) {
    WalkRun run;
    StoreFolder& folder = run.inbox();
    MessageList* list = folder.messages(0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(folder.messages(5), list);
    EXPECT_EQ(list->rowCount(), 0u);
    Seed(inboxId(), u"I", 23, 1000, false);
    mapi_faults::StartRecording();
    const int counts = mapi_faults::CallCount(Op::GetRowCount);
    EXPECT_EQ(list->rowCount(), 23u); // asked again while 0, then kept
    EXPECT_EQ(list->rowCount(), 23u);
    EXPECT_EQ(mapi_faults::CallCount(Op::GetRowCount), counts + 1);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(list->reset());
        EXPECT_EQ(list->current(), nullptr);
        int seen = 0;
        while (list->next()) {
            EXPECT_EQ(list->current()->body(), u"I" + NumberToText(++seen));
        }
        EXPECT_EQ(seen, 23);
    }
    auto queries = mapi_faults::Recorded();
    std::erase_if(queries, [](const mapi_faults::Call& call) { return call.op != Op::QueryRows; });
    EXPECT_EQ(queries.size(), 8u); // three batches and the empty one, twice
    for (const auto& query : queries) {
        EXPECT_EQ(query.count, 10); // the first successful call's batch size, 0 meaning 10
    }
}

// The walk and the teardown of the folders take no stack space per level.
TEST_F(BackupWalkTest, ADeepStoreBacksUpOnASmallStack) {
    constexpr int kDepth = 3000;
    ObjectId folder = inboxId();
    std::u16string path = u"Inbox";
    for (int i = 0; i < kDepth && folder != 0; ++i, path += u"\\d") {
        folder = mapi_admin::AddFolder(folder, u"d");
    }
    ASSERT_NE(mapi_admin::AddMessage(folder, SampleMessage(u"deep", 100)), 0);
    // The count, whether the walk succeeded, and what it wrote.
    std::u16string outcome;
    const auto body = [](void* out) -> void* {
        WalkRun run;
        const DWORD counted = countFolderMessages(run.inbox());
        const bool ok = backupFolder(run.job.view, 0, run.inbox(), run.job.resultText);
        *static_cast<std::u16string*>(out) = NumberToText(static_cast<int>(counted)) +
                                             (ok ? u" " : u" failed ") + run.format.paths();
        return nullptr;
    };
    pthread_attr_t attributes;
    pthread_t thread;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
    ASSERT_EQ(pthread_create(&thread, &attributes, body, &outcome), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(outcome, u"1 " + path + u":deep");
}

// The last message has no recipients: MAPI_E_NO_RECIPIENTS is an answer, an empty list kept like
// any other. Each list is read once, and again after a failed read.
TEST_F(BackupWalkTest, SplitsTheSenderPropertiesAndReadsRecipientsOnce) {
    const struct {
        std::optional<std::u16string> email; // none: the property is missing
        const char16_t* senderName;          // empty: not stored
        std::u16string nameAndNumber;
    } cases[] = {{u"\"Home\" <555>", u"Other", u"Home|555"},
                 {u"+4912345", u"Ann", u"+4912345|+4912345"},
                 {u"", u"Home", u"Home|"},
                 {std::nullopt, u"Home", u"Home|"},
                 {std::nullopt, u"", u"|"}};
    const std::size_t last = std::size(cases) - 1;
    for (std::size_t i = 0; i <= last; ++i) {
        mapi_admin::SeedMessage seed = SampleMessage(u"hi", 100 + i);
        seed.senderEmail = cases[i].email.value_or(u"");
        seed.senderName = cases[i].senderName;
        if (i == last) {
            seed.recipients.clear();
        }
        const ObjectId id = mapi_admin::AddMessage(inboxId(), seed);
        if (!cases[i].email) {
            ASSERT_TRUE(mapi_admin::RemoveProperty(id, PR_SENDER_EMAIL_ADDRESS_W));
        }
    }
    const std::vector<Recipient> both = {Recipient(u"+4911111", u"Bob", MAPI_TO),
                                         Recipient(u"+4922222", u"Cy", MAPI_CC)};
    WalkRun run;
    MessageList* list = run.inbox().messages(10);
    std::size_t i = 0;
    for (; list != nullptr && list->next(); ++i) {
        SCOPED_TRACE(i);
        StoreMessage& message = *list->current();
        EXPECT_EQ(message.senderName() + u"|" + message.senderNumber(), cases[i].nameAndNumber);
        // Whatever was missing, the rest of the message is there.
        EXPECT_EQ(message.body(), u"hi");
        EXPECT_EQ(FileTimeToU64(message.deliveryTime()), 100 + i);
        if (i == 0) {
            mapi_faults::Arm(Op::GetRecipientTable, 1, MAPI_E_CALL_FAILED);
            EXPECT_TRUE(message.recipients().empty());
        }
        const int reads = mapi_faults::CallCount(Op::GetRecipientTable);
        EXPECT_EQ(message.recipients(), i == last ? std::vector<Recipient>{} : both);
        EXPECT_EQ(&message.recipients(), &message.recipients());
        EXPECT_EQ(mapi_faults::CallCount(Op::GetRecipientTable), reads + 1);
    }
    EXPECT_EQ(i, std::size(cases));
}

} // namespace
