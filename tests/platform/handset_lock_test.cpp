// The handset's job lock in its three states: taken, held by another job (here one in this
// process; the app and command-line tests hold it from another), and not tried because the lock
// file cannot be made or opened, with the reason.
#include "platform/handset_lock.h"
#include "support/other_user.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

namespace fs = std::filesystem;
using State = HandsetLock::State;
using Keeper = std::shared_ptr<void>;

struct LockCase {
    const char* name;
    // Shapes the handset folder below a shared test folder; what it keeps lives during the check.
    std::function<void(const fs::path& handset, Keeper& keeper)> arrange;
    bool asReader; // run by a user who may not write the test folder
    State state;
    std::string reason;
};

using Outcome = std::pair<State, std::string>;

Outcome Of(const HandsetLock& lock) {
    return {lock.state(), lock.reason()};
}

TEST(HandsetLock, EachStateWithItsReason) {
    const auto made = [](auto& handset, auto&) { fs::create_directories(handset); };
    const LockCase cases[] = {
        {"a free handset", made, false, State::Taken, ""},
        {"a handset folder not made yet", [](const fs::path&, Keeper&) {}, false, State::Taken, ""},
        {"held by another lock of this process",
         [](auto& handset, auto& keep) { keep = std::make_shared<HandsetLock>(handset); }, false,
         State::HeldByAnother, ""},
        {"job.lock is a folder",
         [](auto& handset, auto&) { fs::create_directories(handset / "job.lock"); }, false,
         State::NotTried, "job.lock: Is a directory"},
        {"the handset folder lies below a file",
         [](auto& handset, auto&) { WriteHostFile(handset.parent_path(), "x"); }, false,
         State::NotTried, "Not a directory"},
        {"a handset folder the user may not write", made, true, State::NotTried,
         "Permission denied"},
        {"a lock file the user may not write",
         [](auto& handset, auto&) {
             fs::create_directories(handset);
             WriteHostFile(handset / "job.lock", "");
         },
         true, State::NotTried, "job.lock: Permission denied"},
    };
    for (const LockCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        const fs::path handset = dir.path() / "phone" / "device";
        Keeper keeper;
        c.arrange(handset, keeper);
        const Outcome expected{c.state, c.reason};
        if (c.asReader) {
            const UnwritableTree tree(dir.path());
            if (!tree.holds()) {
                ASSERT_FALSE(ReaderIsNobody()) << "nobody can write the test folder";
                GTEST_SKIP() << "this user can write any folder";
            }
            EXPECT_TRUE(RunAsReader([&] { return Of(HandsetLock(handset)) == expected; }));
            continue;
        }
        EXPECT_EQ(Of(HandsetLock(handset)), expected);
        // Whoever held it gives it back when it ends; then it can be taken.
        if (c.state != State::NotTried) {
            keeper.reset();
            EXPECT_TRUE(HandsetLock(handset).held());
        }
    }
}

} // namespace
