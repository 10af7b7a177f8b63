// Fault injection for the file services, for tests: make the n-th call of an operation fail
// with a chosen error or move fewer bytes than asked, once or from then on, and make the disk
// fill up after a given number of bytes.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>

namespace faults {

// Sync is the durability step of a close: one per written file, one per folder it changed.
enum class FileOp { Any, Create, Read, Write, Seek, Size, Flush, Close, Sync };

// Arms a fault: the nth call (1-based, counted from now) of op fails with error; when
// persistent, every later call of op fails too.
void ArmFileFault(FileOp op, int nth, DWORD error, bool persistent = false);
// Arms a short transfer: the nth call of op (Read, Write, or Any for both; 1-based, counted
// from now) moves at most limit bytes and still succeeds; when persistent, every later one too.
void ArmShortTransfer(FileOp op, int nth, DWORD limit, bool persistent = false);
// Arms a full disk: the host takes room more bytes of file data, over all files, and then
// refuses every write with ENOSPC; a write that crosses the limit is cut short there, as a real
// disk's is. Reaches the buffered bytes that a flush, seek or close hands over, too.
void ArmDiskFull(std::uint64_t room);
// True when a write met the full disk since ArmDiskFull.
[[nodiscard]] bool DiskFilled();
void DisarmFileFaults();
// Calls of op seen since the last ArmFileFault / ResetFileCounts (counting starts with either).
int FileCallCount(FileOp op);
void ResetFileCounts();

// Used by the file services: true when this call must fail; sets the last error.
[[nodiscard]] bool ShouldFailFile(FileOp op);
// Used by ReadFile and WriteFile after ShouldFailFile: the bytes this call may move.
DWORD TransferLimit(FileOp op, DWORD wanted);
// Used by the file layer at each write to the host: the bytes the disk takes of wanted.
std::size_t HostWriteRoom(std::size_t wanted);

// Disarms on destruction, so a failing test leaves no fault behind.
struct FileFaultGuard {
    FileFaultGuard() = default;
    FileFaultGuard(const FileFaultGuard&) = delete;
    FileFaultGuard& operator=(const FileFaultGuard&) = delete;
    ~FileFaultGuard() { DisarmFileFaults(); }
};

} // namespace faults
