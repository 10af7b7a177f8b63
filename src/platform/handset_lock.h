// The handset's job lock: one backup or restore at a time per handset, across processes. A
// lock file in the device folder is held (flock) for as long as the lock object lives.
#pragma once

#include "platform/file_lock.h"
#include "platform/unique_fd.h"

#include <filesystem>
#include <string>

class HandsetLock {
public:
    // Taken: this object holds the lock; HeldByAnother: another job, in this process or
    // another, holds it; NotTried: the lock file cannot be made, opened or locked, and reason()
    // says why.
    using State = LockState;

    // Tries once, without waiting, to take the lock of the handset in deviceFolder.
    explicit HandsetLock(const std::filesystem::path& deviceFolder);
    HandsetLock(const HandsetLock&) = delete;
    HandsetLock& operator=(const HandsetLock&) = delete;

    State state() const { return state_; }
    bool held() const { return state_ == State::Taken; }
    const std::filesystem::path& folder() const { return folder_; }
    // For NotTried: the system's reason, after the lock file's name when the file is at fault
    // ("Permission denied", "job.lock: Is a directory"); empty otherwise.
    const std::string& reason() const { return reason_; }

private:
    void fail(int error, bool lockFileExists);

    std::filesystem::path folder_;
    UniqueFd fd_;
    State state_ = State::NotTried;
    std::string reason_;
};
