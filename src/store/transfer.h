// What the store's backup walk and restore need of a running job: the file format that reads or
// writes the records, the counters that a progress display polls, and the text of the outcome.
// The jobs own these and lend them for the length of the work.
#pragma once

#include "files/backup_file.h"
#include "platform/wintypes.h"

#include <atomic>
#include <string>

struct Transfer {
    BackupFile& format;
    std::atomic<DWORD>& current;
    std::atomic<DWORD>& total;
    std::u16string& resultText;
};
