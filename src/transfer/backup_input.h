// Reading a backup file of any kind as a restore reads it, for the commands that are no restore:
// open and check it, take one record, and word a failure for them.
#pragma once

#include "files/backup_file.h"
#include "model/memory_record.h"

#include <string>

// Opens a backup and checks it and its total, as a restore does first; closes it on failure,
// with the format's own text in error, which ReadFailureText rewords for a command.
[[nodiscard]] bool OpenBackup(BackupFile& backup, const std::u16string& file, DWORD& total,
                              std::u16string& error);

// Record number of an opened backup, with "No.n:" before a failure's text.
[[nodiscard]] bool ReadOne(BackupFile& backup, DWORD number, MemoryRecord& record,
                           std::u16string& error);

// A failure to open or check file in words that fit a command that is no restore: "cannot open
// the file, ...", and after "File Validation Failed." what the file looks like.
std::u16string ReadFailureText(const std::u16string& file, const std::u16string& error);
