// The commands that run a job on the handset: backup, restore and the dry-run restore. The
// job's own result text is printed unchanged, on success followed by what was done.
#pragma once

#include "app/folder_selection.h"
#include "app/format_kind.h"

#include <optional>
#include <string>

struct JobOptions {
    std::string file;
    bool quiet = false;
};

int BackupCommand(const JobOptions& options, FormatKind kind,
                  const std::optional<FolderSelection>& folders);
int RestoreCommand(const JobOptions& options);
// Prints "Dry run: A to add, R to replace." or the text the restore would stop with.
int DryRunCommand(const JobOptions& options);
