// Commands on backup files that need no handset: inspect, convert and salvage. Failures are
// reported on stderr with the file they concern.
#pragma once

#include "app/format_kind.h"

#include <string>

// Validates a Unicode backup and prints its total and every record; 0 when the whole file is
// valid, else 1.
int InspectBackup(const std::u16string& file);

// Reads a Unicode backup record by record and writes it in another format; 0 on success.
int ConvertBackup(const std::u16string& file, FormatKind kind, const std::u16string& out);

// Writes every record of a damaged Unicode backup that still reads whole to a new, valid one
// and reports how many and where reading stopped; 0 when the new file was written.
int SalvageBackup(const std::u16string& file, const std::u16string& out, bool quiet);
