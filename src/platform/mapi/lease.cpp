#include "platform/mapi/lease.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <utility>

namespace mapi_impl {
namespace {

std::filesystem::path LeaseFile(const std::filesystem::path& folder, std::int64_t token) {
    return folder / std::to_string(token);
}

std::int64_t NewToken() {
    std::random_device random;
    const std::uint64_t high = random();
    const std::uint64_t value = (high << 32) | random();
    // Positive and never 0.
    return static_cast<std::int64_t>((value >> 1) | 1);
}

// Makes and locks the file of a new lease, into held when taken; HeldByAnother when another
// lease has the name. The lock is taken before any message names this lease.
LockAttempt TakeNewLease(const std::filesystem::path& path, UniqueFd& held) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd) {
        const int error = errno;
        return error == EEXIST ? LockAttempt{LockState::HeldByAnother, 0}
                               : LockAttempt{LockState::NotTried, error};
    }
    const LockAttempt lock = TryFileLock(fd, LOCK_EX);
    if (lock.state == LockState::Taken) {
        held = std::move(fd);
    } else if (lock.state == LockState::NotTried) {
        ::unlink(path.c_str()); // ours, and no message will ever name it
    }
    return lock;
}

} // namespace

// A name that another lease has is tried again under a new token; a folder that cannot take a
// lease file is no better on the next try.
Lease::Lease(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (int attempt = 0; attempt < 4; ++attempt) {
        token_ = NewToken();
        path_ = LeaseFile(folder, token_);
        attempt_ = TakeNewLease(path_, fd_);
        if (attempt_.state != LockState::HeldByAnother) {
            return;
        }
    }
}

// The file goes while its lock is still held; the descriptor closes after.
Lease::~Lease() {
    if (fd_) {
        ::unlink(path_.c_str());
    }
}

LockAttempt ProbeLease(const std::filesystem::path& folder, std::int64_t token) {
    const std::filesystem::path path = LeaseFile(folder, token);
    const UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd) {
        const int error = errno;
        return error == ENOENT ? LockAttempt{LockState::Taken, 0}
                               : LockAttempt{LockState::NotTried, error};
    }
    const LockAttempt lock = TryFileLock(fd, LOCK_EX);
    if (lock.state == LockState::Taken) {
        ::unlink(path.c_str());
    }
    return lock;
}

} // namespace mapi_impl
