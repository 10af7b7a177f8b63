#include "platform/handset_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>

namespace {

constexpr char kLockName[] = "job.lock";

} // namespace

HandsetLock::HandsetLock(const std::filesystem::path& deviceFolder) : folder_(deviceFolder) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error) {
        fail(error.value(), false);
        return;
    }
    const std::filesystem::path path = folder_ / kLockName;
    // Opened for writing, so a folder this user may not change is told apart from a busy one.
    fd_.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd_) {
        const int openError = errno;
        struct stat info {};
        fail(openError, ::lstat(path.c_str(), &info) == 0);
        return;
    }
    // The lock belongs to this open file: a second job in this process is refused as well.
    const LockAttempt lock = TryFileLock(fd_, LOCK_EX);
    if (lock.state != State::Taken) {
        fd_.reset();
    }
    if (lock.state == State::NotTried) {
        fail(lock.error, true);
        return;
    }
    state_ = lock.state;
}

void HandsetLock::fail(int error, bool lockFileExists) {
    state_ = State::NotTried;
    reason_ = std::error_code(error, std::generic_category()).message();
    if (lockFileExists) {
        reason_ = std::string(kLockName) + ": " + reason_;
    }
}
