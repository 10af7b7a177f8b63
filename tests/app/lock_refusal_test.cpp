// What a backup and a restore say when they do not get the handset's lock: busy only while
// another job holds it, else the handset folder and the system's reason. Neither touches its
// file then.
#include "app/jobs.h"
#include "files/unicode_backup_file.h"
#include "platform/utf.h"
#include "store/walk_fixture.h"
#include "support/other_user.h"

#include <iostream>
#include <memory>

namespace {

namespace fs = std::filesystem;

using LockRefusal = WalkFixture;

struct JobTexts {
    std::u16string backup;
    std::u16string restore;
    bool backupFileMade = false;
    int restoreReads = 0;
};

JobTexts RunBoth(const fs::path& folder) {
    JobTexts texts;
    const std::u16string target = utf::FromHostBytes((folder / "out.usms").string());
    {
        UnicodeBackupFile usms;
        BackupJob backup(target, usms, texts.backup);
        RunBackup(backup);
    }
    texts.backupFileMade = fs::exists(folder / "out.usms");
    ScriptedFormat file;
    file.add(u"Inbox", u"restored", 7000);
    {
        RestoreJob restore(u"unused", file, texts.restore);
        RunRestore(restore);
    }
    texts.restoreReads = file.reads;
    return texts;
}

bool SaysOnly(const JobTexts& texts, const std::u16string& expected) {
    if (texts.backup == expected && texts.restore == expected && !texts.backupFileMade &&
        texts.restoreReads == 0) {
        return true;
    }
    std::cerr << "backup: " << utf::Utf8(texts.backup) << "\nrestore: " << utf::Utf8(texts.restore)
              << "\n";
    return false;
}

TEST_F(LockRefusal, EachJobSaysWhyItCannotStart) {
    Seed(inboxId(), u"m", 3);
    const std::u16string cannotWrite =
        u"cannot write to the handset folder " + utf::FromHostBytes(folder_.string()) + u": ";
    const struct {
        const char* name;
        std::function<std::shared_ptr<void>()> arrange;
        bool asReader;
        std::u16string text;
    } cases[] = {
        {"another job holds the handset", [this] { return std::make_shared<HandsetLock>(folder_); },
         false, kHandsetBusyText},
        {"job.lock is a folder",
         [this] {
             fs::create_directory(folder_ / "job.lock");
             return std::shared_ptr<void>();
         },
         false, cannotWrite + u"job.lock: Is a directory"},
        {"the user may not write the handset folder", [] { return std::shared_ptr<void>(); }, true,
         cannotWrite + u"Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::shared_ptr<void> keeper = c.arrange();
        if (c.asReader) {
            const UnwritableTree tree(folder_);
            if (!tree.holds()) {
                ASSERT_FALSE(ReaderIsNobody()) << "nobody can write the test folder";
                GTEST_SKIP() << "this user can write any folder";
            }
            const fs::path folder = folder_;
            const std::u16string text = c.text;
            EXPECT_TRUE(RunAsReader([folder, text] { return SaysOnly(RunBoth(folder), text); }));
        } else {
            EXPECT_TRUE(SaysOnly(RunBoth(folder_), c.text));
        }
        std::error_code ignored;
        fs::remove_all(folder_ / "job.lock", ignored);
    }
    // The handset free again, both jobs run.
    const JobTexts texts = RunBoth(folder_);
    EXPECT_EQ(texts.backup, u"Backup Completed.");
    EXPECT_EQ(texts.restore, u"Restore Completed.");
}

} // namespace
