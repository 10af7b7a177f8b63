// Counts of what the mail library has handed out and not yet had back, so that a test can
// prove a piece of work returned every buffer and every interface reference.
#pragma once

#include <cstdint>

namespace mapi_accounting {

// MAPIAllocateBuffer blocks (including those the library returns) not yet freed.
std::int64_t OutstandingBuffers();
// Interface references (objects' reference counts added up) not yet released.
std::int64_t OutstandingReferences();
// Sessions logged on and not yet logged off.
std::int64_t ActiveLogons();

} // namespace mapi_accounting
