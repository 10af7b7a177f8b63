// The web archive of backup files: the messages of any mix of Unicode backups, phone XML and
// JSON Lines (each read as merge reads it, exact duplicates left out) as a static site in
// DIR. The handset's store goes the same way through ArchiveSink.
#pragma once

#include "archive/archive_builder.h"
#include "transfer/stop_check.h"
#include "transfer/transfer_result.h"

#include <string>
#include <vector>

// On OutputFailed, error is the whole reason and names the folder itself where that matters.
struct ArchiveResult : TransferResult {
    archive::ArchiveCounts counts;
    unsigned long skipped = 0; // elements of the inputs that held no message (an XML <mms>)
};

// Writes the site of the messages of files to dir, which must not exist or be empty. It is
// written as "DIR.partial" and renamed when complete; on any other outcome nothing stays.
[[nodiscard]] ArchiveResult ArchiveFiles(const std::vector<std::u16string>& files,
                                         const std::u16string& dir, const StopCheck& stop = {});
