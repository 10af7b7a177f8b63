#include "platform/host_locks.h"

#include "platform/device.h"
#include "platform/errors.h"
#include "platform/file_object.h"

#include <algorithm>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <utility>

namespace host_locks {
namespace {

// The files of the handset that the system keeps for itself, below the device folder.
constexpr const char* kSystemFiles[] = {
    "mail.db",     "mail.db-wal",     "mail.db-shm",     "mail.db-journal",
    "registry.db", "registry.db-wal", "registry.db-shm", "registry.db-journal",
};

struct Held {
    UniqueFd fd;
    int count;
};

struct Table {
    std::mutex mutex;
    std::map<std::pair<dev_t, ino_t>, Held> files;
};

// Never destroyed, so that holds released by other static objects at exit still find it.
Table& table() {
    union Storage {
        Storage() { std::construct_at(&table); }
        ~Storage() {}
        Table table;
    };
    static Storage storage;
    return storage.table;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

LockAttempt LockForShareMode(const UniqueFd& fd, DWORD access, DWORD share) {
    const bool sharedReader = (access & GENERIC_WRITE) == 0 && (share & FILE_SHARE_READ) != 0;
    const LockAttempt lock = TryFileLock(fd, sharedReader ? LOCK_SH : LOCK_EX);
    if (lock.state == LockState::HeldByAnother) {
        SetLastError(ERROR_SHARING_VIOLATION);
    } else if (lock.state == LockState::NotTried) {
        files::SetLastErrorFromErrno(lock.error);
    }
    return lock;
}

bool IsSystemFile(const struct stat& file) {
    {
        Table& t = table();
        const std::lock_guard lock(t.mutex);
        if (t.files.count({file.st_dev, file.st_ino}) != 0) {
            return true;
        }
    }
    const std::filesystem::path folder = device::Folder();
    return std::any_of(std::begin(kSystemFiles), std::end(kSystemFiles), [&](const char* name) {
        struct stat info {};
        return ::stat((folder / name).c_str(), &info) == 0 && SameFile(info, file);
    });
}

DatabaseHold::~DatabaseHold() {
    release();
}

DatabaseHold::DatabaseHold(DatabaseHold&& other) noexcept : held_(std::move(other.held_)) {
    other.held_.clear();
}

DatabaseHold& DatabaseHold::operator=(DatabaseHold&& other) noexcept {
    if (this != &other) {
        release();
        held_ = std::move(other.held_);
        other.held_.clear();
    }
    return *this;
}

void DatabaseHold::Add(const std::vector<std::filesystem::path>& files) {
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    for (const std::filesystem::path& path : files) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        const Key key{info.st_dev, info.st_ino};
        if (std::any_of(held_.begin(), held_.end(), [&](const Key& k) {
                return k.device == key.device && k.inode == key.inode;
            })) {
            continue;
        }
        const auto it = t.files.find({key.device, key.inode});
        if (it != t.files.end()) {
            ++it->second.count;
        } else {
            UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
            if (!fd) {
                continue;
            }
            // Best effort: a writer that holds the file now keeps it, and we still refuse
            // this process's own opens of it.
            static_cast<void>(TryFileLock(fd, LOCK_SH));
            t.files.emplace(std::make_pair(key.device, key.inode), Held{std::move(fd), 1});
        }
        held_.push_back(key);
    }
}

void DatabaseHold::release() {
    if (held_.empty()) {
        return;
    }
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    for (const Key& key : held_) {
        const auto it = t.files.find({key.device, key.inode});
        if (it != t.files.end() && --it->second.count == 0) {
            t.files.erase(it); // closes its descriptor
        }
    }
    held_.clear();
}

} // namespace host_locks
