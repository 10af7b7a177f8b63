// Leases of the processes that write a message store: a lock file per connection, held while
// the connection lives, so that another process can tell whether the writer of a message not
// yet listed is gone.
#pragma once

#include "platform/unique_fd.h"

#include <cstdint>
#include <filesystem>

namespace mapi_impl {

class Lease {
public:
    // Takes a new lease in folder (created when missing); valid() is false when that fails.
    explicit Lease(const std::filesystem::path& folder);
    ~Lease();
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

    bool valid() const { return static_cast<bool>(fd_); }
    // A positive number that names the lease.
    std::int64_t token() const { return token_; }

private:
    std::filesystem::path path_;
    std::int64_t token_ = 0;
    UniqueFd fd_;
};

// True when nobody holds the lease named token in folder: its file is missing, or its lock can
// be taken (its holder ended, crashed or not). The file of an ended lease is removed.
bool LeaseEnded(const std::filesystem::path& folder, std::int64_t token);

} // namespace mapi_impl
