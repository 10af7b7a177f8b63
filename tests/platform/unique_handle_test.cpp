#include "platform/unique_handle.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

// Counts the closes of each handle value, so that a missed or a second close shows.
std::map<HANDLE, int> closes;
struct CountingClose {
    static bool Close(HANDLE handle) { return ++closes[handle] == 1; }
};
using Counted = UniqueHandle<CountingClose>;

TEST(UniqueHandle, ClosesEachHandleOnceWhateverRoadItTakes) {
    closes.clear();
    {
        Counted first(0x10);
        Counted moved(std::move(first)); // the source must not close it as well
        EXPECT_FALSE(first);
        EXPECT_EQ(first.get(), 0u);
        Counted replaced(0x20);
        replaced = std::move(moved); // closes 0x20 at once and takes over 0x10
        EXPECT_EQ(closes, (std::map<HANDLE, int>{{0x20, 1}}));
        EXPECT_EQ(replaced.get(), 0x10u);

        Counted released(0x30);
        EXPECT_EQ(released.release(), 0x30u); // the caller's now: never closed here
        Counted early(0x40);
        EXPECT_TRUE(early.close());
        EXPECT_FALSE(early.close()); // nothing left to close
        Counted failed(INVALID_HANDLE_VALUE);
        EXPECT_FALSE(failed.close());
    }
    EXPECT_EQ(closes, (std::map<HANDLE, int>{{0x10, 1}, {0x20, 1}, {0x40, 1}}));
}

TEST(UniqueHandle, EachKindGoesBackThroughItsOwnCall) {
    const TempDevice device;
    WriteHostFile(device.path() / "My Documents" / "a.usms", "x");
    const int files = OpenFileHandleCount();
    HANDLE search = 0;
    HKEY key = 0;
    {
        const OwnedHandle file(CreateFileW(u"\\My Documents\\a.usms", GENERIC_READ, FILE_SHARE_READ,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0));
        ASSERT_TRUE(file);
        EXPECT_EQ(OpenFileHandleCount(), files + 1);
        WIN32_FIND_DATAW entry;
        const OwnedFind found(FindFirstFileW(u"\\My Documents\\*.*", &entry));
        ASSERT_TRUE(found);
        search = found.get();
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Owned", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  0);
        const OwnedKey owned(key);
    }
    EXPECT_EQ(OpenFileHandleCount(), files);
    EXPECT_FALSE(FindClose(search)); // already closed
    EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

} // namespace
