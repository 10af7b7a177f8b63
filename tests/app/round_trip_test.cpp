#include "app/jobs.h"
#include "store/walk_fixture.h"

#include "files/unicode_backup_file.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

namespace {

class StoreRoundTripTest : public WalkFixture {
protected:
    // Backs up all five folders into path; false with the result text on failure.
    static bool Backup(const std::u16string& path, std::u16string& text) {
        UnicodeBackupFile format;
        BackupJob job(path, format, text);
        job.folders = FolderSelection::All();
        return RunBackup(job);
    }
    static bool Restore(const std::u16string& path, std::u16string& text) {
        UnicodeBackupFile format;
        RestoreJob job(path, format, text);
        return RunRestore(job);
    }

    void SeedVariedStore() {
        using enum SpecialFolder;
        std::uint64_t time = 130000000000000000ull;
        auto next = [&time](std::u16string body) { return SampleMessage(std::move(body), ++time); };

        mapi_admin::SeedMessage bare = next(u"line one\r\nline two");
        bare.senderEmail = u"+4912345";
        bare.senderName.clear(); // no PR_SENDER_NAME_W at all
        mapi_admin::SeedMessage nameOnly = next(u"Grüße 李 \U0001F600");
        nameOnly.senderEmail.clear();
        nameOnly.senderName = u"Jürgen";
        nameOnly.recipients.clear();
        mapi_admin::SeedMessage zeroTime = next(u"");
        zeroTime.deliveryTime = FILETIME{};
        zeroTime.recipients = {{u"", u"", MAPI_BCC}, {u"+1", u"\"Quoted\" <x>", MAPI_TO}};
        ASSERT_EQ(
            mapi_admin::AddMessages(special(Inbox), {next(u"a"), bare, nameOnly, zeroTime}).size(),
            4u);

        const ObjectId old = mapi_admin::AddFolder(special(Inbox), u"Old");
        const ObjectId deep = mapi_admin::AddFolder(old, u"Deep Ä");
        mapi_admin::AddMessage(old, next(u"old"));
        mapi_admin::AddMessage(deep, next(u"deep"));
        mapi_admin::AddMessage(special(Draft), next(u"draft"));
        mapi_admin::AddMessage(special(Outbox), next(u"out"));
        mapi_admin::AddMessage(mapi_admin::AddFolder(special(Sent), u"Work"), next(u"work"));
        mapi_admin::AddMessage(special(Sent), next(u"sent"));
        mapi_admin::AddMessage(special(Deleted), next(u"gone"));
    }
};

TEST_F(StoreRoundTripTest, BackupRestoreBackupGivesTheSameFile) {
    SeedVariedStore();
    TempDir files;
    std::u16string text;
    ASSERT_TRUE(Backup(files.file("first.usms"), text)) << std::string(text.begin(), text.end());
    // The same messages written by restore into a new, empty store.
    ASSERT_TRUE(mapi_admin::CreateDeviceStore());
    sms_ = mapi_admin::FindStore(u"SMS");
    ASSERT_TRUE(Bodies(special(SpecialFolder::Inbox)).empty());
    ASSERT_TRUE(Restore(files.file("first.usms"), text)) << std::string(text.begin(), text.end());
    EXPECT_EQ(text, u"Restore Completed.");
    ASSERT_TRUE(Backup(files.file("second.usms"), text)) << std::string(text.begin(), text.end());

    const std::string first = ReadHostFile(files.path() / "first.usms");
    const std::string second = ReadHostFile(files.path() / "second.usms");
    ASSERT_GT(first.size(), 20u);
    EXPECT_EQ(first.substr(16, 4), U32Bytes(11)); // the total after the digest
    EXPECT_EQ(first, second);
}

} // namespace
