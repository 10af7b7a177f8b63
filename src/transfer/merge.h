// Merging backup files of any readable kind (Unicode backup, phone XML, JSON Lines) into one
// Unicode backup that holds each message once (message_digest.h says which are the same). The
// first copy read is kept: the first file's messages in its order, then each later file's new
// ones in theirs. It streams: memory holds a digest per message, never the messages.
#pragma once

#include "platform/wintypes.h"
#include "transfer/stop_check.h"
#include "transfer/transfer_result.h"

#include <string>
#include <vector>

struct MergeResult : TransferResult {
    DWORD written = 0;                 // messages in the output
    unsigned long long duplicates = 0; // messages left out as copies of earlier ones
    // Elements of the inputs that held no message (an XML file's <mms>), once all were read.
    unsigned long skipped = 0;
};

// Writes the messages of files, in order and each once, to out as a Unicode backup. out is
// written as "OUT.partial" and takes its name only when complete; on any other outcome no
// partial file stays and an earlier out is left as it was.
[[nodiscard]] MergeResult MergeFiles(const std::vector<std::u16string>& files,
                                     const std::u16string& out, const StopCheck& stop = {});
