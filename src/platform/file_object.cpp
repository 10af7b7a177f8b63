#include "platform/file_object.h"

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/utf.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace files {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// Writes go to the system a megabyte at a time: fewer, larger writes cost the file system less
// per byte than many of the read buffer's size.
constexpr std::size_t kWriteBufferSize = std::size_t{1} << 20;
std::atomic<int> openCount{0};
std::mutex warningsMutex;
std::vector<std::string> warnings;

// The platform's text for the last error, in UTF-8.
std::string LastErrorText() {
    std::array<char16_t, 512> text{};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       GetLastError(), 0, text.data(), static_cast<DWORD>(text.size()), nullptr);
    return utf::Utf8(std::u16string_view(text.data(), length));
}

} // namespace

void NoteFileWarning(std::string text) {
    const std::lock_guard lock(warningsMutex);
    warnings.push_back(std::move(text));
}

DWORD SetLastErrorFromErrno(int error) {
    DWORD code = ERROR_IO_DEVICE;
    switch (error) {
    case ENOENT:
        code = ERROR_FILE_NOT_FOUND;
        break;
    case ENOTDIR:
        code = ERROR_PATH_NOT_FOUND;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        code = ERROR_ACCESS_DENIED;
        break;
    case EEXIST:
        code = ERROR_FILE_EXISTS;
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        code = ERROR_DISK_FULL;
        break;
    case ENAMETOOLONG:
        code = ERROR_FILENAME_EXCED_RANGE;
        break;
    case EMFILE:
    case ENFILE:
        code = ERROR_TOO_MANY_OPEN_FILES;
        break;
    case EBADF:
        code = ERROR_INVALID_HANDLE;
        break;
    case EINVAL:
        code = ERROR_INVALID_PARAMETER;
        break;
    case ENOMEM:
        code = ERROR_NOT_ENOUGH_MEMORY;
        break;
    case ENOTEMPTY:
        code = ERROR_DIR_NOT_EMPTY;
        break;
    default:
        break;
    }
    SetLastError(code);
    return code;
}

FileObject::FileObject(UniqueFd fd, DWORD access, DWORD share, dev_t device, ino_t inode,
                       bool created, std::filesystem::path folder,
                       std::optional<Replacement> replacement)
    : fd_(std::move(fd)), access_(access), share_(share), device_(device), inode_(inode),
      bufferWrites_((share & FILE_SHARE_READ) == 0),
      bufferReads_((share & FILE_SHARE_WRITE) == 0 && (access & GENERIC_WRITE) == 0),
      dirty_(created || replacement.has_value()), created_(created), folder_(std::move(folder)),
      replacement_(std::move(replacement)) {
    openCount.fetch_add(1, std::memory_order_relaxed);
}

// The file's descriptor closes before the target's guard, as in Close.
FileObject::~FileObject() {
    if (fd_) {
        FlushPending();
        if (replacement_) {
            DiscardPartial(); // never closed, so never complete
        }
        fd_.reset();
        openCount.fetch_sub(1, std::memory_order_relaxed);
    }
}

bool FileObject::Covers(dev_t device, ino_t inode) const {
    return (device == device_ && inode == inode_) ||
           (replacement_ && replacement_->guard && device == replacement_->guardDevice &&
            inode == replacement_->guardInode);
}

bool SyncFolder(const std::filesystem::path& folder) {
    if (faults::ShouldFailFile(faults::FileOp::Sync)) {
        return false;
    }
    const UniqueFd fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        // A folder that we may write but not read cannot be synced; its names are then as
        // durable as the system makes them.
        if (errno == EACCES) {
            return true;
        }
        SetLastErrorFromErrno(errno);
        return false;
    }
    const int result = ::fsync(fd.get());
    const int error = errno;
    // Some file systems cannot sync a folder; their names are then as durable as they get.
    if (result != 0 && error != EINVAL) {
        SetLastErrorFromErrno(error);
        return false;
    }
    return true;
}

int FileObject::OpenCount() {
    return openCount.load(std::memory_order_relaxed);
}

bool FileObject::Close() {
    if (!fd_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    open_.store(false, std::memory_order_release);
    openCount.fetch_sub(1, std::memory_order_relaxed);
    const bool ok = SyncAndClose();
    const DWORD error = GetLastError();
    if (replacement_) {
        replacement_->guard.reset();
    }
    SetLastError(error);
    return ok;
}

// The file's data is made durable once, here, rather than at every flush; then a replacing
// file takes its target's name, or a created one has its folder entry made durable. A
// replacement takes the name only when every write, the flush, the sync and the close
// succeeded; in every other case its partial file goes.
bool FileObject::SyncAndClose() {
    bool ok = FlushPending();
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (ok && lost_) {
        error = lostError_;
        ok = false;
    }
    if (ok && dirty_ && (access_ & GENERIC_WRITE) != 0) {
        if (faults::ShouldFailFile(faults::FileOp::Sync)) {
            ok = false;
            error = GetLastError();
        } else if (::fdatasync(fd_.get()) != 0 && errno != EINVAL) { // EINVAL: a device or pipe
            error = SetLastErrorFromErrno(errno);
            ok = false;
        }
    }
    const bool replacing = replacement_.has_value() && ok && complete_;
    if (replacement_ && !replacing) {
        DiscardPartial(); // while this handle's lock still keeps other writers from the name
    }
    const int result = fd_.close();
    if (ok && result != 0) {
        error = SetLastErrorFromErrno(errno);
        ok = false;
        if (replacing) {
            DiscardPartial();
        }
    }
    if (!ok) {
        SetLastError(error);
        return false;
    }
    if (replacement_) {
        return !replacing || Commit();
    }
    return !created_ || SyncFolder(folder_);
}

bool FileObject::Commit() {
    if (::rename(replacement_->partial.c_str(), replacement_->target.c_str()) != 0) {
        const int error = errno;
        DiscardPartial();
        SetLastErrorFromErrno(error);
        return false;
    }
    // The file is in place and whole: a folder that cannot be synced makes its name less
    // durable, not the job a failure.
    if (!SyncFolder(replacement_->target.parent_path())) {
        NoteFileWarning(
            replacement_->target.string() +
            " was saved, but its folder could not be synced to the disk: " + LastErrorText());
    }
    return true;
}

void FileObject::DiscardPartial() {
    // Only the file this handle wrote: the name is looked at first, so that a file that took
    // it since is left alone.
    struct stat info {};
    if (::lstat(replacement_->partial.c_str(), &info) == 0 && info.st_dev == device_ &&
        info.st_ino == inode_) {
        ::unlink(replacement_->partial.c_str());
    }
}

std::filesystem::path PartialPathFor(const std::filesystem::path& target) {
    constexpr std::size_t kNameMax = 255; // bytes in one name, on the file systems we meet
    constexpr std::string_view kSuffix = ".partial";
    const std::string name = target.filename().string();
    if (name.size() + kSuffix.size() <= kNameMax) {
        return target.parent_path() / (name + std::string(kSuffix));
    }
    // FNV-1a of the whole name tells apart long names that share their start.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char digits[17] = {};
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    std::size_t keep = kNameMax - kSuffix.size() - 17;
    // Cut before a UTF-8 continuation byte, so that the start stays readable.
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    return target.parent_path() / (name.substr(0, keep) + "~" + digits + std::string(kSuffix));
}

ssize_t FileObject::HostWrite(const char* data, std::size_t size, std::uint64_t offset) {
    const std::size_t room = faults::HostWriteRoom(size);
    ssize_t n = 0;
    if (room == 0 && size > 0) {
        errno = ENOSPC;
        n = -1;
    } else {
        n = ::pwrite(fd_.get(), data, room, static_cast<off_t>(offset));
    }
    if (n == 0 && size > 0) {
        errno = ENOSPC; // nothing taken and no reason given: the disk is full
        n = -1;
    }
    if (n < 0 && errno != EINTR) {
        LoseWrites(SetLastErrorFromErrno(errno));
    } else if (n > 0) {
        StartWriteback(static_cast<std::size_t>(n));
    }
    return n;
}

// The disk starts taking a large file's bytes while more are written, so that the sync at
// close waits for the last few megabytes instead of all of them. Only a hint: a file system
// that cannot take it loses nothing.
void FileObject::StartWriteback(std::size_t written) {
    constexpr std::size_t kWritebackStep = std::size_t{2} << 20;
    unstarted_ += written;
    if (unstarted_ >= kWritebackStep) {
        unstarted_ = 0;
        ::sync_file_range(fd_.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    }
}

bool FileObject::FlushPending() {
    std::size_t done = 0;
    while (done < pending_.size()) {
        const ssize_t n =
            HostWrite(pending_.data() + done, pending_.size() - done, pendingStart_ + done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // Whatever did not reach the file is lost; keep the position where the caller
            // believes it is, so later calls fail or continue consistently.
            pending_.clear();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    pending_.clear();
    return true;
}

bool FileObject::FillReadBuffer() {
    ahead_.resize(kBufferSize);
    for (;;) {
        const ssize_t n =
            ::pread(fd_.get(), ahead_.data(), ahead_.size(), static_cast<off_t>(position_));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ahead_.clear();
            SetLastErrorFromErrno(errno);
            return false;
        }
        ahead_.resize(static_cast<std::size_t>(n));
        aheadStart_ = position_;
        return true;
    }
}

bool FileObject::Read(void* buffer, DWORD toRead, DWORD& read) {
    // The common case of the formats' small reads: the bytes are in the read-ahead buffer.
    if (bufferReads_ && position_ >= aheadStart_ &&
        position_ + toRead <= aheadStart_ + ahead_.size()) {
        const char* from = ahead_.data() + (position_ - aheadStart_);
        // Copies of a few bytes stay inline instead of calling the library's memcpy.
        if (toRead <= 8) {
            std::copy_n(from, toRead, static_cast<char*>(buffer));
        } else {
            std::memcpy(buffer, from, toRead);
        }
        position_ += toRead;
        read = toRead;
        return true;
    }
    read = 0;
    if ((access_ & GENERIC_READ) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!FlushPending()) {
        return false;
    }
    auto* out = static_cast<char*>(buffer);
    while (read < toRead) {
        const std::uint64_t aheadEnd = aheadStart_ + ahead_.size();
        if (bufferReads_ && position_ >= aheadStart_ && position_ < aheadEnd) {
            const auto offset = static_cast<std::size_t>(position_ - aheadStart_);
            const std::size_t count = std::min<std::size_t>(toRead - read, ahead_.size() - offset);
            std::memcpy(out + read, ahead_.data() + offset, count);
            read += static_cast<DWORD>(count);
            position_ += count;
            continue;
        }
        if (bufferReads_ && toRead - read < kBufferSize) {
            if (!FillReadBuffer()) {
                return false;
            }
            if (ahead_.empty()) {
                break;
            }
            continue;
        }
        const ssize_t n =
            ::pread(fd_.get(), out + read, toRead - read, static_cast<off_t>(position_));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            SetLastErrorFromErrno(errno);
            return false;
        }
        if (n == 0) {
            break;
        }
        read += static_cast<DWORD>(n);
        position_ += static_cast<std::uint64_t>(n);
    }
    if (read == 0 && toRead > 0) {
        SetLastError(ERROR_HANDLE_EOF);
    }
    return true;
}

bool FileObject::Write(const void* buffer, DWORD toWrite, DWORD& written) {
    written = 0;
    if ((access_ & GENERIC_WRITE) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    ahead_.clear();
    dirty_ = dirty_ || toWrite > 0;
    const auto* in = static_cast<const char*>(buffer);
    if (bufferWrites_ && toWrite < kWriteBufferSize) {
        if (!pending_.empty() && (position_ != pendingStart_ + pending_.size() ||
                                  pending_.size() + toWrite > kWriteBufferSize)) {
            if (!FlushPending()) {
                return false;
            }
        }
        if (pending_.empty()) {
            pending_.reserve(kWriteBufferSize);
            pendingStart_ = position_;
        }
        pending_.insert(pending_.end(), in, in + toWrite);
        position_ += toWrite;
        written = toWrite;
        return true;
    }
    if (!FlushPending()) {
        return false;
    }
    while (written < toWrite) {
        const ssize_t n = HostWrite(in + written, toWrite - written, position_);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return written > 0;
        }
        written += static_cast<DWORD>(n);
        position_ += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool FileObject::Seek(std::int64_t distance, DWORD moveMethod, std::uint64_t& position) {
    if (!FlushPending()) {
        return false;
    }
    std::int64_t base = 0;
    if (moveMethod == FILE_CURRENT) {
        base = static_cast<std::int64_t>(position_);
    } else if (moveMethod == FILE_END) {
        std::uint64_t size = 0;
        if (!Size(size)) {
            return false;
        }
        base = static_cast<std::int64_t>(size);
    } else if (moveMethod != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const std::int64_t target = base + distance;
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return false;
    }
    position_ = static_cast<std::uint64_t>(target);
    position = position_;
    return true;
}

bool FileObject::Size(std::uint64_t& size) {
    if (!FlushPending()) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd_.get(), &info) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool FileObject::Flush() {
    return FlushPending();
}

} // namespace files

std::vector<std::string> TakeFileWarnings() {
    const std::lock_guard lock(files::warningsMutex);
    return std::exchange(files::warnings, {});
}
