#include "platform/module.h"

#include "platform/device.h"
#include "platform/errors.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<int> comInitialised{0};

} // namespace

DWORD GetModuleFileNameW(HINSTANCE /*module*/, LPWSTR fileName, DWORD size) {
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::u16string path = device::ModuleDevicePath();
    const std::size_t count = std::min<std::size_t>(path.size(), size - 1);
    std::copy_n(path.data(), count, fileName);
    fileName[count] = u'\0';
    if (count < path.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    }
    return static_cast<DWORD>(count);
}

// The substitute's objects are usable from any thread, so the multithreaded model needs no
// more than the bookkeeping of balanced calls.
HRESULT CoInitializeEx(void* /*reserved*/, DWORD /*coInit*/) {
    comInitialised.fetch_add(1);
    return 0;
}

void CoUninitialize() {
    comInitialised.fetch_sub(1);
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    return init != nullptr && init->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}
