#include "app/jobs.h"
#include "app/launch.h"
#include "files/unicode_backup_file.h"
#include "platform/threads.h"
#include "platform/utf.h"
#include "store/walk_fixture.h"
#include "support/backup_runs.h"
#include "support/forwarding_format.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

// Answers the file choice itself and waits for the job as the progress dialog does: the
// interface offers only the done flag to watch.
class TestFrontEnd final : public JobFrontEnd {
public:
    explicit TestFrontEnd(std::u16string path) : path_(std::move(path)) {}
    std::u16string ChooseBackupPath(const std::u16string&) override { return path_; }
    std::u16string ChooseRestorePath(const std::u16string&) override { return path_; }
    void ShowProgress(const JobProgress& progress) override {
        if (stopAtOnce_) {
            progress.stop->store(true); // before the first message, or after any
        }
        while (progress.done.load(std::memory_order_acquire) != 1) {
            Sleep(1);
        }
        result_ = progress.result;
    }
    std::u16string result_;
    bool stopAtOnce_ = false; // asks the job to stop, as the command-line tool's Ctrl-C does

private:
    std::u16string path_;
};

// Adds a message to the inbox once the total is written, as a message arriving during the walk.
class ArrivingMessage final : public ForwardingFormat {
public:
    ArrivingMessage(BackupFile& inner, ObjectId inbox) : ForwardingFormat(inner), inbox_(inbox) {}
    bool WriteTotal(HANDLE h, DWORD t, std::u16string& e) override {
        if (inbox_ != 0) {
            mapi_admin::AddMessage(std::exchange(inbox_, 0), SampleMessage(u"late arrival", 99999));
        }
        return ForwardingFormat::WriteTotal(h, t, e);
    }

private:
    ObjectId inbox_;
};

class Jobs : public WalkFixture {
protected:
    std::u16string path(const std::string& name) const {
        return utf::Utf16((folder_ / name).string());
    }
    std::u16string backup(const std::string& name, BackupFile& format) {
        TestFrontEnd frontEnd(path(name));
        EXPECT_TRUE(
            LaunchBackup(format, u"Unicode SMS Manager File(*.usms)|*.usms", frontEnd).started);
        return frontEnd.result_;
    }
    std::u16string backup(const std::string& name) {
        UnicodeBackupFile format;
        return backup(name, format);
    }
    std::u16string restore(const std::string& name) {
        UnicodeBackupFile format;
        TestFrontEnd frontEnd(path(name));
        LaunchRestore(format, u"*.usms", frontEnd);
        return frontEnd.result_;
    }
    void emptyStore() {
        ASSERT_TRUE(mapi_admin::CreateDeviceStore());
        sms_ = mapi_admin::FindStore(u"SMS");
    }
    // The bodies that a backup file holds, after checking it whole.
    std::vector<std::u16string> bodiesIn(const std::string& name) const {
        UnicodeBackupFile format;
        const RestoreOutcome read = RunRestore(format, path(name));
        EXPECT_TRUE(read.ok) << read.failedAt;
        std::vector<std::u16string> bodies;
        for (const MessageFields& record : read.records) {
            bodies.push_back(record.body);
        }
        return bodies;
    }
};

TEST_F(Jobs, LaunchedJobsRunToTheirCompletionTexts) {
    Seed(inboxId(), u"in", 12);
    Seed(special(SpecialFolder::Sent), u"sent", 3);
    EXPECT_EQ(backup("all.usms"), u"Backup Completed.");
    EXPECT_EQ(bodiesIn("all.usms").size(), 15u);
    emptyStore();
    EXPECT_EQ(restore("all.usms"), u"Restore Completed.");
    EXPECT_EQ(Bodies(inboxId()).size(), 12u);

    TestFrontEnd cancelled(u"");
    EXPECT_FALSE(
        LaunchBackup(*std::make_unique<UnicodeBackupFile>(), u"x|*.usms", cancelled).started);
    EXPECT_FALSE(
        LaunchRestore(*std::make_unique<UnicodeBackupFile>(), u"*.usms", cancelled).started);
}

TEST_F(Jobs, MissingStoreEndsBothJobsAndCreatesNoFile) {
    ASSERT_TRUE(mapi_admin::RemoveStore(sms_));
    EXPECT_EQ(backup("none.usms"), u"SMS Account Initialization Failed.");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "none.usms"));
    EXPECT_EQ(restore("none.usms"), u"SMS Account Initialization Failed.");
}

TEST_F(Jobs, RestoreStopsAtAnInvalidFileOrAFailingMessage) {
    Seed(inboxId(), u"m", 7);
    ASSERT_EQ(backup("a.usms"), u"Backup Completed.");
    WriteHostFile(folder_ / "b.usms", ReadHostFile(folder_ / "a.usms") + "x");
    emptyStore();
    EXPECT_EQ(restore("b.usms"), u"File Validation Failed.");
    EXPECT_TRUE(Bodies(inboxId()).empty());
    mapi_faults::Arm(Op::CreateMessage, 5, MAPI_E_CALL_FAILED);
    EXPECT_EQ(restore("a.usms"), u"No.5:Create message error!");
    EXPECT_EQ(Bodies(inboxId()), (std::vector<std::u16string>{u"m1", u"m2", u"m3", u"m4"}));
}

TEST_F(Jobs, NoFolderSelectedWritesAnEmptyValidBackup) {
    Seed(inboxId(), u"m", 4);
    ASSERT_TRUE(SaveFolderSelection(FolderSelection{}));
    EXPECT_EQ(backup("empty.usms"), u"Backup Completed.");
    EXPECT_EQ(ReadHostFile(folder_ / "empty.usms").size(), 20u);
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
    EXPECT_EQ(bodiesIn("half.usms").size(), 10u);

    UnicodeBackupFile inner;
    ArrivingMessage format(inner, inboxId());
    EXPECT_EQ(backup("more.usms", format), u"Backup Completed.");
    const std::vector<std::u16string> bodies = bodiesIn("more.usms");
    ASSERT_EQ(bodies.size(), 26u);
    EXPECT_EQ(bodies.back(), u"late arrival");
}

TEST_F(Jobs, UnopenableSelectedFolderStopsTheBackupWithAText) {
    Seed(inboxId(), u"m", 2);
    ASSERT_TRUE(mapi_admin::SetOpenError(special(SpecialFolder::Outbox), MAPI_E_NO_ACCESS));
    EXPECT_EQ(backup("x.usms"), u"No.2:open folder 'Outbox' error.");
}

} // namespace

namespace {

// Asks the job to stop once the n-th record was written.
class StopAfter final : public ForwardingFormat {
public:
    StopAfter(BackupFile& inner, int n) : ForwardingFormat(inner), left_(n) {}
    bool WriteRecord(HANDLE h, MessageRecord& m, std::u16string& e) override {
        const bool ok = ForwardingFormat::WriteRecord(h, m, e);
        if (--left_ == 0 && stop != nullptr) {
            stop->store(true);
        }
        return ok;
    }
    std::atomic<bool>* stop = nullptr;

private:
    int left_;
};

// A stop request ends a job after the message in hand: a backup leaves the earlier file and no
// partial file, a restore keeps what it restored and counts it.
TEST_F(Jobs, AStopRequestEndsAJobAfterTheMessageInHand) {
    Seed(inboxId(), u"m", 12);
    WriteHostFile(folder_ / "out.usms", "earlier");
    UnicodeBackupFile usms;
    StopAfter stopping(usms, 5);
    std::u16string text;
    const FolderSelection all = FolderSelection::All();
    {
        BackupJob job(path("out.usms"), stopping, text, &all);
        stopping.stop = &job.stop;
        EXPECT_FALSE(RunBackup(job));
        EXPECT_TRUE(job.stopped);
        EXPECT_EQ(job.current.load(), 5u);
    }
    EXPECT_EQ(text, kStoppedText);
    EXPECT_EQ(ReadHostFile(folder_ / "out.usms"), "earlier");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.usms.partial"));

    ASSERT_EQ(backup("all.usms"), u"Backup Completed.");
    emptyStore();
    ScriptedFormat file;
    for (int i = 1; i <= 9; ++i) {
        file.add(u"Inbox", u"r" + NumberToText(i), 500 + static_cast<std::uint64_t>(i));
    }
    RestoreJob restore(u"unused", file, text);
    file.beforeRead = [&restore](int read) { restore.stop.store(read == 6); };
    EXPECT_FALSE(RunRestore(restore));
    EXPECT_TRUE(restore.stopped);
    EXPECT_EQ(text, kStoppedText);
    EXPECT_EQ(restore.current.load(), 6u); // the sixth was in hand and is restored
    EXPECT_EQ(Bodies(inboxId()).size(), 6u);
}

// A save that fails for want of space says so beyond the job's text, through the launcher.
TEST_F(Jobs, AFullStoreIsToldApartFromOtherFailedSaves) {
    Seed(inboxId(), u"m", 4);
    ASSERT_EQ(backup("all.usms"), u"Backup Completed.");
    for (const HRESULT hr : {MAPI_E_NOT_ENOUGH_DISK, MAPI_E_CALL_FAILED}) {
        emptyStore();
        mapi_faults::Arm(Op::SetProps, 3, hr);
        UnicodeBackupFile format;
        TestFrontEnd frontEnd(path("all.usms"));
        const LaunchResult result = LaunchRestore(format, u"*.usms", frontEnd);
        mapi_faults::Disarm();
        EXPECT_EQ(frontEnd.result_, u"No.3:save sms error!");
        EXPECT_EQ(result.storeError, hr);
        EXPECT_EQ(result.handled, 3u);
        EXPECT_EQ(Bodies(inboxId()).size(), 2u);
    }
}

// Through the launcher, as the command-line tool stops a job: the result says it stopped, and
// how many messages it handled is what the store holds.
TEST_F(Jobs, ALaunchedRestoreStoppedByItsFrontEndCountsWhatItRestored) {
    Seed(inboxId(), u"m", 40);
    ASSERT_EQ(backup("all.usms"), u"Backup Completed.");
    emptyStore();
    TestFrontEnd frontEnd(path("all.usms"));
    frontEnd.stopAtOnce_ = true;
    UnicodeBackupFile format;
    const LaunchResult result = LaunchRestore(format, u"*.usms", frontEnd);
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(Bodies(inboxId()).size(), result.handled);
    EXPECT_EQ(result.total, 40u);
}

} // namespace
