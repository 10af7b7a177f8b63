// The store opened for reading alone: it reads what a read-write session reads, changes nothing
// on the handset (no start-up clean-up, no lease, no new database), and reads a handset whose
// folder the user cannot write, whether or not a writer has it open.
#include "support/walk_fixture.h"

#include "store/backup_walk.h"
#include "support/other_user.h"

#include <sys/socket.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

using ReadOnlyStore = WalkFixture;

// The bytes of the store database and its log (missing files read as empty).
std::string StoreBytes(const fs::path& device) {
    return ReadHostFile(device / "mail.db") + "|" + ReadHostFile(device / "mail.db-wal");
}

ULONG InboxCount(StoreAccess access) {
    MessageStore store(kSmsStoreName, access);
    StoreFolder* inbox = store.isOpen() ? store.inboxFolder() : nullptr;
    return inbox == nullptr ? 0 : countFolderMessages(*inbox);
}

TEST_F(ReadOnlyStore, ReadsAndRefusesEveryWriteAndNeverMakesADatabase) {
    Seed(inboxId(), u"m", 5);
    const std::string before = StoreBytes(folder_);
    {
        MessageStore store(kSmsStoreName, StoreAccess::ReadOnly);
        ASSERT_TRUE(store.isOpen());
        EXPECT_EQ(countFolderMessages(*store.inboxFolder()), 5u);
        MapiPtr<IMessage> message;
        ASSERT_EQ(store.inboxFolder()->handle()->CreateMessage(nullptr, 0, message.put()), S_OK);
        EXPECT_EQ(SetSubject(message.get(), u"not stored"), MAPI_E_NO_ACCESS);
    }
    EXPECT_EQ(StoreBytes(folder_), before);
    EXPECT_EQ(mapi_admin::AllMessageCount(inboxId()), 5);

    fs::remove(folder_ / "mail.db");
    EXPECT_FALSE(MessageStore(kSmsStoreName, StoreAccess::ReadOnly).isOpen());
    EXPECT_FALSE(fs::exists(folder_ / "mail.db"));
}

// A writer leaves its saved message and one stored unlisted (created and asked for its
// identifier), then dies without closing anything. While it lives, every open leaves the
// unlisted one; once it is gone, a read-write open clears it at its start with the ended lease
// file of its creator, and a read-only open still leaves both.
TEST_F(ReadOnlyStore, LeavesTheStartUpCleanUpOfACrashedWriterToWriters) {
    int ends[2] = {-1, -1};
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    const pid_t creator = fork();
    if (creator == 0) {
        close(ends[0]);                    // so that the parent's close ends the read below
        MessageStore store(kSmsStoreName); // never closed: the process dies
        IMAPIFolder* folder = store.isOpen() ? store.inboxFolder()->handle() : nullptr;
        IMessage* saved = nullptr;
        IMessage* unsaved = nullptr;
        const bool stored =
            folder != nullptr && folder->CreateMessage(nullptr, 0, &saved) == S_OK &&
            SetSubject(saved, u"kept") == S_OK &&
            folder->CreateMessage(nullptr, 0, &unsaved) == S_OK && HasEntryId(unsaved);
        char signal = stored ? 'y' : 'n';
        static_cast<void>(write(ends[1], &signal, 1) + read(ends[1], &signal, 1));
        _exit(0); // nothing released, nothing closed
    }
    close(ends[1]);
    char signal = 0;
    ASSERT_TRUE(read(ends[0], &signal, 1) == 1 && signal == 'y');
    EXPECT_EQ(mapi_admin::AllMessageCount(inboxId()), 2); // a read-write open of its own
    EXPECT_EQ(Bodies(inboxId()), Texts{u"kept"});
    close(ends[0]);
    ASSERT_EQ(ExitStatus(creator), 0);
    const fs::path leases = folder_ / "mail.db-leases";
    const auto leaseFiles = [&] {
        return std::distance(fs::directory_iterator(leases), fs::directory_iterator());
    };
    ASSERT_EQ(leaseFiles(), 1);
    EXPECT_EQ(InboxCount(StoreAccess::ReadOnly), 1u);
    EXPECT_EQ(leaseFiles(), 1);
    EXPECT_EQ(mapi_admin::AllMessageCount(inboxId()), 1); // a writer's open cleared it
    EXPECT_EQ(Bodies(inboxId()), Texts{u"kept"});
    EXPECT_EQ(leaseFiles(), 0);
}

// A reader that may not write the handset folder: with no connection open SQLite reads mail.db
// as immutable; while a writer holds the store, its newest message lies only in the log, which
// the reader reads through the writer's shared-memory file.
TEST_F(ReadOnlyStore, ReadsAHandsetTheUserCannotWrite) {
    for (const bool writerOpen : {false, true}) {
        SCOPED_TRACE(writerOpen ? "a writer holds the store" : "no connection open");
        ASSERT_NO_FATAL_FAILURE(ResetStore());
        Seed(inboxId(), u"m", 3);
        const ULONG expected = writerOpen ? 4 : 3;
        // Forked before the writer opens, so that it inherits no connection.
        ReaderProcess reader([expected] { return InboxCount(StoreAccess::ReadOnly) == expected; });
        std::optional<MessageStore> writer;
        if (writerOpen) {
            writer.emplace(kSmsStoreName);
            ASSERT_TRUE(writer->isOpen());
            ASSERT_NE(mapi_admin::AddMessage(inboxId(), SampleMessage(u"new", 5000)), 0);
            EXPECT_GT(fs::file_size(folder_ / "mail.db-wal"), 0u);
        } else {
            EXPECT_FALSE(fs::exists(folder_ / "mail.db-wal"));
        }
        const UnwritableTree tree(folder_);
        if (!tree.holds()) {
            ASSERT_FALSE(ReaderIsNobody()) << "nobody can write the test folder";
            GTEST_SKIP() << "this user can write any folder";
        }
        EXPECT_TRUE(reader.finish());
    }
}

} // namespace
