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
        while (progress.done.load(std::memory_order_acquire) != 1) {
            Sleep(1);
        }
        result_ = progress.result;
    }
    std::u16string result_;

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
