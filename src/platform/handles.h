// The process's table of platform handles: opaque words that stand for kernel-like objects
// (files, threads, searches, registry keys). CloseHandle works on every kind.
#pragma once

#include "platform/wintypes.h"

#include <cstdint>
#include <memory>

namespace handles {

class Object {
public:
    virtual ~Object() = default;
    // Releases the object's resources; false (with the last error set) when that failed.
    [[nodiscard]] virtual bool Close() = 0;
};

// Registers an object and returns its new handle (never 0 or INVALID_HANDLE_VALUE).
HANDLE Add(std::shared_ptr<Object> object);
// The object of a handle, or nullptr; the caller keeps it alive while it uses it.
std::shared_ptr<Object> Find(HANDLE handle);
// Removes the handle from the table and returns its object (nullptr when unknown).
std::shared_ptr<Object> Remove(HANDLE handle);
// Number of handles open now, of any kind.
int Count();
// Changes whenever a handle is removed, so a cached lookup can tell that it may be stale.
std::uint64_t Generation();

template <typename T> std::shared_ptr<T> FindAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(Find(handle));
}

} // namespace handles
