#include "dialogs/storage_card.h"

#include "dialogs/folder_search.h"
#include "platform/registry.h"
#include "platform/unique_handle.h"

#include <vector>

namespace {

// The root that a card without a folder name gives.
constexpr char16_t kUnnamedCardRoot[] = u"\\\\";

class RegistryKey {
public:
    RegistryKey(HKEY parent, const char16_t* subKey) {
        HKEY created = 0;
        if (RegCreateKeyExW(parent, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                            nullptr) == ERROR_SUCCESS) {
            key_ = OwnedKey(created);
        }
    }

    // The string value, up to its terminator; empty on any failure.
    std::u16string StringValue(const char16_t* name) const {
        DWORD size = 0;
        if (!key_ ||
            RegQueryValueExW(key_.get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
            size < sizeof(char16_t)) {
            return {};
        }
        std::vector<char16_t> buffer(size / sizeof(char16_t) + 1, u'\0');
        DWORD type = REG_NONE;
        if (RegQueryValueExW(key_.get(), name, nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS ||
            type != REG_SZ) {
            return {};
        }
        // Whole units only, up to the terminator when the value has one.
        const std::u16string value(buffer.data(), size / sizeof(char16_t));
        return value.substr(0, value.find(u'\0'));
    }

private:
    OwnedKey key_;
};

} // namespace

std::u16string StorageCardRoot() {
    const RegistryKey key(HKEY_LOCAL_MACHINE, kCardKeyPath);
    return u"\\" + key.StringValue(kCardFolderValue) + u"\\";
}

bool IsFolderPresent(const std::u16string& path) {
    std::u16string pattern = path;
    if (pattern.empty() || pattern.back() != u'\\') {
        pattern += u'\\';
    }
    pattern += u"*.*";
    const FolderSearch search(pattern);
    return search.Found();
}

std::u16string LocationRoot(int location) {
    if (location == 0) {
        return kMainMemoryRoot;
    }
    if (location == 1) {
        std::u16string root = StorageCardRoot();
        return root == kUnnamedCardRoot ? std::u16string() : root;
    }
    return {};
}

bool IsStorageCardPresent() {
    const std::u16string root = LocationRoot(1);
    return !root.empty() && IsFolderPresent(root);
}
