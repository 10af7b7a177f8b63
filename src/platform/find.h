// Directory searches: FindFirstFileW with a folder and a wildcard pattern in its last component.
// Attributes come from the host: directory 0x10, hidden 0x02 for dot-names, read-only 0x01
// when nobody may write, normal 0x80 for a plain file with no other attribute.
#pragma once

#include "platform/wintypes.h"

#include <string>

inline constexpr int MAX_PATH = 260;

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    DWORD dwOID = 0;
    WCHAR cFileName[MAX_PATH] = {};
};

HANDLE FindFirstFileW(LPCWSTR fileName, WIN32_FIND_DATAW* findData);
[[nodiscard]] BOOL FindNextFileW(HANDLE findFile, WIN32_FIND_DATAW* findData);
BOOL FindClose(HANDLE findFile);

// The wildcard match of the search: "*" any run, "?" one character, case-insensitive for ASCII;
// "*.*" matches every name.
[[nodiscard]] bool MatchesFilePattern(const std::u16string& name, const std::u16string& pattern);
