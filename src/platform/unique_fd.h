// The owner of one POSIX file descriptor: closes it exactly once, when destroyed or reset; a
// move hands that duty on and leaves the source empty.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Gives up ownership without closing.
    int release() noexcept { return std::exchange(fd_, -1); }
    // Closes the descriptor now and empties the owner, for a caller that must know whether the
    // close succeeded (a written file can report its failure only there): 0, or -1 with errno
    // set; -1 with EBADF when nothing is held.
    [[nodiscard]] int close() noexcept {
        if (fd_ < 0) {
            errno = EBADF;
            return -1;
        }
        return ::close(std::exchange(fd_, -1));
    }
    // Closes the descriptor held, if any, and takes fd.
    void reset(int fd = -1) noexcept {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};
