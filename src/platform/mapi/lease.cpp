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

} // namespace

Lease::Lease(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (int attempt = 0; attempt < 4 && !fd_; ++attempt) {
        token_ = NewToken();
        path_ = LeaseFile(folder, token_);
        UniqueFd fd(::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        // The lock is taken before any message names this lease.
        if (fd && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            fd_ = std::move(fd);
        }
    }
}

// The file goes while its lock is still held; the descriptor closes after.
Lease::~Lease() {
    if (fd_) {
        ::unlink(path_.c_str());
    }
}

bool LeaseEnded(const std::filesystem::path& folder, std::int64_t token) {
    const std::filesystem::path path = LeaseFile(folder, token);
    const UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd) {
        return errno == ENOENT;
    }
    const bool ended = ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
    if (ended) {
        ::unlink(path.c_str());
    }
    return ended;
}

} // namespace mapi_impl
