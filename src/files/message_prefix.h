// The prefix that names the message a failure of a job, a dry run or a command on backup files
// (convert, merge, salvage) refers to: "No.%d:".
#pragma once

#include "files/file_access.h"
#include "platform/wintypes.h"

#include <string>

// The number is printed as the signed decimal the handset's %d gives.
inline std::u16string MessagePrefix(DWORD number) {
    return u"No." + NumberToText(static_cast<int>(number)) + u":";
}
