// Leases of the processes that write a message store: a lock file per connection, held while
// the connection lives, so that another process can tell whether the writer of a message not
// yet listed is gone.
#pragma once

#include "platform/file_lock.h"
#include "platform/unique_fd.h"

#include <cstdint>
#include <filesystem>

namespace mapi_impl {

class Lease {
public:
    // Takes a new lease in folder (created when missing); attempt() says whether that worked,
    // and the system's reason when the lease file could not be made or locked.
    explicit Lease(const std::filesystem::path& folder);
    ~Lease();
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

    bool valid() const { return attempt_.state == LockState::Taken; }
    const LockAttempt& attempt() const { return attempt_; }
    // A positive number that names the lease.
    std::int64_t token() const { return token_; }

private:
    std::filesystem::path path_;
    std::int64_t token_ = 0;
    UniqueFd fd_;
    LockAttempt attempt_;
};

// Tries the lock of the lease named token in folder. Taken: nobody holds it any more, as its
// file is missing or its holder ended (crashed or not), and the file of an ended lease is
// removed; HeldByAnother: its holder lives; NotTried: its file cannot be opened or locked, with
// the system's reason, so whether it ended cannot be told.
[[nodiscard]] LockAttempt ProbeLease(const std::filesystem::path& folder, std::int64_t token);

} // namespace mapi_impl
