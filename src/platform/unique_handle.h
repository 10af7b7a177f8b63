// Owners of platform handles: each closes its handle exactly once, with the call of its kind,
// when it is destroyed or closed; a move hands that duty on and leaves the source empty.
#pragma once

#include "platform/files.h"
#include "platform/find.h"
#include "platform/registry.h"
#include "platform/wintypes.h"

#include <utility>

template <typename Closer> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.release();
        }
        return *this;
    }

    HANDLE get() const { return handle_; }
    // 0 and INVALID_HANDLE_VALUE both stand for no handle.
    [[nodiscard]] bool valid() const { return handle_ != 0 && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }

    // Gives the handle up unclosed; the owner is empty afterwards.
    HANDLE release() { return std::exchange(handle_, HANDLE{0}); }
    // Closes the handle now and empties the owner. False when it held none, or when the close
    // failed (the last error then tells why).
    bool close() {
        const HANDLE handle = release();
        return handle != 0 && handle != INVALID_HANDLE_VALUE && Closer::Close(handle);
    }

private:
    HANDLE handle_ = 0;
};

struct CloseHandleCall {
    [[nodiscard]] static bool Close(HANDLE handle) { return CloseHandle(handle) != FALSE; }
};
struct FindCloseCall {
    [[nodiscard]] static bool Close(HANDLE handle) { return FindClose(handle) != FALSE; }
};
struct RegCloseKeyCall {
    [[nodiscard]] static bool Close(HKEY key) {
        return RegCloseKey(key) == static_cast<LONG>(ERROR_SUCCESS);
    }
};

// Files and threads.
using OwnedHandle = UniqueHandle<CloseHandleCall>;
// Directory searches begun with FindFirstFileW.
using OwnedFind = UniqueHandle<FindCloseCall>;
// Registry keys opened or created by RegCreateKeyExW.
using OwnedKey = UniqueHandle<RegCloseKeyCall>;
