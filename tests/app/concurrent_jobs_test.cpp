// Jobs and readers in several processes on one handset. The child process stops at a chosen
// record or mail-library call and waits on a pipe, or is killed at a chosen call, so each
// interleaving is taken exactly, not by chance.
#include "app/app_fixture.h"

#include "store/backup_walk.h"
#include "store/store_folder.h"

#include <algorithm>
#include <csignal>

namespace {

class ConcurrentJobsTest : public AppFixture {
protected:
    void SetUp() override {
        WalkFixture::SetUp();
        ASSERT_EQ(pipe(toParent_), 0);
        ASSERT_EQ(pipe(toChild_), 0);
    }
    void TearDown() override {
        for (const int fd : {toParent_[0], toParent_[1], toChild_[0], toChild_[1]}) {
            close(fd);
        }
        WalkFixture::TearDown();
    }
    // In the child: tells the parent it reached the point, and waits for leave to go on.
    void Pause() {
        char signal = 'p';
        static_cast<void>(write(toParent_[1], &signal, 1) + read(toChild_[0], &signal, 1));
    }
    bool WaitForPause() {
        char signal = 0;
        return read(toParent_[0], &signal, 1) == 1;
    }
    void Resume() { ASSERT_EQ(write(toChild_[1], "g", 1), 1); }

    int toParent_[2] = {-1, -1};
    int toChild_[2] = {-1, -1};
};

// While a restore in another process holds the handset, a reader in a third process sees the
// finished messages, and a second restore and a backup are refused at once, touching nothing.
// A replacing restore never doubles a message. A reader in another process never sees a folder
// hold more messages than at the end: the restore pauses at each of its mail-library calls, and
// the reader counts there. Killed at many points chosen by call count, every kill leaves each
// message once (the old one or its replacement, never both), and a full restore afterwards
// leaves exactly the file's messages.
TEST_F(ConcurrentJobsTest, ASecondJobIsRefusedAndAReplacingRestoreNeverDoublesAMessage) {
    constexpr int kRecords = 40;
    constexpr int kPauseAt = 21;
    ScriptedFormat file;
    AddRecords(file, kRecords, true);
    file.beforeRead = [&](int read) {
        if (read == kPauseAt) {
            Pause();
        }
    };
    std::u16string text;
    const pid_t restore = InChild([&] { return RestoreScript(file, text); });
    ASSERT_TRUE(WaitForPause());
    const pid_t reader = InChild([&] {
        MessageStore store(kSmsStoreName);
        return store.isOpen() &&
               countFolderMessages(*store.inboxFolder()) == static_cast<ULONG>(kPauseAt - 1);
    });
    EXPECT_EQ(ExitStatus(reader), 0);
    file.beforeRead = nullptr;
    EXPECT_FALSE(RestoreScript(file, text));
    EXPECT_EQ(text, kHandsetBusyText);
    EXPECT_EQ(file.reads, 0);
    RecordingFormat out;
    {
        BackupJob backup(u"unused", out, text);
        EXPECT_FALSE(RunBackup(backup));
    }
    EXPECT_EQ(text, kHandsetBusyText);
    EXPECT_TRUE(out.written.empty());
    Resume();
    EXPECT_EQ(ExitStatus(restore), 0);

    const ObjectId inbox = special(SpecialFolder::Inbox);
    const ObjectId old = Child(inbox, u"Old");
    const pid_t replacing = InChild([&] {
        mapi_faults::ArmHook(
            Op::Any, 1, [this] { Pause(); }, true);
        const bool ok = RestoreScript(file, text);
        mapi_faults::Disarm();
        close(toParent_[1]); // no more pauses
        return ok;
    });
    close(toParent_[1]);
    toParent_[1] = -1;
    int pauses = 0;
    while (WaitForPause()) {
        ++pauses;
        EXPECT_LE(mapi_admin::Messages(inbox).size(), kRecords / 2u) << "at call " << pauses;
        EXPECT_LE(mapi_admin::Messages(old).size(), kRecords / 2u) << "at call " << pauses;
        Resume();
    }
    EXPECT_EQ(ExitStatus(replacing), 0);
    EXPECT_GT(pauses, kRecords * 4);
    int kills = 0;
    // Every call at first, then every 23rd, until a restore runs to its end before the kill.
    for (int n = 1;; n += n < 40 ? 1 : 23) {
        SCOPED_TRACE("killed at call " + std::to_string(n));
        const pid_t child = InChild([&] {
            mapi_faults::ArmHook(Op::Any, n, [] { raise(SIGKILL); });
            return RestoreScript(file, text);
        });
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (WIFEXITED(status)) {
            EXPECT_EQ(WEXITSTATUS(status), 0);
            break;
        }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        ++kills;
        EXPECT_EQ(mapi_admin::Messages(inbox).size(), static_cast<std::size_t>(kRecords / 2));
        EXPECT_EQ(mapi_admin::Messages(old).size(), static_cast<std::size_t>(kRecords / 2));
        ASSERT_TRUE(RestoreScript(file, text));
        std::vector<std::u16string> bodies = Bodies(inbox);
        const std::vector<std::u16string> more = Bodies(old);
        bodies.insert(bodies.end(), more.begin(), more.end());
        std::sort(bodies.begin(), bodies.end());
        EXPECT_EQ(std::adjacent_find(bodies.begin(), bodies.end()), bodies.end());
        EXPECT_EQ(bodies.size(), static_cast<std::size_t>(kRecords));
    }
    EXPECT_GT(kills, 40);
}

} // namespace
