#include "platform/mapi/mapi_faults.h"

#include <array>
#include <atomic>
#include <mutex>

namespace mapi_faults {
namespace {

constexpr std::size_t kOpCount = static_cast<std::size_t>(Op::FreeProws) + 1;

struct Fault {
    Op op;
    Kind kind;
    int nth;
    HRESULT hr;
    bool persistent;
    std::function<void()> hook;
    int seen = 0;
};

std::mutex stateMutex;
std::vector<Fault> armed;
std::vector<Call> recorded;
// Read without the lock so that an unarmed, unrecorded library pays two loads per call.
std::atomic<bool> anyArmed{false};
std::atomic<bool> recording{false};
std::array<std::atomic<int>, kOpCount> counts{};

bool Matches(const Fault& fault, Op op, Kind kind) {
    return (fault.op == Op::Any || fault.op == op) &&
           (fault.kind == Kind::Any || fault.kind == kind);
}

void Count(Op op) {
    counts[static_cast<std::size_t>(op)].fetch_add(1, std::memory_order_relaxed);
    counts[static_cast<std::size_t>(Op::Any)].fetch_add(1, std::memory_order_relaxed);
}

void Record(Op op, Kind kind, ULONG flags, LONG count, const SPropTagArray* tags,
            std::int64_t object = 0) {
    Call call{op, kind, flags, count, {}, object};
    if (tags != nullptr) {
        const ULONG* first = &tags->aulPropTag[0];
        call.tags.assign(first, first + tags->cValues);
    }
    recorded.push_back(std::move(call));
}

} // namespace

void Arm(Op op, int nth, HRESULT hr, bool persistent, Kind kind) {
    const std::lock_guard lock(stateMutex);
    armed.push_back(Fault{op, kind, nth < 1 ? 1 : nth, hr, persistent, {}});
    anyArmed = true;
}

void ArmHook(Op op, int nth, std::function<void()> hook, bool persistent) {
    const std::lock_guard lock(stateMutex);
    armed.push_back(Fault{op, Kind::Any, nth < 1 ? 1 : nth, S_OK, persistent, std::move(hook)});
    anyArmed = true;
}

void Disarm() {
    const std::lock_guard lock(stateMutex);
    armed.clear();
    anyArmed = false;
}

int CallCount(Op op) {
    return counts[static_cast<std::size_t>(op)].load(std::memory_order_relaxed);
}

void ResetCounts() {
    for (auto& count : counts) {
        count.store(0, std::memory_order_relaxed);
    }
}

void StartRecording() {
    const std::lock_guard lock(stateMutex);
    recorded.clear();
    recording = true;
}

void StopRecording() {
    const std::lock_guard lock(stateMutex);
    recording = false;
}

std::vector<Call> Recorded() {
    const std::lock_guard lock(stateMutex);
    return recorded;
}

HRESULT Check(Op op, Kind kind, ULONG flags, LONG count, const SPropTagArray* tags) {
    Count(op);
    if (!anyArmed.load(std::memory_order_relaxed) && !recording.load(std::memory_order_relaxed)) {
        return S_OK;
    }
    std::vector<std::function<void()>> hooks;
    HRESULT result = S_OK;
    {
        const std::lock_guard lock(stateMutex);
        if (recording) {
            Record(op, kind, flags, count, tags);
        }
        for (Fault& fault : armed) {
            if (!Matches(fault, op, kind)) {
                continue;
            }
            ++fault.seen;
            const bool fires = fault.persistent ? fault.seen >= fault.nth : fault.seen == fault.nth;
            if (fires && fault.hook) {
                hooks.push_back(fault.hook);
            } else if (fires && result == S_OK) {
                result = fault.hr;
            }
        }
    }
    // Outside the lock: a hook may wait for another process, or end this one.
    for (const auto& hook : hooks) {
        hook();
    }
    return result;
}

void RecordValueTags(const SPropValue* values, ULONG count) {
    if (!recording.load(std::memory_order_relaxed) || values == nullptr) {
        return;
    }
    const std::lock_guard lock(stateMutex);
    if (recording && !recorded.empty()) {
        for (ULONG i = 0; i < count; ++i) {
            recorded.back().tags.push_back(values[i].ulPropTag);
        }
    }
}

void Note(Op op, Kind kind, std::int64_t object) {
    Count(op);
    if (!recording.load(std::memory_order_relaxed)) {
        return;
    }
    const std::lock_guard lock(stateMutex);
    if (recording) {
        Record(op, kind, 0, 0, nullptr, object);
    }
}

const char* OpName(Op op) {
    static constexpr std::array<const char*, kOpCount> names = {"Any",
                                                                "Logon",
                                                                "Logoff",
                                                                "GetMsgStoresTable",
                                                                "SessionOpenEntry",
                                                                "StoreOpenEntry",
                                                                "FolderOpenEntry",
                                                                "GetProps",
                                                                "SetProps",
                                                                "GetContentsTable",
                                                                "GetHierarchyTable",
                                                                "SetColumns",
                                                                "QueryRows",
                                                                "SeekRow",
                                                                "GetRowCount",
                                                                "FindRow",
                                                                "CreateFolder",
                                                                "CreateMessage",
                                                                "DeleteMessages",
                                                                "GetRecipientTable",
                                                                "ModifyRecipients",
                                                                "AllocateBuffer",
                                                                "AllocateMore",
                                                                "Release",
                                                                "FreeBuffer",
                                                                "FreeProws"};
    return names[static_cast<std::size_t>(op)];
}

} // namespace mapi_faults
