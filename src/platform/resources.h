// String resources by number.
#pragma once

#include "platform/wintypes.h"

// Copies string id into the buffer (terminated) and returns its length; 0 when there is none.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);
