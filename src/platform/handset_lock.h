// The handset's job lock: one backup or restore at a time per handset, across processes. A
// lock file in the device folder is held (flock) for as long as the lock object lives.
#pragma once

#include <filesystem>

class HandsetLock {
public:
    // Tries once, without waiting, to take the lock of the handset in deviceFolder.
    explicit HandsetLock(const std::filesystem::path& deviceFolder);
    ~HandsetLock();
    HandsetLock(const HandsetLock&) = delete;
    HandsetLock& operator=(const HandsetLock&) = delete;

    // True when this object holds the lock; false when another job holds it or the lock file
    // cannot be made.
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};
