// A restore that writes nothing: it reads and checks the backup file and the handset's store
// as a restore would, and counts what the restore would add and what it would replace.
#pragma once

#include "files/backup_file.h"
#include "platform/wintypes.h"

#include <string>

struct DryRunOutcome {
    bool ok = false;
    DWORD toAdd = 0;
    // Records whose folder already holds a message with the same non-zero delivery time, in the
    // store or among the earlier records of the file.
    DWORD toReplace = 0;
    // On failure, the text the restore would end with ("No.<n>:" and the reason for a record).
    std::u16string text;
};

// Uses the store's reading operations only; neither the store nor any file is changed.
// format reads the file (any format that a restore reads).
DryRunOutcome DryRunRestore(BackupFile& format, const std::u16string& path);
