// The commands that run a job on the handset: backup, archive, restore and the dry-run restore.
// The job's own result text is printed unchanged, on success followed by what was done.
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

// Writes the messages of the handset's selected folders (or of folders) as a web site in the new
// or empty folder options.file, through the backup job.
int ArchiveCommand(const JobOptions& options, const std::optional<FolderSelection>& folders);
