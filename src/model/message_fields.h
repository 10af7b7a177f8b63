// The plain fields of one message as a backup file holds them, as the readers of files fill them.
#pragma once

#include "platform/wintypes.h"

#include <string>

struct MessageFields {
    std::u16string messageClass;
    std::u16string folderPath;
    FILETIME lastModified;
    FILETIME deliveryTime;
    DWORD flags = 0;
    DWORD size = 0;
    std::u16string senderName;
    std::u16string senderNumber;
    std::u16string body;
};
