// The per-thread last error and its message texts.
#pragma once

#include "platform/wintypes.h"

inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

DWORD GetLastError();
void SetLastError(DWORD error);

// With FORMAT_MESSAGE_ALLOCATE_BUFFER, buffer is really an LPWSTR* that receives a block to be
// freed with LocalFree. Returns the text length in units, 0 when the code has no text.
DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer,
                     DWORD size, void* arguments);
HLOCAL LocalAlloc(UINT flags, std::size_t bytes);
HLOCAL LocalFree(HLOCAL memory);
