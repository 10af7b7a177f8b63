#include "platform/errors.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

std::u16string Message(DWORD code) {
    char16_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, 0x400, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::u16string result = length > 0 ? std::u16string(text, length) : u"";
    LocalFree(text);
    return result;
}

TEST(PlatformErrors, EveryCodeTheSubstituteSetsHasAText) {
    for (const DWORD code :
         {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE,
          ERROR_HANDLE_EOF, ERROR_DISK_FULL, ERROR_SHARING_VIOLATION, ERROR_INVALID_NAME,
          ERROR_NEGATIVE_SEEK, ERROR_WRITE_FAULT, ERROR_IO_DEVICE, ERROR_INVALID_PARAMETER}) {
        EXPECT_FALSE(Message(code).empty()) << code;
    }
    EXPECT_EQ(Message(ERROR_HANDLE_EOF), u"Reached the end of the file.");
}

TEST(PlatformErrors, UnknownCodeGivesNoText) {
    EXPECT_EQ(Message(0x1234567), u"");
    EXPECT_EQ(Message(99999), u"");
}

TEST(PlatformErrors, LastErrorIsPerThread) {
    SetLastError(ERROR_DISK_FULL);
    DWORD seen = 1;
    std::thread([&] {
        seen = GetLastError();
        SetLastError(ERROR_ACCESS_DENIED);
    }).join();
    EXPECT_EQ(seen, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

} // namespace
