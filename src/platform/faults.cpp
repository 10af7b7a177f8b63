#include "platform/faults.h"

#include "platform/errors.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>

namespace faults {
namespace {

constexpr std::size_t kOps = 9;

struct State {
    std::mutex mutex;
    std::array<std::atomic<int>, kOps> counts{};
    std::atomic<bool> armed{false};
    std::atomic<bool> counting{false};
    FileOp op = FileOp::Any;
    int nth = 0;
    DWORD error = ERROR_SUCCESS;
    bool persistent = false;
    std::atomic<bool> shortArmed{false};
    FileOp shortOp = FileOp::Any;
    int shortNth = 0;
    DWORD shortLimit = 0;
    bool shortPersistent = false;
    int transfers = 0; // Read and Write calls that the short transfer applies to
    std::atomic<bool> diskArmed{false};
    std::uint64_t diskRoom = 0;
    bool diskFilled = false;
};

State& state() {
    static State s;
    return s;
}

std::size_t Index(FileOp op) {
    return static_cast<std::size_t>(op);
}

void ResetCounts(State& s) {
    for (auto& count : s.counts) {
        count.store(0, std::memory_order_relaxed);
    }
}

} // namespace

void ArmFileFault(FileOp op, int nth, DWORD error, bool persistent) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    ResetCounts(s);
    s.counting.store(true, std::memory_order_relaxed);
    s.op = op;
    s.nth = nth;
    s.error = error;
    s.persistent = persistent;
    s.armed.store(true, std::memory_order_release);
}

void ArmShortTransfer(FileOp op, int nth, DWORD limit, bool persistent) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    ResetCounts(s);
    s.counting.store(true, std::memory_order_relaxed);
    s.shortOp = op;
    s.shortNth = nth;
    s.shortLimit = limit;
    s.shortPersistent = persistent;
    s.transfers = 0;
    s.shortArmed.store(true, std::memory_order_release);
}

void ArmDiskFull(std::uint64_t room) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.diskRoom = room;
    s.diskFilled = false;
    s.diskArmed.store(true, std::memory_order_release);
}

bool DiskFilled() {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    return s.diskFilled;
}

void DisarmFileFaults() {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.armed.store(false, std::memory_order_release);
    s.shortArmed.store(false, std::memory_order_release);
    s.diskArmed.store(false, std::memory_order_release);
}

int FileCallCount(FileOp op) {
    return state().counts[Index(op)].load(std::memory_order_relaxed);
}

void ResetFileCounts() {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    ResetCounts(s);
    s.counting.store(true, std::memory_order_relaxed);
}

// Called on every file operation: unarmed and not counting, it costs two relaxed loads.
bool ShouldFailFile(FileOp op) {
    State& s = state();
    if (!s.armed.load(std::memory_order_acquire)) {
        if (!s.counting.load(std::memory_order_relaxed)) {
            return false;
        }
        s.counts[Index(op)].fetch_add(1, std::memory_order_relaxed);
        s.counts[Index(FileOp::Any)].fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    const std::lock_guard lock(s.mutex);
    s.counts[Index(op)].fetch_add(1, std::memory_order_relaxed);
    s.counts[Index(FileOp::Any)].fetch_add(1, std::memory_order_relaxed);
    if (!s.armed.load(std::memory_order_relaxed) || (s.op != FileOp::Any && s.op != op)) {
        return false;
    }
    const int seen = s.counts[Index(s.op)].load(std::memory_order_relaxed);
    if (seen == s.nth || (s.persistent && seen > s.nth)) {
        SetLastError(s.error);
        return true;
    }
    return false;
}

DWORD TransferLimit(FileOp op, DWORD wanted) {
    State& s = state();
    if (!s.shortArmed.load(std::memory_order_acquire)) {
        return wanted;
    }
    const std::lock_guard lock(s.mutex);
    if (s.shortOp != FileOp::Any && s.shortOp != op) {
        return wanted;
    }
    const int seen = ++s.transfers;
    const bool due = seen == s.shortNth || (s.shortPersistent && seen > s.shortNth);
    return due ? std::min(wanted, s.shortLimit) : wanted;
}

std::size_t HostWriteRoom(std::size_t wanted) {
    State& s = state();
    if (!s.diskArmed.load(std::memory_order_acquire)) {
        return wanted;
    }
    const std::lock_guard lock(s.mutex);
    if (!s.diskArmed.load(std::memory_order_relaxed)) {
        return wanted;
    }
    const std::size_t taken = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, s.diskRoom));
    s.diskRoom -= taken;
    s.diskFilled = s.diskFilled || taken < wanted;
    return taken;
}

} // namespace faults
