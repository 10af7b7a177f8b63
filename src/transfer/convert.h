// Converting a backup file of any readable kind (Unicode backup, phone XML, JSON Lines) into
// any writable format. The records are read on a second thread while they are written.
#pragma once

#include "files/backup_file.h"
#include "transfer/stop_check.h"

#include <string>

struct ConvertResult {
    enum class Outcome {
        Converted,
        InputFailed,  // the input cannot be opened or read: error concerns the input file
        OutputFailed, // the output cannot be written: error concerns out
        Stopped,      // stop asked for it; no output was left
    };
    Outcome outcome = Outcome::Converted;
    std::u16string error;
    DWORD written = 0;
    // Elements of the input that held no message (an XML file's <mms>), once it was all read.
    unsigned long skipped = 0;
    // Characters U+0000 left out of the input's texts, which no message can hold.
    unsigned long leftOut = 0;
};

// Writes every record of file to out in target's format. out is written as "OUT.partial" and
// takes its name only when complete; on any other outcome no partial file stays and an earlier
// out is left as it was.
[[nodiscard]] ConvertResult ConvertFile(const std::u16string& file, BackupFile& target,
                                        const std::u16string& out, const StopCheck& stop = {});
