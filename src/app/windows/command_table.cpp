#include "app/windows/command_table.h"

#include "app/launch.h"
#include "resources/resource_ids.h"

using namespace resources;

namespace {

constexpr CommandEntry kCommands[] = {
    {kCmdBackupAnsi, CommandAction::Backup, FormatKind::Sms},
    {kCmdBackupUnicode, CommandAction::Backup, FormatKind::Usms},
    {kCmdTextAnsi, CommandAction::Backup, FormatKind::TextAnsi},
    {kCmdTextUtf8, CommandAction::Backup, FormatKind::TextUtf8},
    {kCmdTextUnicode, CommandAction::Backup, FormatKind::TextUnicode},
    {kCmdCsvAnsi, CommandAction::Backup, FormatKind::CsvAnsi},
    {kCmdCsvUtf8, CommandAction::Backup, FormatKind::CsvUtf8},
    // Both restore entries read Unicode backups; ANSI backups are never read back.
    {kCmdRestoreSms, CommandAction::Restore, FormatKind::Usms},
    {kCmdRestoreUnicode, CommandAction::Restore, FormatKind::Usms},
    {kCmdSettings, CommandAction::Settings, FormatKind::Usms},
    {kCmdExit, CommandAction::Exit, FormatKind::Usms},
};

} // namespace

std::span<const CommandEntry> CommandTable() {
    return kCommands;
}

const CommandEntry* FindCommand(unsigned id) {
    for (const CommandEntry& entry : kCommands) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

void RunFileCommand(const CommandEntry& entry, JobFrontEnd& frontEnd) {
    OwnedFormat owned(entry.kind);
    if (entry.action == CommandAction::Backup) {
        LaunchBackup(owned.format(), FilterOf(entry.kind), frontEnd);
    } else if (entry.action == CommandAction::Restore) {
        LaunchRestore(owned.format(), kRestorePattern, frontEnd);
    }
}
