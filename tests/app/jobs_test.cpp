#include "app/jobs.h"
#include "app/launch.h"
#include "files/unicode_backup_file.h"
#include "platform/faults.h"
#include "platform/threads.h"
#include "platform/utf.h"
#include "store/walk_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

// A front end that answers the file choice itself and waits for the job like the progress
// dialog does, remembering the counters it saw last.
class TestFrontEnd final : public JobFrontEnd {
public:
    explicit TestFrontEnd(std::u16string path) : path_(std::move(path)) {}
    std::u16string ChooseBackupPath(const std::u16string& filter) override {
        filter_ = filter;
        return path_;
    }
    std::u16string ChooseRestorePath(const std::u16string& pattern) override {
        filter_ = pattern;
        return path_;
    }
    void ShowProgress(const JobProgress& progress) override {
        shown_ = true;
        while (progress.done.load(std::memory_order_acquire) != 1) {
            Sleep(1);
        }
        current_ = progress.current.load();
        total_ = progress.total.load();
        result_ = progress.result;
    }

    bool shown_ = false;
    std::u16string filter_;
    std::u16string result_;
    DWORD current_ = 0;
    DWORD total_ = 0;

private:
    std::u16string path_;
};

// What a Unicode backup file declares and holds.
struct FileContents {
    std::u16string error;
    DWORD total = 0;
    std::vector<std::u16string> bodies;
};

FileContents ReadBackup(const std::u16string& path) {
    FileContents contents;
    UnicodeBackupFile file;
    HANDLE handle = 0;
    if (!file.OpenForRead(path, handle, contents.error) ||
        !file.CheckValidation(handle, contents.error) ||
        !file.ReadTotal(handle, contents.total, contents.error)) {
        return contents;
    }
    for (DWORD n = 0; n < contents.total; ++n) {
        MessageFields fields;
        std::vector<Recipient> recipients;
        if (!file.ReadRecord(handle, fields, recipients, contents.error)) {
            break;
        }
        contents.bodies.push_back(fields.body);
    }
    // Nothing may follow the declared records.
    MessageFields extra;
    std::vector<Recipient> recipients;
    std::u16string ignored;
    if (file.ReadRecord(handle, extra, recipients, ignored)) {
        contents.error = u"records beyond the total";
    }
    file.CloseAfterRead(handle, ignored);
    return contents;
}

// Adds a message to the inbox once the total is written, as a message arriving during the walk.
class ArrivingMessage final : public BackupFile {
public:
    ArrivingMessage(BackupFile& inner, ObjectId inbox) : inner_(inner), inbox_(inbox) {}
    bool OpenForRead(std::u16string p, HANDLE& h, std::u16string& e) override {
        return inner_.OpenForRead(p, h, e);
    }
    bool ReadRecord(HANDLE h, MessageFields& r, std::vector<Recipient>& l,
                    std::u16string& e) override {
        return inner_.ReadRecord(h, r, l, e);
    }
    bool CheckValidation(HANDLE h, std::u16string& e) override {
        return inner_.CheckValidation(h, e);
    }
    bool ReadTotal(HANDLE h, DWORD& t, std::u16string& e) override {
        return inner_.ReadTotal(h, t, e);
    }
    bool CloseAfterRead(HANDLE h, std::u16string& e) override { return inner_.CloseAfterRead(h, e); }
    bool OpenForWrite(std::u16string p, HANDLE& h, std::u16string& e) override {
        return inner_.OpenForWrite(p, h, e);
    }
    bool SkipValidationArea(HANDLE h, std::u16string& e) override {
        return inner_.SkipValidationArea(h, e);
    }
    bool WriteTotal(HANDLE h, DWORD t, std::u16string& e) override {
        if (!arrived_) {
            arrived_ = true;
            mapi_admin::AddMessage(inbox_, SampleMessage(u"late arrival", 99999));
        }
        return inner_.WriteTotal(h, t, e);
    }
    bool WriteRecord(HANDLE h, MessageRecord& m, std::u16string& e) override {
        return inner_.WriteRecord(h, m, e);
    }
    bool WriteValidation(HANDLE h, std::u16string& e) override {
        return inner_.WriteValidation(h, e);
    }
    bool CloseAfterWrite(HANDLE h, std::u16string& e) override {
        return inner_.CloseAfterWrite(h, e);
    }

private:
    BackupFile& inner_;
    ObjectId inbox_;
    bool arrived_ = false;
};

class Jobs : public WalkFixture {
protected:
    std::u16string path(const std::string& name) const {
        return utf::Utf16((folder_ / name).string());
    }
    std::u16string backup(const std::string& name, BackupFile& format) {
        TestFrontEnd frontEnd(path(name));
        LaunchBackup(format, u"Unicode SMS Manager File(*.usms)|*.usms", frontEnd);
        EXPECT_TRUE(frontEnd.shown_);
        return frontEnd.result_;
    }
    std::u16string restore(const std::string& name) {
        UnicodeBackupFile format;
        TestFrontEnd frontEnd(path(name));
        LaunchRestore(format, u"*.usms", frontEnd);
        return frontEnd.result_;
    }
    void selectOnly(FolderSelection selection) { ASSERT_TRUE(SaveFolderSelection(selection)); }
};

TEST_F(Jobs, BackupAndRestoreRunOnTheirWorkersToTheCompletionTexts) {
    Seed(inboxId(), u"in", 12);
    Seed(special(SpecialFolder::Sent), u"sent", 3);
    UnicodeBackupFile format;
    EXPECT_EQ(backup("all.usms", format), u"Backup Completed.");
    const FileContents contents = ReadBackup(path("all.usms"));
    EXPECT_EQ(contents.total, 15u);
    EXPECT_EQ(contents.bodies.size(), 15u);

    mapi_admin::CreateDeviceStore();
    EXPECT_EQ(restore("all.usms"), u"Restore Completed.");
    sms_ = mapi_admin::FindStore(u"SMS");
    EXPECT_EQ(Bodies(inboxId()).size(), 12u);
}

TEST_F(Jobs, MissingStoreEndsBothJobsAndCreatesNoFile) {
    ASSERT_TRUE(mapi_admin::RemoveStore(sms_));
    UnicodeBackupFile format;
    EXPECT_EQ(backup("none.usms", format), u"SMS Account Initialization Failed.");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "none.usms"));
    EXPECT_EQ(restore("none.usms"), u"SMS Account Initialization Failed.");
}

TEST_F(Jobs, OpenFailuresAreTheFormatsTexts) {
    UnicodeBackupFile format;
    EXPECT_EQ(backup("no/such/folder/x.usms", format),
              u"begin backup error, The system cannot find the path specified.");
    EXPECT_EQ(restore("missing.usms"),
              u"begin restore error, The system cannot find the file specified.");
}

TEST_F(Jobs, RestoreOfAnInvalidFileWritesNothing) {
    Seed(inboxId(), u"m", 3);
    UnicodeBackupFile format;
    ASSERT_EQ(backup("a.usms", format), u"Backup Completed.");
    WriteHostFile(folder_ / "b.usms", ReadHostFile(folder_ / "a.usms") + "x");
    mapi_admin::CreateDeviceStore();
    sms_ = mapi_admin::FindStore(u"SMS");
    EXPECT_EQ(restore("b.usms"), u"File Validation Failed.");
    EXPECT_TRUE(Bodies(inboxId()).empty());
}

TEST_F(Jobs, RestoreFailingAtTheFifthMessageKeepsTheFirstFour) {
    Seed(inboxId(), u"m", 7);
    UnicodeBackupFile format;
    ASSERT_EQ(backup("a.usms", format), u"Backup Completed.");
    mapi_admin::CreateDeviceStore();
    sms_ = mapi_admin::FindStore(u"SMS");
    mapi_faults::Arm(Op::CreateMessage, 5, MAPI_E_CALL_FAILED);
    EXPECT_EQ(restore("a.usms"), u"No.5:Create message error!");
    EXPECT_EQ(Bodies(inboxId()), (std::vector<std::u16string>{u"m1", u"m2", u"m3", u"m4"}));
}

TEST_F(Jobs, NoFolderSelectedWritesAnEmptyValidBackup) {
    Seed(inboxId(), u"m", 4);
    selectOnly(FolderSelection{});
    UnicodeBackupFile format;
    EXPECT_EQ(backup("empty.usms", format), u"Backup Completed.");
    EXPECT_EQ(ReadHostFile(folder_ / "empty.usms").size(), 20u);
    EXPECT_EQ(ReadBackup(path("empty.usms")).total, 0u);
}

TEST_F(Jobs, ListingThatFailsHalfWayDeclaresTheRecordsItHolds) {
    Seed(inboxId(), u"m", 25, 1000, /*withRecipients=*/false);
    selectOnly(FolderSelection{0, 1, 0, 0, 0});
    std::u16string result;
    UnicodeBackupFile format;
    BackupJob job(path("half.usms"), format, result);
    // Counting asks the row count and lists the (no) subfolders; then the walk's first batch of
    // ten is read, and its second fails.
    mapi_faults::Arm(Op::QueryRows, 3, MAPI_E_CALL_FAILED, false, Kind::Table);
    EXPECT_TRUE(RunBackup(job));
    EXPECT_EQ(job.total.load(), 25u);
    EXPECT_EQ(job.current.load(), 10u);
    EXPECT_EQ(result, u"Backup Completed. 10 of 25 messages were saved; the others could not be "
                      u"read from the store.");
    const FileContents contents = ReadBackup(path("half.usms"));
    EXPECT_EQ(contents.error, u"");
    EXPECT_EQ(contents.total, 10u);
    EXPECT_EQ(contents.bodies.size(), 10u);
}

TEST_F(Jobs, MessageArrivingDuringTheWalkIsDeclaredToo) {
    Seed(inboxId(), u"m", 5);
    selectOnly(FolderSelection{0, 1, 0, 0, 0});
    std::u16string result;
    UnicodeBackupFile inner;
    ArrivingMessage format(inner, inboxId());
    BackupJob job(path("more.usms"), format, result);
    EXPECT_TRUE(RunBackup(job));
    EXPECT_EQ(result, u"Backup Completed.");
    const FileContents contents = ReadBackup(path("more.usms"));
    EXPECT_EQ(contents.error, u"");
    EXPECT_EQ(contents.total, 6u);
    EXPECT_EQ(contents.bodies.back(), u"late arrival");
}

TEST_F(Jobs, UnopenableSelectedFolderStopsTheBackupWithAText) {
    Seed(inboxId(), u"m", 2);
    ASSERT_TRUE(mapi_admin::SetOpenError(special(SpecialFolder::Outbox), MAPI_E_NO_ACCESS));
    UnicodeBackupFile format;
    EXPECT_EQ(backup("x.usms", format), u"No.2:open folder 'Outbox' error.");
}

TEST_F(Jobs, FileThatCannotBeCompletedIsNotReportedAsCompleted) {
    Seed(inboxId(), u"m", 2);
    const faults::FileFaultGuard guard;
    UnicodeBackupFile format;
    // Every close fails (it still gives the handle back): the settings file's close is
    // ignored, the backup's is not.
    faults::ArmFileFault(faults::FileOp::Close, 1, ERROR_DISK_FULL, true);
    const std::u16string result = backup("x.usms", format);
    EXPECT_NE(result.find(u"There is not enough space on the disk."), std::u16string::npos)
        << utf::Utf8(result);
    EXPECT_EQ(result.find(u"Completed"), std::u16string::npos);
}

TEST_F(Jobs, CancelledFileChoiceStartsNoJob) {
    UnicodeBackupFile format;
    TestFrontEnd frontEnd(u"");
    LaunchBackup(format, u"Unicode SMS Manager File(*.usms)|*.usms", frontEnd);
    LaunchRestore(format, u"*.usms", frontEnd);
    EXPECT_FALSE(frontEnd.shown_);
}

} // namespace
