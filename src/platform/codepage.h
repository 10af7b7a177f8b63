// Code-page conversions. CP_ACP follows the user's locale as on Windows (1252 when the locale
// names no other); a character that the code page lacks becomes "?".
#pragma once

#include "platform/wintypes.h"

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR bytes,
                        int byteCapacity, LPCSTR defaultChar, BOOL* usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR bytes, int byteLength, LPWSTR wide,
                        int wideCapacity);

UINT GetACP();
// For tests and the command line: make CP_ACP stand for this code page (0 = follow locale).
void SetActiveCodePage(UINT codePage);
