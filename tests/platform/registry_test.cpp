#include "platform/registry.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

HKEY CreateKey(const char16_t* name, DWORD expectedDisposition) {
    HKEY key = 0;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, &disposition),
              0);
    EXPECT_EQ(disposition, expectedDisposition);
    return key;
}

TEST(Registry, KeysAreCreatedAndValuesPersist) {
    const TempDevice device;
    const HKEY key = CreateKey(u"System\\StorageManager\\Profiles\\PCMCIA", REG_CREATED_NEW_KEY);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Folder", nullptr, nullptr, nullptr, &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    const std::u16string value = u"Storage Card";
    ASSERT_EQ(RegSetValueExW(key, u"Folder", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * 2)),
              0);
    EXPECT_EQ(RegCloseKey(key), 0);

    const HKEY again =
        CreateKey(u"system\\storagemanager\\profiles\\pcmcia", REG_OPENED_EXISTING_KEY);
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExW(again, u"Folder", nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ((std::pair<DWORD, DWORD>(type, size)), (std::pair<DWORD, DWORD>(REG_SZ, 26)));
    std::vector<char16_t> text(size / 2);
    BYTE* const data = reinterpret_cast<BYTE*>(text.data());
    DWORD smallSize = 4;
    EXPECT_EQ(RegQueryValueExW(again, u"Folder", nullptr, nullptr, data, &smallSize),
              static_cast<LONG>(ERROR_MORE_DATA));
    ASSERT_EQ(RegQueryValueExW(again, u"Folder", nullptr, nullptr, data, &size), 0);
    EXPECT_EQ(std::u16string(text.data()), value);
    EXPECT_EQ(RegCloseKey(again), 0);
    EXPECT_EQ(RegCloseKey(again), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

} // namespace
