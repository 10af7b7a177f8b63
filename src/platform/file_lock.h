// One try, without waiting, at an advisory whole-file lock (flock), and the three things it can
// say: the lock is ours, someone else holds it, or it could not be asked for at all. The last
// is a failure of its own and carries the system's reason, so that it never reads as a busy
// file.
#pragma once

#include "platform/unique_fd.h"

enum class LockState {
    Taken,         // the caller holds the lock now
    HeldByAnother, // another open file, in this process or another, holds it
    NotTried,      // the lock could not be asked for; the attempt's error says why
};

struct LockAttempt {
    LockState state = LockState::NotTried;
    int error = 0; // the errno value, for NotTried; 0 otherwise
};

// Tries once to lock the file open in fd, shared (LOCK_SH) or exclusive (LOCK_EX); an
// interrupted try is made again.
[[nodiscard]] LockAttempt TryFileLock(const UniqueFd& fd, int operation);
