// The file access layer: whole transfers over the platform's file calls, typed little-endian
// reads and writes, ANSI conversions, and the error convention (an operation phrase followed by
// the platform's text for the last error).
#pragma once

#include "platform/wintypes.h"

#include <cstdint>
#include <string>

// Opening and closing.
HANDLE OpenForReading(const std::u16string& path); // shared read, must exist
// Exclusive; the new file takes the place of an existing one only when it was marked complete
// before its close, so a failed run leaves the earlier file and "path.partial" beside it.
HANDLE CreateForWriting(const std::u16string& path);
bool MarkComplete(HANDLE handle);
[[nodiscard]] bool IsValidHandle(HANDLE handle);
// Closes a valid handle and sets it to 0; false (and no change) for an invalid one.
bool CloseIfValid(HANDLE& handle);
[[nodiscard]] bool FlushFile(HANDLE handle);

// Whole transfers: every byte or failure. A missing buffer or a length of 0 succeeds at once.
[[nodiscard]] bool WriteAll(HANDLE handle, const void* buffer, DWORD length);
[[nodiscard]] bool ReadExactly(HANDLE handle, void* buffer, DWORD length);

// Typed forms; a read copies into its target only when it succeeded.
[[nodiscard]] bool WriteU32(HANDLE handle, DWORD value);
[[nodiscard]] bool WriteByte(HANDLE handle, BYTE value);
[[nodiscard]] bool ReadU32(HANDLE handle, DWORD& value);
[[nodiscard]] bool ReadUnit(HANDLE handle, char16_t& value);
[[nodiscard]] bool ReadByte(HANDLE handle, BYTE& value);

// Positioning: a 32-bit distance from FILE_BEGIN or FILE_CURRENT.
[[nodiscard]] bool SeekFile(HANDLE handle, LONG distance, DWORD origin);
// The size of an open file; false with the last error set when it cannot be learnt or does not
// fit 32 bits.
[[nodiscard]] bool FileSize(HANDLE handle, DWORD& size);
// The whole size, which a phone XML or JSON Lines file may take past 4 GiB; false with the last
// error set when it cannot be learnt.
[[nodiscard]] bool FileSize64(HANDLE handle, std::uint64_t& size);

// Text lines of the ANSI format: the text and one line feed, in the ANSI code page.
[[nodiscard]] bool WriteLine(HANDLE handle, const std::u16string& text);
[[nodiscard]] bool WriteAnsiText(HANDLE handle, const std::u16string& text);

// Conversions with the active ANSI code page; both stop at the first NUL.
std::string WideToAnsi(const std::u16string& text);
std::u16string AnsiToWide(const std::string& bytes);
std::u16string NumberToText(int value);

// The platform's text for the last error; empty when the platform has none.
std::u16string ErrorText();
// A string-table text by number; empty when there is none.
std::u16string ResourceString(unsigned id);
