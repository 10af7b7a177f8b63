// Converting a backup file of any readable kind (Unicode backup, phone XML, JSON Lines) into
// any writable format. The records are read on a second thread while they are written.
#pragma once

#include "files/backup_file.h"
#include "transfer/stop_check.h"
#include "transfer/transfer_result.h"

#include <string>

struct ConvertResult : TransferResult {
    DWORD written = 0;
    // Elements of the input that held no message (an XML file's <mms>), once it was all read.
    unsigned long skipped = 0;
};

// Writes every record of file to out in target's format. out is written as "OUT.partial" and
// takes its name only when complete; on any other outcome no partial file stays and an earlier
// out is left as it was.
[[nodiscard]] ConvertResult ConvertFile(const std::u16string& file, BackupFile& target,
                                        const std::u16string& out, const StopCheck& stop = {});
