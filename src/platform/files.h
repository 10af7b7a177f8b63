// Windows CE file services over POSIX: handles, whole reads and writes, positions, flushing.
// A handle buffers in user space so that one-unit reads and small writes cost no system call,
// while positions, sizes and what other handles see stay exact.
#pragma once

#include "platform/wintypes.h"

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, void* security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
DWORD GetFileSize(HANDLE file, DWORD* sizeHigh);
BOOL FlushFileBuffers(HANDLE file);
BOOL CloseHandle(HANDLE object);

// Number of file handles open now (tests check that work gave every handle back).
int OpenFileHandleCount();
