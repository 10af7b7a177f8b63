// Windows CE file services over POSIX: handles, whole reads and writes, positions, flushing.
// A handle buffers in user space so that one-unit reads and small writes cost no system call,
// while positions, sizes and what other handles see stay exact. FlushFileBuffers hands the
// buffered bytes to the operating system; a written file is synced once, when it is closed
// (and its folder too when the file was created). Share modes hold across processes.
#pragma once

#include "platform/wintypes.h"

#include <string>
#include <vector>

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, void* security,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
// Creates fileName for writing (GENERIC_WRITE, CREATE_ALWAYS) so that an existing file is
// replaced only by a complete one: the bytes go to "fileName.partial" beside it (a shortened
// name with a hash when that would be too long), and closing the handle renames them over
// fileName only after MarkFileComplete and when every byte reached the disk; otherwise the
// earlier file stays and the partial file is removed. A partial file that a killed process
// left is overwritten by the next run. A target that is not a plain file is opened as is.
HANDLE CreateReplacingFileW(LPCWSTR fileName, DWORD shareMode);
[[nodiscard]] BOOL MarkFileComplete(HANDLE file);
[[nodiscard]] BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
[[nodiscard]] BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
                             void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
DWORD GetFileSize(HANDLE file, DWORD* sizeHigh);
[[nodiscard]] BOOL FlushFileBuffers(HANDLE file);
BOOL CloseHandle(HANDLE object);

// Problems that did not make a call fail but that the user should hear of (a replaced file
// whose folder could not be synced), in UTF-8, kept until the program that shows them takes them.
std::vector<std::string> TakeFileWarnings();

// Number of file handles open now (tests check that work gave every handle back).
int OpenFileHandleCount();
