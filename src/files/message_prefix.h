// The prefix that names the message a failure of a backup walk, a restore loop or a file
// conversion refers to: "No.%d:".
#pragma once

#include "files/file_access.h"
#include "platform/wintypes.h"

#include <string>

// The number is printed as the signed decimal the handset's %d gives.
inline std::u16string MessagePrefix(DWORD number) {
    return u"No." + NumberToText(static_cast<int>(number)) + u":";
}
