#include "platform/faults.h"

#include "platform/errors.h"

#include <array>
#include <mutex>

namespace faults {
namespace {

constexpr std::size_t kOps = 8;

struct State {
    std::mutex mutex;
    std::array<int, kOps> counts{};
    bool armed = false;
    FileOp op = FileOp::Any;
    int nth = 0;
    DWORD error = ERROR_SUCCESS;
    bool persistent = false;
};

State& state() {
    static State s;
    return s;
}

std::size_t Index(FileOp op) { return static_cast<std::size_t>(op); }

} // namespace

void ArmFileFault(FileOp op, int nth, DWORD error, bool persistent) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.counts.fill(0);
    s.armed = true;
    s.op = op;
    s.nth = nth;
    s.error = error;
    s.persistent = persistent;
}

void DisarmFileFaults() {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.armed = false;
}

int FileCallCount(FileOp op) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    return s.counts[Index(op)];
}

void ResetFileCounts() {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    s.counts.fill(0);
}

bool ShouldFailFile(FileOp op) {
    State& s = state();
    const std::lock_guard lock(s.mutex);
    ++s.counts[Index(op)];
    ++s.counts[Index(FileOp::Any)];
    if (!s.armed || (s.op != FileOp::Any && s.op != op)) {
        return false;
    }
    const int seen = s.counts[Index(s.op)];
    if (seen == s.nth || (s.persistent && seen > s.nth)) {
        SetLastError(s.error);
        return true;
    }
    return false;
}

} // namespace faults
