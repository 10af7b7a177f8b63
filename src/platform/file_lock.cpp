#include "platform/file_lock.h"

#include <cerrno>
#include <sys/file.h>

LockAttempt TryFileLock(const UniqueFd& fd, int operation) {
    for (;;) {
        if (::flock(fd.get(), operation | LOCK_NB) == 0) {
            return {LockState::Taken, 0};
        }
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error == EWOULDBLOCK) {
            return {LockState::HeldByAnother, 0};
        }
        return {LockState::NotTried, error};
    }
}
