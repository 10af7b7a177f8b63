// Allocations of the mail library: a root block carries a chain of child blocks
// (MAPIAllocateMore) that are freed with it.
#include "platform/mapi/memory.h"
#include "platform/mapi/accounting.h"
#include "platform/mapi/mapi_faults.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

// Precedes every block. Two words keep it at 16 bytes, the alignment the caller's part needs, so
// that a list of many small blocks (one per address entry or row) costs little beyond its
// values. owner is the root block's header with a tag in its low bits, which an aligned address
// leaves free: a root names itself, a child its root. next chains a root's children.
struct alignas(std::max_align_t) BlockHeader {
    std::uintptr_t owner;
    BlockHeader* next;
};
static_assert(sizeof(BlockHeader) == alignof(std::max_align_t));

constexpr std::uintptr_t kTagMask = alignof(std::max_align_t) - 1;
constexpr std::uintptr_t kRootTag = 0x5;
constexpr std::uintptr_t kChildTag = 0xA;

BlockHeader* HeaderOf(void* block) {
    return reinterpret_cast<BlockHeader*>(static_cast<char*>(block) - sizeof(BlockHeader));
}

std::uintptr_t Owner(BlockHeader* root, std::uintptr_t tag) {
    return reinterpret_cast<std::uintptr_t>(root) | tag;
}

bool IsRoot(BlockHeader* header) {
    return header->owner == Owner(header, kRootTag);
}

// The root header that a block hangs on (itself for a root), or nullptr for no live block.
BlockHeader* RootOf(BlockHeader* header) {
    if (IsRoot(header)) {
        return header;
    }
    if ((header->owner & kTagMask) != kChildTag) {
        return nullptr;
    }
    auto* root = reinterpret_cast<BlockHeader*>(header->owner & ~kTagMask);
    return IsRoot(root) ? root : nullptr;
}

void* Allocate(std::size_t bytes) {
    void* raw = std::calloc(1, sizeof(BlockHeader) + (bytes == 0 ? 1 : bytes));
    if (raw == nullptr) {
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(raw);
    header->owner = Owner(header, kRootTag);
    header->next = nullptr;
    return static_cast<char*>(raw) + sizeof(BlockHeader);
}

} // namespace

namespace mapi_accounting {
namespace {
Counters counters;
} // namespace

const Counters& Current() {
    return counters;
}
void BufferAllocated() {
    counters.buffers.fetch_add(1, std::memory_order_relaxed);
}
void BufferFreed() {
    counters.buffers.fetch_sub(1, std::memory_order_relaxed);
}
void ReferenceAdded() {
    counters.references.fetch_add(1, std::memory_order_relaxed);
}
void ReferenceDropped() {
    counters.references.fetch_sub(1, std::memory_order_relaxed);
}
void LoggedOn() {
    counters.logons.fetch_add(1, std::memory_order_relaxed);
}
void LoggedOff() {
    counters.logons.fetch_sub(1, std::memory_order_relaxed);
}

} // namespace mapi_accounting

namespace mapi_impl {

void* AllocateRoot(std::size_t bytes) {
    void* block = Allocate(bytes);
    if (block != nullptr) {
        mapi_accounting::BufferAllocated();
    }
    return block;
}

void* AllocateChild(std::size_t bytes, void* root) {
    if (root == nullptr) {
        return nullptr;
    }
    // A child of a child hangs on the same root.
    BlockHeader* parent = RootOf(HeaderOf(root));
    if (parent == nullptr) {
        return nullptr;
    }
    void* block = Allocate(bytes);
    if (block == nullptr) {
        return nullptr;
    }
    BlockHeader* header = HeaderOf(block);
    header->owner = Owner(parent, kChildTag);
    header->next = parent->next;
    parent->next = header;
    return block;
}

LPWSTR CopyText(std::u16string_view text, void* root) {
    auto* copy = static_cast<LPWSTR>(AllocateChild((text.size() + 1) * sizeof(char16_t), root));
    if (copy != nullptr) {
        std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
        copy[text.size()] = u'\0';
    }
    return copy;
}

LPBYTE CopyBytes(const void* bytes, std::size_t size, void* root) {
    auto* copy = static_cast<LPBYTE>(AllocateChild(size, root));
    if (copy != nullptr && size > 0) {
        std::memcpy(copy, bytes, size);
    }
    return copy;
}

void FreeRoot(void* block) {
    BlockHeader* header = HeaderOf(block);
    BlockHeader* child = header->next;
    while (child != nullptr) {
        BlockHeader* next = child->next;
        child->owner = 0;
        std::free(child);
        child = next;
    }
    header->owner = 0;
    std::free(header);
    mapi_accounting::BufferFreed();
}

void FreeRowSet(LPSRowSet rows) {
    SRow* row = &rows->aRow[0];
    for (ULONG i = 0; i < rows->cRows; ++i) {
        if (row[i].lpProps != nullptr) {
            FreeRoot(row[i].lpProps);
        }
    }
    FreeRoot(rows);
}

} // namespace mapi_impl

SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
    if (lppBuffer == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppBuffer = nullptr;
    if (const HRESULT hr =
            mapi_faults::Check(mapi_faults::Op::AllocateBuffer, mapi_faults::Kind::Library, 0,
                               static_cast<LONG>(cbSize));
        hr != S_OK) {
        return hr;
    }
    *lppBuffer = mapi_impl::AllocateRoot(cbSize);
    return *lppBuffer != nullptr ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
    if (lppBuffer == nullptr || lpObject == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppBuffer = nullptr;
    if (const HRESULT hr =
            mapi_faults::Check(mapi_faults::Op::AllocateMore, mapi_faults::Kind::Library, 0,
                               static_cast<LONG>(cbSize));
        hr != S_OK) {
        return hr;
    }
    *lppBuffer = mapi_impl::AllocateChild(cbSize, lpObject);
    return *lppBuffer != nullptr ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

ULONG MAPIFreeBuffer(LPVOID lpBuffer) {
    if (lpBuffer == nullptr) {
        return S_OK;
    }
    mapi_faults::Note(mapi_faults::Op::FreeBuffer, mapi_faults::Kind::Library);
    // Child blocks go with their root; freeing one alone would corrupt the chain.
    if (!IsRoot(HeaderOf(lpBuffer))) {
        return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER);
    }
    mapi_impl::FreeRoot(lpBuffer);
    return S_OK;
}

void FreeProws(LPSRowSet lpRows) {
    if (lpRows == nullptr) {
        return;
    }
    mapi_faults::Note(mapi_faults::Op::FreeProws, mapi_faults::Kind::Library);
    mapi_impl::FreeRowSet(lpRows);
}
