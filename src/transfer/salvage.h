// Recovering the messages of a damaged Unicode backup: every record that reads whole and that a
// restore takes, read past damage, written to a new, valid backup.
#pragma once

#include "files/backup_salvage.h"
#include "platform/wintypes.h"
#include "transfer/stop_check.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct SalvageResult {
    enum class Outcome {
        Salvaged,
        InputFailed,  // the file cannot be read, or is no Unicode backup: error concerns it
        OutputFailed, // error concerns out
        Stopped,      // stop asked for it; no output was left
    };
    Outcome outcome = Outcome::Salvaged;
    std::u16string error;
    DWORD recovered = 0;                        // records written
    std::optional<DWORD> declaredTotal;         // the total in the header, when it has one
    std::size_t stopOffset = 0;                 // where reading stopped
    std::string stopReason;                     // why: "the end of the file", ...
    std::vector<BackupSalvage::Damage> damaged; // the stretches read past, in file order
};

// Reads file whole (a damaged file gives nothing better to stream by) and writes what it can
// recover to out, which takes its name only when complete; no partial file is left otherwise.
SalvageResult SalvageFile(const std::u16string& file, const std::u16string& out,
                          const StopCheck& stop = {});
