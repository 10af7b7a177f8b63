// Share modes across processes: advisory whole-file locks (flock) on host files, and the
// handset's database files, which the system holds open for its own use.
#pragma once

#include "platform/file_lock.h"
#include "platform/unique_fd.h"
#include "platform/wintypes.h"

#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace host_locks {

// Tries the lock that a handle with this access and share mode needs on fd: shared for a
// reader that lets others read, exclusive for anything else (flock cannot say more, so mixed
// modes are refused rather than let through). Unless taken, the last error is set:
// ERROR_SHARING_VIOLATION when another open file holds a lock that conflicts, the error mapped
// from the system's reason when the lock could not be tried.
[[nodiscard]] LockAttempt LockForShareMode(const UniqueFd& fd, DWORD access, DWORD share);

// True when the file is one of the handset's databases (mail store, registry) or a file that a
// DatabaseHold of this process covers. Such files are refused to every CreateFileW, which must
// not even open and close them: closing any descriptor of a file drops the process's record
// locks on it, which the database library relies on.
bool IsSystemFile(const struct stat& file);

// Holds a shared lock on each existing file of a database for the hold's lifetime, so that
// other processes cannot open them for writing. Holds of one file are counted in the process
// and its descriptor is closed only with the last, after the database connection has closed.
class DatabaseHold {
public:
    DatabaseHold() = default;
    ~DatabaseHold();
    DatabaseHold(DatabaseHold&& other) noexcept;
    DatabaseHold& operator=(DatabaseHold&& other) noexcept;
    DatabaseHold(const DatabaseHold&) = delete;
    DatabaseHold& operator=(const DatabaseHold&) = delete;

    // Holds those of the files that exist and are not held by this hold yet.
    void Add(const std::vector<std::filesystem::path>& files);

private:
    void release();

    struct Key {
        dev_t device;
        ino_t inode;
    };
    std::vector<Key> held_;
};

} // namespace host_locks
