// Worker threads. A thread's handle may be closed at once: the thread runs on, detached.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>

using LPTHREAD_START_ROUTINE = DWORD (*)(void* parameter);

HANDLE CreateThread(void* security, std::size_t stackSize, LPTHREAD_START_ROUTINE start,
                    void* parameter, DWORD creationFlags, DWORD* threadId);
void Sleep(DWORD milliseconds);
