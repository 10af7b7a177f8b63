#include "devkit/device_setup.h"

#include "devkit/mapi_admin.h"
#include "platform/device.h"
#include "platform/registry.h"

#include <filesystem>
#include <string>

namespace devkit {
namespace {

constexpr char16_t kCardKey[] = u"System\\StorageManager\\Profiles\\PCMCIA";
constexpr char16_t kCardFolder[] = u"Storage Card";

// The storage card's folder name, set once; the card is present when that folder exists.
bool EnsureRegistry() {
    HKEY key = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCardKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != 0) {
        return false;
    }
    DWORD size = 0;
    bool ok = true;
    if (RegQueryValueExW(key, u"Folder", nullptr, nullptr, nullptr, &size) != 0) {
        const std::u16string value(kCardFolder);
        ok = RegSetValueExW(key, u"Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))) == 0;
    }
    RegCloseKey(key);
    return ok;
}

} // namespace

bool SetUpDevice() {
    return device::EnsureLayout() && mapi_admin::EnsureDeviceStore() && EnsureRegistry();
}

bool DeviceExists() {
    return std::filesystem::exists(mapi_admin::DatabasePath());
}

} // namespace devkit
