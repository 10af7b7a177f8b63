// Recovering the messages of a damaged file, written to a new, valid Unicode backup: every
// record of a Unicode backup that reads whole and that a restore takes, read past damage; every
// message of a phone XML or JSON Lines file that reads and maps.
#pragma once

#include "files/backup_salvage.h"
#include "interchange/message_reader.h"
#include "platform/wintypes.h"
#include "transfer/stop_check.h"
#include "transfer/transfer_result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// InputFailed when the file cannot be read, or is no backup of a kind that salvage reads.
struct SalvageResult : TransferResult {
    DWORD recovered = 0;                        // records written
    std::optional<DWORD> declaredTotal;         // the total in the header, when it has one
    std::size_t stopOffset = 0;                 // where reading stopped
    std::string stopReason;                     // why: "the end of the file", ...
    std::vector<BackupSalvage::Damage> damaged; // the stretches read past, in file order
    // A phone XML or JSON Lines file, read in one pass: its messages that did not map, the
    // bytes that were not UTF-8, where reading stopped, and leftOut.
    bool interchange = false;
    PassedOver unmapped;
    unsigned long replaced = 0;
    std::u16string stopPlace;
};

// Writes what can be recovered of file to out, which takes its name only when complete; no
// partial file is left otherwise. A Unicode backup is read whole (a damaged file gives nothing
// better to stream by); a phone XML or JSON Lines file is read in one pass.
[[nodiscard]] SalvageResult SalvageFile(const std::u16string& file, const std::u16string& out,
                                        const StopCheck& stop = {});
