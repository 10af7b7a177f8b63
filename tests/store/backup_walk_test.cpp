#include "walk_fixture.h"

#include "store/backup_walk.h"
#include "store/message_list.h"
#include "store/store_folder.h"

#include <pthread.h>

#include <functional>
#include <ostream>

namespace {

// A walk writing into a RecordingFormat.
struct WalkRun {
    RecordingFormat format;
    StoreRun job{format};
    std::u16string& text = job.resultText;
    StoreFolder& inbox() { return *job.store.inboxFolder(); }
};

class BackupWalkTest : public WalkFixture {
protected:
    // Opens the five special folders, so that armed faults meet only the walk's own calls.
    static std::vector<StoreFolder*> OpenAll(StoreRun& job) {
        std::vector<StoreFolder*> folders;
        for (const SpecialFolderInfo& info : kSpecialFolders) {
            folders.push_back(job.store.specialFolder(info.folder));
        }
        return folders;
    }
    static DWORD CountAll(const std::vector<StoreFolder*>& folders) {
        DWORD total = 0;
        for (StoreFolder* folder : folders) {
            total += countFolderMessages(*folder);
        }
        return total;
    }
    static bool WalkAll(StoreRun& job, const std::vector<StoreFolder*>& folders) {
        for (StoreFolder* folder : folders) {
            if (!backupFolder(job.transfer, 0, *folder, job.resultText)) {
                return false;
            }
        }
        return true;
    }
};

TEST_F(BackupWalkTest, WalksTheFiveFoldersThenSubfoldersDepthFirst) {
    using enum SpecialFolder;
    const ObjectId inbox = special(Inbox);
    const ObjectId old = mapi_admin::AddFolder(inbox, u"Old");
    const ObjectId deep = mapi_admin::AddFolder(old, u"Deep");
    const ObjectId work = mapi_admin::AddFolder(inbox, u"Work");
    const ObjectId outWork = mapi_admin::AddFolder(special(Outbox), u"Work");
    const ObjectId inner = mapi_admin::AddFolder(outWork, u"Inner");
    const ObjectId bin = mapi_admin::AddFolder(special(Deleted), u"Bin");
    // Messages of a subfolder seeded before those of its parent: the order comes from the walk.
    Seed(deep, u"P", 1);
    Seed(inbox, u"I", 2);
    Seed(old, u"O", 1);
    Seed(work, u"W", 1);
    Seed(special(Draft), u"D", 1);
    Seed(inner, u"N", 2);
    Seed(special(Outbox), u"X", 1);
    Seed(special(Sent), u"S", 1);
    Seed(bin, u"B", 1);
    Seed(special(Deleted), u"T", 1);
    // A message without PR_SENDER_NAME_W is still read whole (name taken from the address).
    ASSERT_TRUE(mapi_admin::RemoveProperty(mapi_admin::Messages(inbox).front(), PR_SENDER_NAME_W));

    WalkRun run;
    const auto folders = OpenAll(run.job);
    EXPECT_EQ(CountAll(folders), 12u);
    ASSERT_TRUE(WalkAll(run.job, folders));
    EXPECT_EQ(run.format.paths(),
              u"Draft:D1|Inbox:I1|Inbox:I2|Inbox\\Old:O1|Inbox\\Old\\Deep:P1|"
              u"Inbox\\Work:W1|Outbox:X1|Outbox\\Work\\Inner:N1|"
              u"Outbox\\Work\\Inner:N2|Sentedbox:S1|Wastebox:T1|Wastebox\\Bin:B1");
    EXPECT_EQ(run.job.current.load(), 12u);
    EXPECT_TRUE(run.text.empty());
    const WrittenRecord& record = run.format.written[1];
    EXPECT_EQ(record.senderName, u"Ann");
    EXPECT_EQ(record.senderNumber, u"+4912345");
    EXPECT_EQ(FileTimeToU64(record.deliveryTime), 1010u);
    EXPECT_EQ(record.recipients.size(), 2u);
}

TEST_F(BackupWalkTest, EmptyFolderWritesNothingAndZeroRowCountIsAskedAgain) {
    WalkRun run;
    EXPECT_EQ(countFolderMessages(run.inbox()), 0u);
    EXPECT_TRUE(backupFolder(run.job.transfer, 0, run.inbox(), run.text));
    EXPECT_TRUE(run.format.written.empty());
    EXPECT_TRUE(run.text.empty());
    Seed(special(SpecialFolder::Inbox), u"I", 2);
    EXPECT_EQ(countFolderMessages(run.inbox()), 2u);
}

TEST_F(BackupWalkTest, PrefixIsTheCountAtTheFolderStart) {
    Seed(special(SpecialFolder::Draft), u"D", 5);
    Seed(special(SpecialFolder::Inbox), u"I", 4);
    WalkRun run;
    run.format.failAt = 8; // the third message of the Inbox
    const auto folders = OpenAll(run.job);
    EXPECT_FALSE(WalkAll(run.job, folders));
    EXPECT_EQ(run.text, u"No.5:write sms error, disk full");
    EXPECT_EQ(run.job.current.load(), 8u);
    EXPECT_EQ(run.format.written.size(), 7u);
}

TEST_F(BackupWalkTest, SubfolderFormsItsOwnPrefix) {
    const ObjectId inbox = special(SpecialFolder::Inbox);
    Seed(inbox, u"I", 3);
    Seed(mapi_admin::AddFolder(inbox, u"Old"), u"O", 2);
    WalkRun run;
    run.format.failAt = 5;
    EXPECT_FALSE(backupFolder(run.job.transfer, 0, run.inbox(), run.text));
    EXPECT_EQ(run.text, u"No.3:write sms error, disk full");
}

TEST_F(BackupWalkTest, ContentsReadFailingHalfWayKeepsEarlierMessagesAndGoesOn) {
    // Without recipients, so that the only tables read are contents and hierarchy tables.
    const ObjectId inbox = special(SpecialFolder::Inbox);
    Seed(inbox, u"I", 15, 1000, false);
    Seed(mapi_admin::AddFolder(inbox, u"Old"), u"O", 2, 1000, false);
    WalkRun run;
    EXPECT_EQ(countFolderMessages(run.inbox()), 17u);
    // The second batch of the Inbox's contents.
    mapi_faults::Arm(Op::QueryRows, 2, MAPI_E_CALL_FAILED);
    EXPECT_TRUE(backupFolder(run.job.transfer, 0, run.inbox(), run.text));
    ASSERT_EQ(run.format.written.size(), 12u);
    EXPECT_EQ(run.format.written[9].body, u"I10");
    EXPECT_EQ(run.format.written[10].folderPath, u"Inbox\\Old");
    EXPECT_TRUE(run.text.empty());
}

// Layout of the failure cases: Draft D1; Inbox I1..I3; Inbox\Old O1, O2.
struct FailureCase {
    const char* name;
    Op op;
    Kind kind;
    int nth;
    HRESULT hr;
    bool persistent;
    bool armBeforeCount;
    DWORD total;
    bool ok;
    const char16_t* text;
    const char16_t* written; // RecordingFormat::paths()
};
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class BackupFailureTest : public BackupWalkTest,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(BackupFailureTest, ReportsAndReleasesEverything) {
    const FailureCase& c = GetParam();
    const ObjectId inbox = special(SpecialFolder::Inbox);
    Seed(special(SpecialFolder::Draft), u"D", 1);
    Seed(inbox, u"I", 3);
    Seed(mapi_admin::AddFolder(inbox, u"Old"), u"O", 2);
    {
        WalkRun run;
        const auto folders = OpenAll(run.job);
        if (c.armBeforeCount) {
            mapi_faults::Arm(c.op, c.nth, c.hr, c.persistent, c.kind);
        }
        EXPECT_EQ(CountAll(folders), c.total);
        if (!c.armBeforeCount) {
            mapi_faults::Arm(c.op, c.nth, c.hr, c.persistent, c.kind);
        }
        EXPECT_EQ(WalkAll(run.job, folders), c.ok);
        EXPECT_EQ(run.text, c.text);
        EXPECT_EQ(run.format.paths(), c.written);
    }
    // Everything the walk obtained has been given back with the job.
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), 0);
    EXPECT_EQ(mapi_accounting::OutstandingReferences(), 0);
}

constexpr const char16_t* kAll = u"Draft:D1|Inbox:I1|Inbox:I2|Inbox:I3|Inbox\\Old:O1|Inbox\\Old:O2";
constexpr const char16_t* kNoFirstInbox =
    u"Draft:D1|Inbox:|Inbox:I2|Inbox:I3|Inbox\\Old:O1|Inbox\\Old:O2";
constexpr HRESULT kFailed = MAPI_E_CALL_FAILED;

const FailureCase kFailureCases[] = {
    {"ContentsTable", Op::GetContentsTable, Kind::Folder, 1, kFailed, true, true, 0, false,
     u"No.0:get msg list error.", u""},
    {"ContentsTableOnce", Op::GetContentsTable, Kind::Folder, 1, kFailed, false, true, 5, true, u"",
     kAll},
    {"HierarchyTable", Op::GetHierarchyTable, Kind::Folder, 1, kFailed, true, true, 4, false,
     u"No.0:get sub folders error.", u"Draft:D1"},
    {"ContentsColumns", Op::SetColumns, Kind::Table, 1, MAPI_E_NO_SUPPORT, true, true, 0, false,
     u"No.0:get msg list error.", u""},
    // The second SetColumns is the Draft's hierarchy table.
    {"HierarchyColumnsOnce", Op::SetColumns, Kind::Table, 2, MAPI_E_NO_SUPPORT, false, true, 6,
     true, u"", kAll},
    {"Seek", Op::SeekRow, Kind::Table, 1, kFailed, false, false, 6, false,
     u"No.0:reset msg list error.", u""},
    // The Inbox's first message cannot be opened: its listing ends, the walk goes on.
    {"OpenMessage", Op::FolderOpenEntry, Kind::Folder, 2, MAPI_E_NOT_FOUND, false, false, 6, true,
     u"", u"Draft:D1|Inbox\\Old:O1|Inbox\\Old:O2"},
    // The Inbox's subfolder cannot be opened.
    {"OpenSubfolder", Op::StoreOpenEntry, Kind::Store, 1, MAPI_E_NO_ACCESS, true, true, 4, false,
     u"No.1:get sub folders error.", u"Draft:D1|Inbox:I1|Inbox:I2|Inbox:I3"},
    // A message whose properties cannot be read at all is written with empty fields.
    {"GetProps", Op::GetProps, Kind::Message, 2, kFailed, false, false, 6, true, u"",
     kNoFirstInbox},
    {"GetPropsWarningWithoutValues", Op::GetProps, Kind::Message, 2, MAPI_W_ERRORS_RETURNED, false,
     false, 6, true, u"", kNoFirstInbox},
    {"RecipientTable", Op::GetRecipientTable, Kind::Message, 1, kFailed, true, false, 6, true, u"",
     kAll},
};

INSTANTIATE_TEST_SUITE_P(Faults, BackupFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BackupWalkTest, UnreadableRecipientsAreAskedForAgain) {
    Seed(special(SpecialFolder::Inbox), u"I", 1);
    WalkRun run;
    MessageList* list = run.inbox().messages(10);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->next());
    mapi_faults::Arm(Op::GetRecipientTable, 1, MAPI_E_CALL_FAILED);
    EXPECT_TRUE(list->current()->recipients().empty());
    EXPECT_EQ(list->current()->recipients().size(), 2u);
}

TEST_F(BackupWalkTest, ListsAreMadeOnceAndRetriedAfterFailure) {
    const ObjectId inbox = special(SpecialFolder::Inbox);
    Seed(inbox, u"I", 2);
    mapi_admin::AddFolder(inbox, u"Old");
    WalkRun run;
    StoreFolder* folder = &run.inbox();
    mapi_faults::ResetCounts();
    mapi_faults::Arm(Op::GetContentsTable, 1, MAPI_E_CALL_FAILED);
    mapi_faults::Arm(Op::GetHierarchyTable, 1, MAPI_E_CALL_FAILED);
    EXPECT_EQ(folder->messages(5), nullptr);
    EXPECT_EQ(folder->subfolders(), nullptr);
    MessageList* list = folder->messages(5);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(folder->messages(10), list); // the first successful call's batch size stays
    EXPECT_EQ(list->batchSize(), 5u);
    auto* children = folder->subfolders();
    ASSERT_NE(children, nullptr);
    ASSERT_EQ(children->size(), 1u);
    EXPECT_EQ(folder->subfolders(), children);
    EXPECT_EQ((*children)[0]->folderPath(), u"Inbox\\Old");
    EXPECT_EQ((*children)[0]->parent(), folder);
    EXPECT_EQ(mapi_faults::CallCount(Op::GetContentsTable), 2);
    EXPECT_EQ(mapi_faults::CallCount(Op::GetHierarchyTable), 2);
}

TEST_F(BackupWalkTest, ListReadsInBatchesAndKeepsTheRowCount) {
    Seed(special(SpecialFolder::Inbox), u"I", 23);
    WalkRun run;
    MessageList* list = run.inbox().messages(0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->batchSize(), 10u);
    mapi_faults::StartRecording();
    EXPECT_EQ(list->rowCount(), 23u);
    EXPECT_EQ(list->rowCount(), 23u);
    EXPECT_EQ(mapi_faults::CallCount(Op::GetRowCount), 1);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(list->reset());
        EXPECT_EQ(list->current(), nullptr);
        int seen = 0;
        while (list->next()) {
            ++seen;
        }
        EXPECT_EQ(seen, 23) << pass;
    }
    int queries = 0;
    for (const auto& call : mapi_faults::Recorded()) {
        if (call.op == Op::QueryRows) {
            EXPECT_EQ(call.count, 10);
            EXPECT_EQ(call.flags, 0u);
            ++queries;
        }
    }
    EXPECT_EQ(queries, 8); // three batches and the empty one, twice
}

// The walk and the teardown of the folders take no stack space per level: a chain far deeper
// than a restore makes is counted, written and released on a thread with a small stack.
TEST_F(BackupWalkTest, ADeepStoreBacksUpOnASmallStack) {
    constexpr int kDepth = 3000;
    ObjectId folder = special(SpecialFolder::Inbox);
    for (int i = 0; i < kDepth && folder != 0; ++i) {
        folder = mapi_admin::AddFolder(folder, u"d");
    }
    ASSERT_NE(mapi_admin::AddMessage(folder, SampleMessage(u"deep", 100)), 0);
    struct Outcome {
        bool ok = false;
        DWORD counted = 0;
        std::u16string paths;
    } outcome;
    std::function<void()> body = [&outcome] {
        WalkRun run;
        outcome.counted = countFolderMessages(run.inbox());
        outcome.ok = backupFolder(run.job.transfer, 0, run.inbox(), run.text);
        outcome.paths = run.format.paths();
    };
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* work) -> void* {
                      (*static_cast<std::function<void()>*>(work))();
                      return nullptr;
                  },
                  &body),
              0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    pthread_attr_destroy(&attributes);
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.counted, 1u);
    std::u16string path = u"Inbox";
    for (int i = 0; i < kDepth; ++i) {
        path += u"\\d";
    }
    EXPECT_EQ(outcome.paths, path + u":deep");
}

} // namespace
