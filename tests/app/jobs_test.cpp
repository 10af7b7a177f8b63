// The jobs as their launchers run them: a cancelled file choice, a missing store, the folders
// taken, the total a backup declares, a stop request, and a restore's full store.
#include "app/app_fixture.h"
#include "app/launch.h"
#include "platform/threads.h"
#include "support/forwarding_format.h"

namespace {

// Answers the file choice itself and waits for the job as the progress dialog does: the
// interface offers only the done flag to watch.
class TestFrontEnd final : public JobFrontEnd {
public:
    explicit TestFrontEnd(std::u16string path) : path_(std::move(path)) {}
    std::u16string ChooseBackupPath(const std::u16string&) override { return path_; }
    std::u16string ChooseRestorePath(const std::u16string&) override { return path_; }
    void ShowProgress(const JobProgress& progress) override {
        while (!progress.done.load(std::memory_order_acquire)) {
            Sleep(1);
        }
        result_ = progress.result;
    }
    std::u16string result_;

private:
    std::u16string path_;
};

// A real format that calls back before the total and after each record is written: a message
// arriving during the walk, or a stop request after the n-th record.
class Hooked final : public ForwardingFormat {
public:
    using ForwardingFormat::ForwardingFormat;
    bool WriteTotal(HANDLE h, DWORD t, std::u16string& e) override {
        beforeTotal();
        return ForwardingFormat::WriteTotal(h, t, e);
    }
    bool WriteRecord(HANDLE h, MessageRecord& m, std::u16string& e) override {
        const bool ok = ForwardingFormat::WriteRecord(h, m, e);
        afterRecord(++written);
        return ok;
    }
    std::function<void()> beforeTotal = [] {};
    std::function<void(int)> afterRecord = [](int) {};
    int written = 0;
};

class Jobs : public AppFixture {
protected:
    // Launches a backup into the named file, in format or else a Unicode backup, and a restore
    // of the named file; each keeps its launch result in launched_ and returns its text.
    std::u16string backup(const std::string& name, BackupFile* format = nullptr) {
        UnicodeBackupFile usms;
        TestFrontEnd frontEnd(path(name));
        launched_ = LaunchBackup(format != nullptr ? *format : usms,
                                 u"Unicode SMS Manager File(*.usms)|*.usms", frontEnd);
        EXPECT_TRUE(launched_.started);
        return frontEnd.result_;
    }
    std::u16string restore(const std::string& name) {
        UnicodeBackupFile format;
        TestFrontEnd frontEnd(path(name));
        launched_ = LaunchRestore(format, u"*.usms", frontEnd);
        return frontEnd.result_;
    }

    LaunchResult launched_;
};

// A file choice that is cancelled starts no job.
TEST_F(Jobs, ACancelledFileChoiceStartsNoJob) {
    TestFrontEnd cancelled(u"");
    UnicodeBackupFile usms;
    EXPECT_FALSE(LaunchBackup(usms, u"x|*.usms", cancelled).started);
    EXPECT_FALSE(LaunchRestore(usms, u"*.usms", cancelled).started);
}

TEST_F(Jobs, MissingStoreEndsBothJobsAndCreatesNoFile) {
    ASSERT_TRUE(mapi_admin::RemoveStore(sms_));
    EXPECT_EQ(backup("none.usms"), u"SMS Account Initialization Failed.");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "none.usms"));
    EXPECT_EQ(restore("none.usms"), u"SMS Account Initialization Failed.");
}

// No folder selected writes an empty valid backup; a selected folder that does not open stops
// the backup with a text.
TEST_F(Jobs, TheSelectedFoldersAreTheOnesBackedUp) {
    Seed(inboxId(), u"m", 2);
    ASSERT_TRUE(SaveFolderSelection(FolderSelection{}));
    EXPECT_EQ(backup("empty.usms"), u"Backup Completed.");
    EXPECT_EQ(ReadHostFile(folder_ / "empty.usms").size(), 20u);
    ASSERT_TRUE(SaveFolderSelection(FolderSelection::All()));
    ASSERT_TRUE(mapi_admin::SetOpenError(special(SpecialFolder::Outbox), MAPI_E_NO_ACCESS));
    EXPECT_EQ(backup("x.usms"), u"No.2:open folder 'Outbox' error.");
}

// The file declares exactly the records it holds, when the listing ends early or grows.
TEST_F(Jobs, TheDeclaredTotalIsWhatWasWritten) {
    Seed(inboxId(), u"m", 25, 1000, /*withRecipients=*/false);
    ASSERT_TRUE(SaveFolderSelection(FolderSelection{0, 1, 0, 0, 0}));
    // Counting asks the row count and lists the (no) subfolders; then the walk's first batch of
    // ten is read, and its second fails.
    {
        std::u16string text;
        UnicodeBackupFile usms;
        BackupJob job(path("half.usms"), usms, text);
        mapi_faults::Arm(Op::QueryRows, 3, MAPI_E_CALL_FAILED, false, Kind::Table);
        EXPECT_TRUE(RunBackup(job));
        EXPECT_EQ(text, u"Backup Completed. 10 of 25 messages were saved; the "
                        u"others could not be read from the store.");
    }
    EXPECT_EQ(ReadBack("half.usms").records.size(), 10u);

    UnicodeBackupFile inner;
    Hooked format(inner);
    format.beforeTotal = [inbox = inboxId()]() mutable {
        if (inbox != 0) {
            mapi_admin::AddMessage(std::exchange(inbox, 0), SampleMessage(u"late arrival", 99999));
        }
    };
    EXPECT_EQ(backup("more.usms", &format), u"Backup Completed.");
    const std::vector<MessageFields> records = ReadBack("more.usms").records;
    ASSERT_EQ(records.size(), 26u);
    EXPECT_EQ(records.back().body, u"late arrival");
}

// A stop request ends a job after the message in hand; a restore keeps what it restored and
// counts it.
TEST_F(Jobs, AStopRequestEndsAJobAfterTheMessageInHand) {
    Seed(inboxId(), u"m", 12);
    UnicodeBackupFile usms;
    Hooked stopping(usms);
    std::u16string text;
    const FolderSelection all = FolderSelection::All();
    {
        BackupJob job(path("out.usms"), stopping, text, &all);
        stopping.afterRecord = [&job](int written) { job.stop.store(job.stop || written == 5); };
        EXPECT_FALSE(RunBackup(job));
        EXPECT_TRUE(job.stopped);
        EXPECT_EQ(job.current.load(), 5u);
    }
    EXPECT_EQ(text, kStoppedText);

    ResetStore();
    ScriptedFormat file;
    AddRecords(file, 9, false);
    RestoreJob restore(u"unused", file, text);
    file.beforeRead = [&restore](int read) { restore.stop.store(read == 6); };
    EXPECT_FALSE(RunRestore(restore));
    EXPECT_TRUE(restore.stopped);
    EXPECT_EQ(text, kStoppedText);
    EXPECT_EQ(restore.current.load(), 6u); // the sixth was in hand and is restored
    EXPECT_EQ(Bodies(inboxId()).size(), 6u);
}

// A save that fails for want of space says so beyond the job's text, through the launcher.
TEST_F(Jobs, ALaunchedRestoreReportsAFullStore) {
    Seed(inboxId(), u"m", 40);
    ASSERT_EQ(backup("all.usms"), u"Backup Completed.");
    for (const HRESULT hr : {MAPI_E_NOT_ENOUGH_DISK, MAPI_E_CALL_FAILED}) {
        ResetStore();
        mapi_faults::Arm(Op::SetProps, 3, hr);
        EXPECT_EQ(restore("all.usms"), u"No.3:save sms error!");
        mapi_faults::Disarm();
        EXPECT_EQ(launched_.storeError, hr);
        EXPECT_EQ(launched_.handled, 3u);
        EXPECT_EQ(Bodies(inboxId()).size(), 2u);
    }
}

} // namespace
