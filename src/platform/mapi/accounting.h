// The library's counts of what it has handed out and not yet had back: buffers, interface
// references and logons. The library raises and lowers them; the device kit reads them.
#pragma once

#include <atomic>
#include <cstdint>

namespace mapi_accounting {

struct Counters {
    std::atomic<std::int64_t> buffers{0};
    std::atomic<std::int64_t> references{0};
    std::atomic<std::int64_t> logons{0};
};
const Counters& Current();

void BufferAllocated();
void BufferFreed();
void ReferenceAdded();
void ReferenceDropped();
void LoggedOn();
void LoggedOff();

} // namespace mapi_accounting
