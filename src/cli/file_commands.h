// Commands on backup files that need no handset: inspect and convert.
#pragma once

#include "app/format_kind.h"

#include <string>

// Validates a Unicode backup and prints its total and every record; 0 when the whole file is
// valid, else 1 with the error text on stderr.
int InspectBackup(const std::u16string& file);

// Reads a Unicode backup record by record and writes it in another format; 0 on success.
int ConvertBackup(const std::u16string& file, FormatKind kind, const std::u16string& out);
