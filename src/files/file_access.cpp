#include "files/file_access.h"

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/sizes.h"

#include <array>
#include <cstring>
#include <vector>

HANDLE OpenForReading(const std::u16string& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, 0);
}

HANDLE CreateForWriting(const std::u16string& path) {
    return CreateReplacingFileW(path.c_str(), 0);
}

bool MarkComplete(HANDLE handle) {
    return MarkFileComplete(handle) != FALSE;
}

bool IsValidHandle(HANDLE handle) {
    return handle != INVALID_HANDLE_VALUE && handle != 0;
}

bool CloseIfValid(HANDLE& handle) {
    if (!IsValidHandle(handle)) {
        return false;
    }
    const BOOL closed = CloseHandle(handle);
    handle = 0;
    return closed != FALSE;
}

bool FlushFile(HANDLE handle) {
    return FlushFileBuffers(handle) != FALSE;
}

bool WriteAll(HANDLE handle, const void* buffer, DWORD length) {
    if (buffer == nullptr || length == 0) {
        return true;
    }
    const auto* bytes = static_cast<const BYTE*>(buffer);
    DWORD done = 0;
    while (done < length) {
        DWORD written = 0;
        if (WriteFile(handle, bytes + done, length - done, &written, nullptr) == FALSE) {
            return false;
        }
        if (written == 0) {
            // Reported as done, yet nothing moved: a failure, with a text that says so.
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

bool ReadExactly(HANDLE handle, void* buffer, DWORD length) {
    if (buffer == nullptr || length == 0) {
        return true;
    }
    auto* bytes = static_cast<BYTE*>(buffer);
    DWORD done = 0;
    while (done < length) {
        DWORD read = 0;
        if (ReadFile(handle, bytes + done, length - done, &read, nullptr) == FALSE || read == 0) {
            return false;
        }
        done += read;
    }
    return true;
}

bool WriteU32(HANDLE handle, DWORD value) {
    const std::array<BYTE, 4> bytes = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                                       static_cast<BYTE>(value >> 16),
                                       static_cast<BYTE>(value >> 24)};
    return WriteAll(handle, bytes.data(), 4);
}

bool WriteByte(HANDLE handle, BYTE value) {
    return WriteAll(handle, &value, 1);
}

bool ReadU32(HANDLE handle, DWORD& value) {
    std::array<BYTE, 4> bytes{};
    if (!ReadExactly(handle, bytes.data(), 4)) {
        return false;
    }
    value = DWORD{bytes[0]} | (DWORD{bytes[1]} << 8) | (DWORD{bytes[2]} << 16) |
            (DWORD{bytes[3]} << 24);
    return true;
}

bool ReadUnit(HANDLE handle, char16_t& value) {
    std::array<BYTE, 2> bytes{};
    if (!ReadExactly(handle, bytes.data(), 2)) {
        return false;
    }
    value = static_cast<char16_t>(bytes[0] | (bytes[1] << 8));
    return true;
}

bool ReadByte(HANDLE handle, BYTE& value) {
    BYTE byte = 0;
    if (!ReadExactly(handle, &byte, 1)) {
        return false;
    }
    value = byte;
    return true;
}

bool SeekFile(HANDLE handle, LONG distance, DWORD origin) {
    return SetFilePointer(handle, distance, nullptr, origin) != INVALID_SET_FILE_POINTER;
}

bool FileSize64(HANDLE handle, std::uint64_t& size) {
    SetLastError(ERROR_SUCCESS);
    DWORD high = 0;
    const DWORD low = GetFileSize(handle, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        return false;
    }
    size = std::uint64_t{high} << 32 | low;
    return true;
}

bool FileSize(HANDLE handle, DWORD& size) {
    std::uint64_t whole = 0;
    if (!FileSize64(handle, whole)) {
        return false;
    }
    if (whole > 0xFFFFFFFFu) {
        SetLastError(ERROR_ARITHMETIC_OVERFLOW);
        return false;
    }
    size = static_cast<DWORD>(whole);
    return true;
}

bool WriteLine(HANDLE handle, const std::u16string& text) {
    return WriteAnsiText(handle, text + u"\n");
}

bool WriteAnsiText(HANDLE handle, const std::u16string& text) {
    const std::string bytes = WideToAnsi(text);
    std::uint32_t length = 0;
    if (!sizes::Length32(0, bytes.size(), 1, length)) {
        SetLastError(ERROR_ARITHMETIC_OVERFLOW);
        return false;
    }
    return WriteAll(handle, bytes.data(), length);
}

std::string WideToAnsi(const std::u16string& text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer.data(), size, nullptr, nullptr);
    return std::string(buffer.data()); // up to the terminating zero
}

std::u16string AnsiToWide(const std::string& bytes) {
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::vector<char16_t> buffer(static_cast<std::size_t>(size));
    MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, buffer.data(), size);
    return std::u16string(buffer.data());
}

std::u16string NumberToText(int value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string ErrorText() {
    const DWORD code = GetLastError();
    char16_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, 0x400, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::u16string result;
    if (length > 0 && text != nullptr) {
        result.assign(text, length);
    }
    LocalFree(text);
    return result;
}

std::u16string ResourceString(unsigned id) {
    std::array<char16_t, 1024> buffer{};
    const int length = LoadStringW(0, id, buffer.data(), static_cast<int>(buffer.size()));
    return std::u16string(buffer.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}
