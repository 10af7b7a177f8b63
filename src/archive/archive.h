// The web archive of backup files: the messages of any mix of Unicode backups, phone XML and
// JSON Lines (each read as merge reads it, exact duplicates left out) as a static site in
// DIR. The handset's store goes the same way through ArchiveSink.
#pragma once

#include "archive/archive_builder.h"
#include "transfer/stop_check.h"

#include <string>
#include <vector>

struct ArchiveResult {
    enum class Outcome {
        Written,
        InputFailed,  // failedFile cannot be opened or read: error concerns it
        OutputFailed, // the site cannot be written: error concerns DIR
        Stopped,      // stop asked for it; nothing was left
    };
    Outcome outcome = Outcome::Written;
    std::u16string error;
    std::u16string failedFile;
    archive::ArchiveCounts counts;
    unsigned long skipped = 0; // elements of the inputs that held no message (an XML <mms>)
    unsigned long leftOut = 0; // characters U+0000 left out of the inputs' texts
};

// Writes the site of the messages of files to dir, which must not exist or be empty. It is
// written as "DIR.partial" and renamed when complete; on any other outcome nothing stays.
[[nodiscard]] ArchiveResult ArchiveFiles(const std::vector<std::u16string>& files,
                                         const std::u16string& dir, const StopCheck& stop = {});
