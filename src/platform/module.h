// The running module: its path on the handset, and the start-up services of the component
// library and the common controls.
#pragma once

#include "platform/wintypes.h"

// The device path of the executable ("\Program Files\Msgkeeper\msgkeeper.exe"); returns the
// length copied, cut to the buffer with its terminator.
DWORD GetModuleFileNameW(HINSTANCE module, LPWSTR fileName, DWORD size);

inline constexpr DWORD COINIT_MULTITHREADED = 0;
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
void CoUninitialize();

struct INITCOMMONCONTROLSEX {
    DWORD dwSize = sizeof(INITCOMMONCONTROLSEX);
    DWORD dwICC = 0;
};
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);
