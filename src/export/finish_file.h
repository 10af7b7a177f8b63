// Ending an export file: the platform buffers writes, so a full disk may show only when the
// last bytes are flushed or the file is closed. Both results count.
#pragma once

#include "platform/wintypes.h"

#include <string>

// Flushes and closes a valid handle, which becomes 0 even when that fails. On failure sets
// the error to "close file error, " and the system text of the first failing call. An
// invalid handle has nothing to lose: true, nothing changed.
[[nodiscard]] bool FlushAndClose(HANDLE& handle, std::u16string& error);
