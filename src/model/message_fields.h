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

// Empties every field, keeping the memory that the texts hold: a reader that fills one message
// after another then allocates only for a text longer than any before it.
inline void ClearKeepingMemory(MessageFields& fields) {
    static_assert(sizeof(MessageFields) ==
                      5 * sizeof(std::u16string) + 2 * sizeof(FILETIME) + 2 * sizeof(DWORD),
                  "a field added to MessageFields must be cleared here too");
    for (std::u16string* text : {&fields.messageClass, &fields.folderPath, &fields.senderName,
                                 &fields.senderNumber, &fields.body}) {
        text->clear();
    }
    fields.lastModified = FILETIME{};
    fields.deliveryTime = FILETIME{};
    fields.flags = 0;
    fields.size = 0;
}
