// The last steps of writing a file record by record, shared by convert, merge and salvage.
#pragma once

#include "files/backup_file.h"

#include <string>

// Writes the validation after records that were all written (ok), and closes the file in any
// case: the file layer gives it its name only when it was marked complete, and removes it
// otherwise. A close that fails turns a success into a failure with its text; when ok is false,
// error keeps the caller's text.
[[nodiscard]] bool FinishWriting(BackupFile& format, HANDLE handle, bool ok, std::u16string& error);
