#include "devkit/device_setup.h"

#include "devkit/mapi_admin.h"
#include "platform/device.h"
#include "platform/registry.h"
#include "platform/unique_handle.h"

#include <filesystem>
#include <string>

namespace devkit {
namespace {

constexpr char16_t kCardKey[] = u"System\\StorageManager\\Profiles\\PCMCIA";
constexpr char16_t kCardFolder[] = u"Storage Card";

// The storage card's folder name, set once; the card is present when that folder exists.
bool EnsureRegistry() {
    HKEY created = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCardKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &created, nullptr) != 0) {
        return false;
    }
    const OwnedKey key(created);
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), u"Folder", nullptr, nullptr, nullptr, &size) == 0) {
        return true;
    }
    const std::u16string value(kCardFolder);
    return RegSetValueExW(key.get(), u"Folder", 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))) == 0;
}

} // namespace

bool SetUpDevice() {
    return device::EnsureLayout() && mapi_admin::EnsureDeviceStore() && EnsureRegistry();
}

bool DeviceExists() {
    return std::filesystem::exists(mapi_admin::DatabasePath());
}

} // namespace devkit
