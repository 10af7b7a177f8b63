// The library's own allocations for the buffers it returns: counted like MAPIAllocateBuffer
// blocks, but never subject to injected faults.
#pragma once

#include "platform/mapi/mapi.h"

#include <string_view>

namespace mapi_impl {

void* AllocateRoot(std::size_t bytes);
void* AllocateChild(std::size_t bytes, void* root);
// A zero-terminated copy that hangs on root; nullptr when memory runs out.
LPWSTR CopyText(std::u16string_view text, void* root);
LPBYTE CopyBytes(const void* bytes, std::size_t size, void* root);
void FreeRoot(void* block);
// FreeProws without recording the call.
void FreeRowSet(LPSRowSet rows);

} // namespace mapi_impl
