// Which of the five SMS folders take part in a backup or export, kept in "settings.dat" beside
// the executable: five bytes, Draft, Inbox, Outbox, Sent items, Deleted items.
#pragma once

#include "platform/wintypes.h"
#include "store/special_folders.h"

#include <string>

struct FolderSelection {
    BYTE draft = 0;
    BYTE inbox = 0;
    BYTE outbox = 0;
    BYTE sent = 0;
    BYTE deleted = 0;

    static FolderSelection All() { return FolderSelection{1, 1, 1, 1, 1}; }
    // The field of one special folder.
    BYTE& flag(SpecialFolder folder);
    BYTE flag(SpecialFolder folder) const;
    friend bool operator==(const FolderSelection&, const FolderSelection&) = default;
};

// The executable's path up to its last backslash, then "settings.dat".
std::u16string SettingsFilePath();

// True when the file was found and read. A missing file selects all five folders and is
// created with that selection; a short file selects the missing fields and stays as it is.
bool LoadFolderSelection(FolderSelection& selection);

// True when all five bytes were written and flushed; the file is replaced.
bool SaveFolderSelection(const FolderSelection& selection);
