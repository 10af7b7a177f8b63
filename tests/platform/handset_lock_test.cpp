// The handset's job lock in its three states: taken, held by another job (in this process or
// another), and not tried because the lock file cannot be made or opened, with the reason.
#include "platform/handset_lock.h"
#include "support/other_user.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using State = HandsetLock::State;

// Another process holding the lock until this object ends.
class LockInAnotherProcess {
public:
    explicit LockInAnotherProcess(const fs::path& folder) {
        int toParent[2];
        int toChild[2];
        if (pipe(toParent) != 0 || pipe(toChild) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(toParent[0]);
            close(toChild[1]); // so that the parent's close ends the read below
            const HandsetLock lock(folder);
            char signal = lock.held() ? 'y' : 'n';
            static_cast<void>(write(toParent[1], &signal, 1) + read(toChild[0], &signal, 1));
            _exit(0);
        }
        close(toParent[1]);
        close(toChild[0]);
        char signal = 0;
        taken_ = read(toParent[0], &signal, 1) == 1 && signal == 'y';
        close(toParent[0]);
        release_ = toChild[1];
    }
    ~LockInAnotherProcess() {
        close(release_); // the child's read ends
        waitpid(pid_, nullptr, 0);
    }
    bool taken() const { return taken_; }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool taken_ = false;
};

struct LockCase {
    const char* name;
    // Shapes the handset folder below a shared test folder; what it returns lives during the
    // check.
    std::function<std::shared_ptr<void>(const fs::path& handset)> arrange;
    bool asReader; // run by a user who may not write the test folder
    State state;
    std::string reason;
};

bool Matches(const HandsetLock& lock, const LockCase& c) {
    if (lock.state() == c.state && lock.reason() == c.reason) {
        return true;
    }
    std::cerr << c.name << ": state " << static_cast<int>(lock.state()) << ", reason '"
              << lock.reason() << "'\n";
    return false;
}

TEST(HandsetLock, EachStateWithItsReason) {
    const auto nothing = [](const fs::path&) { return std::shared_ptr<void>(); };
    const auto made = [](const fs::path& handset) {
        fs::create_directories(handset);
        return std::shared_ptr<void>();
    };
    const LockCase cases[] = {
        {"a free handset", made, false, State::Taken, ""},
        {"a handset folder not made yet", nothing, false, State::Taken, ""},
        {"held by another lock of this process",
         [](const fs::path& handset) { return std::make_shared<HandsetLock>(handset); }, false,
         State::HeldByAnother, ""},
        {"held by another process",
         [](const fs::path& handset) {
             auto other = std::make_shared<LockInAnotherProcess>(handset);
             EXPECT_TRUE(other->taken());
             return other;
         },
         false, State::HeldByAnother, ""},
        {"job.lock is a folder",
         [](const fs::path& handset) {
             fs::create_directories(handset / "job.lock");
             return std::shared_ptr<void>();
         },
         false, State::NotTried, "job.lock: Is a directory"},
        {"the handset folder lies below a file",
         [](const fs::path& handset) {
             WriteHostFile(handset.parent_path(), "x");
             return std::shared_ptr<void>();
         },
         false, State::NotTried, "Not a directory"},
        {"a handset folder the user may not write", made, true, State::NotTried,
         "Permission denied"},
        {"a lock file the user may not write",
         [](const fs::path& handset) {
             fs::create_directories(handset);
             WriteHostFile(handset / "job.lock", "");
             return std::shared_ptr<void>();
         },
         true, State::NotTried, "job.lock: Permission denied"},
    };
    for (const LockCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        const fs::path handset = dir.path() / "phone" / "device";
        std::shared_ptr<void> keeper = c.arrange(handset);
        if (c.asReader) {
            const UnwritableTree tree(dir.path());
            if (!tree.holds()) {
                ASSERT_FALSE(ReaderIsNobody()) << "nobody can write the test folder";
                GTEST_SKIP() << "this user can write any folder";
            }
            EXPECT_TRUE(RunAsReader([&] { return Matches(HandsetLock(handset), c); }));
            continue;
        }
        {
            const HandsetLock lock(handset);
            EXPECT_TRUE(Matches(lock, c));
        }
        // Whoever held it gives it back when it ends; then it can be taken.
        if (c.state != State::NotTried) {
            keeper.reset();
            EXPECT_TRUE(HandsetLock(handset).held());
        }
    }
}

} // namespace
