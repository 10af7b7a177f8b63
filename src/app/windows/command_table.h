// What each command of the main window does: the backup and export commands with the kind of
// file they write, the restore commands, Settings and Exit.
#pragma once

#include "app/owned_format.h"

#include <span>

class JobFrontEnd;

enum class CommandAction { Backup, Restore, Settings, Exit };

struct CommandEntry {
    unsigned id;
    CommandAction action;
    FormatKind kind; // the file a backup writes or a restore reads
};

// Every command of the menu, the soft keys and the two buttons' commands.
std::span<const CommandEntry> CommandTable();
// The entry of a command; nullptr for a command that no handler takes.
const CommandEntry* FindCommand(unsigned id);

// Builds the entry's format (and encoder), runs its backup or restore to the acknowledged
// result and destroys the format again.
void RunFileCommand(const CommandEntry& entry, JobFrontEnd& frontEnd);
