// One open file behind a platform handle: a POSIX descriptor with a user-space read-ahead or
// write-behind buffer. The logical position is exact after every call; buffered writes reach
// the kernel before any seek, size query, read, flush or close. A written file is made durable
// once, on close. Like the handset's handles, one handle is used by one thread at a time, so
// the object takes no lock.
#pragma once

#include "platform/handles.h"
#include "platform/unique_fd.h"
#include "platform/wintypes.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace files {

// A file written beside its target, renamed over it on close once marked complete and only
// when every byte reached the disk; otherwise it is removed. The guard descriptor keeps the
// target's share-mode lock while the new file is written; it is empty for a new target.
struct Replacement {
    std::filesystem::path target;
    std::filesystem::path partial;
    UniqueFd guard;
    dev_t guardDevice = 0;
    ino_t guardInode = 0;
};

class FileObject final : public handles::Object {
public:
    // created: the open made the file, so its folder changed too.
    FileObject(UniqueFd fd, DWORD access, DWORD share, dev_t device, ino_t inode, bool created,
               std::filesystem::path folder, std::optional<Replacement> replacement = {});
    ~FileObject() override;
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    bool Close() override;

    // Each returns false with the last error set; a read at the end reads 0 bytes and leaves
    // ERROR_HANDLE_EOF as the last error.
    bool Read(void* buffer, DWORD toRead, DWORD& read);
    bool Write(const void* buffer, DWORD toWrite, DWORD& written);
    bool Seek(std::int64_t distance, DWORD moveMethod, std::uint64_t& position);
    bool Size(std::uint64_t& size);
    // Hands buffered bytes to the operating system; durability waits for the close.
    bool Flush();
    // A replacing file may now take its target's place when it is closed.
    void MarkComplete() { complete_ = true; }
    // Bytes meant for the file did not reach it: it never counts as complete, and its close
    // reports error.
    void LoseWrites(DWORD error) {
        lost_ = true;
        lostError_ = error;
    }
    // Closes without taking the target's place.
    void Abandon() {
        complete_ = false;
        Close();
    }
    // True when this handle holds the file, or the target that it replaces.
    bool Covers(dev_t device, ino_t inode) const;

    DWORD access() const { return access_; }
    DWORD share() const { return share_; }
    dev_t device() const { return device_; }
    ino_t inode() const { return inode_; }
    // False once closed; a closed object may outlive its handle in a lookup cache.
    bool isOpen() const { return open_.load(std::memory_order_acquire); }

    // Files open now, over all handles.
    static int OpenCount();

private:
    bool FlushPending();
    // A write to the host; a failure marks the file as missing bytes.
    ssize_t HostWrite(const char* data, std::size_t size, std::uint64_t offset);
    void StartWriteback(std::size_t written);
    bool SyncAndClose();
    bool Commit();
    // Removes the partial file of a replacement that does not take its target's place.
    void DiscardPartial();
    bool FillReadBuffer();

    UniqueFd fd_;
    const DWORD access_;
    const DWORD share_;
    const dev_t device_;
    const ino_t inode_;
    // Buffering is safe only when no other handle may see the data in between.
    const bool bufferWrites_;
    const bool bufferReads_;
    std::uint64_t position_ = 0;
    std::vector<char> pending_; // write-behind bytes, to go to pendingStart_
    std::uint64_t pendingStart_ = 0;
    std::size_t unstarted_ = 0; // bytes written since the disk was last asked to take them
    std::vector<char> ahead_;   // read-ahead bytes, from aheadStart_
    std::uint64_t aheadStart_ = 0;
    std::atomic<bool> open_{true};
    bool dirty_; // written or created since the open: the close syncs it
    bool created_;
    bool complete_ = false;
    // Bytes meant for the file never reached it (a full disk, say): the file can never count
    // as complete, even when later calls succeed, and its close reports this error.
    bool lost_ = false;
    DWORD lostError_ = ERROR_SUCCESS;
    std::filesystem::path folder_;
    std::optional<Replacement> replacement_;
};

// The name beside target that its replacement is written under: "NAME.partial", or for a name
// too long for that, its start, a hash of the whole name and ".partial". The same target always
// gets the same name, so a file left by a killed process is replaced by the next run.
std::filesystem::path PartialPathFor(const std::filesystem::path& target);

void NoteFileWarning(std::string text);

// fsync of a folder, so that a name created or renamed in it survives a crash.
bool SyncFolder(const std::filesystem::path& folder);

// Maps the current errno to a platform error code and sets it as the last error.
DWORD SetLastErrorFromErrno(int error);

} // namespace files
