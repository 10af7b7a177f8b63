// The commands that run a job on the handset: backup, restore and the dry-run restore. The
// job's own result text is printed unchanged, on success followed by what was done.
#pragma once

#include "app/folder_selection.h"

#include <optional>
#include <string>
#include <string_view>

struct JobOptions {
    std::string file;
    bool quiet = false;
};

// formatName is one that IsOutputFormat takes: a backup or export kind of the window's menu, or
// xml or json, written through the same job.
int BackupCommand(const JobOptions& options, std::string_view formatName,
                  const std::optional<FolderSelection>& folders);
int RestoreCommand(const JobOptions& options);
// Prints "Dry run: A to add, R to replace." or the text the restore would stop with.
int DryRunCommand(const JobOptions& options);
