#include "platform/handset_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr char kLockName[] = "job.lock";

} // namespace

HandsetLock::HandsetLock(const std::filesystem::path& deviceFolder) {
    std::error_code error;
    std::filesystem::create_directories(deviceFolder, error);
    const std::filesystem::path path = deviceFolder / kLockName;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    // The lock belongs to this open file: a second job in this process is refused as well.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

HandsetLock::~HandsetLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}
