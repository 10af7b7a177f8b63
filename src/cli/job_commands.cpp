#include "cli/job_commands.h"

#include "app/dry_run.h"
#include "app/launch.h"
#include "archive/archive_sink.h"
#include "cli/cli_front_end.h"
#include "cli/console.h"
#include "cli/device_commands.h"
#include "cli/file_commands.h"
#include "cli/folder_list.h"
#include "cli/host_reason.h"
#include "cli/interrupt.h"
#include "cli/other_kind.h"
#include "cli/output_format.h"
#include "cli/salvage_hint.h"
#include "files/file_access.h"
#include "interchange/file_sniffer.h"
#include "interchange/streamed_backup_file.h"
#include "platform/device.h"
#include "platform/utf.h"
#include "resources/string_table.h"

#include <filesystem>

namespace {

std::u16string HostPath(const std::string& path) {
    return utf::FromHostBytes(path);
}

// The file as the user can find it again: absolute, as the host names it.
std::string Shown(const std::string& file) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    return error ? file : absolute.lexically_normal().string();
}

std::string Count(unsigned long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool IsStoreFailure(const std::u16string& result) {
    return result == ResourceString(resources::kIdsAccountInitFailed);
}

// The stderr line that names what a failed job concerns, with what the file looks like when it
// was refused as a backup.
void ReportFailure(const std::u16string& result, const std::string& what, const std::string& file) {
    if (IsStoreFailure(result)) {
        console::Err("msgkeeper-cli: the handset at " + device::Folder().string() +
                     " has no usable message store\n");
        return;
    }
    std::string line = "msgkeeper-cli: " + what + " " + Shown(file) + " failed";
    if (const std::string reason = HostReason(HostPath(file)); !reason.empty()) {
        line += ": " + Shown(file) + " " + reason;
    } else if (result == ResourceString(resources::kIdsValidationFailed)) {
        line += ". " + NotABackupHint(SniffFile(HostPath(file)));
    }
    console::Err(line + "\n");
}

// After a restore's failure at a record: what stays in the store, and what to do next.
void ReportRestored(const LaunchResult& result, const std::u16string& text,
                    const std::string& file) {
    if (result.storeError == MAPI_E_NOT_ENOUGH_DISK) {
        console::Err("msgkeeper-cli: the handset's disk is full; free space in " +
                     device::Folder().string() + " and run the restore again\n");
    }
    if (!text.starts_with(u"No.") || result.handled == 0) {
        return;
    }
    std::string line = "msgkeeper-cli: " + interrupt::Grouped(result.handled - 1) + " of " +
                       interrupt::Grouped(result.total) +
                       " messages were restored before the failing one";
    if (IsDamagedFileText(text)) {
        line += "; the file is damaged there: 'msgkeeper-cli salvage " + Shown(file) +
                " OUT' keeps every message that reads";
    }
    console::Err(line + "\n");
}

} // namespace

int BackupCommand(const JobOptions& options, std::string_view formatName,
                  const std::optional<FolderSelection>& folders) {
    if (!RequireDevice()) {
        return 1;
    }
    FolderSelection used;
    if (folders) {
        used = *folders;
    } else {
        LoadFolderSelection(used); // what the job will load; creates a missing settings.dat
    }
    const int folderCount = SelectedCount(used);
    if (folderCount == 0 && !options.quiet) {
        console::Err("msgkeeper-cli: no folder is selected, so the file will hold no messages; "
                     "choose them with --folders LIST or 'msgkeeper-cli settings --folders "
                     "LIST'\n");
    }
    CliFrontEnd frontEnd(HostPath(options.file), options.quiet);
    OutputFormat owned(formatName);
    const interrupt::StoppableOutput output(HostPath(options.file));
    const LaunchResult result =
        LaunchBackup(owned.format(), owned.filter(), frontEnd, folders ? &used : nullptr);
    if (result.stopped) {
        return output.Stopped("Backup", Shown(options.file));
    }
    if (!result.completed) {
        console::Out(frontEnd.result() + u"\n");
        ReportFailure(frontEnd.result(), "backup to", options.file);
        return 1;
    }
    // A backup that could not read every message it counted is not a success for a script.
    const bool whole = result.handled >= result.total;
    if (!options.quiet || !whole) {
        console::Out(frontEnd.result() + u" " +
                     utf::Utf16(Count(frontEnd.current(), "message", "messages") + " from " +
                                Count(static_cast<unsigned>(folderCount), "folder", "folders") +
                                " to ") +
                     HostPath(Shown(options.file)) + u"\n");
    }
    return whole ? 0 : 1;
}

int RestoreCommand(const JobOptions& options) {
    if (!RequireDevice() || RefuseFileOfOtherKind(HostPath(options.file))) {
        return 1;
    }
    CliFrontEnd frontEnd(HostPath(options.file), options.quiet);
    // A Unicode backup, a phone XML backup or a JSON Lines file, told apart by content.
    const std::unique_ptr<BackupFile> reader = MakeReader(SniffFile(HostPath(options.file)));
    interrupt::InstallHandlers();
    const LaunchResult result = LaunchRestore(*reader, kRestorePattern, frontEnd);
    if (result.stopped) {
        console::Out("Restore interrupted: " + interrupt::Grouped(result.handled) + " of " +
                     interrupt::Grouped(result.total) +
                     " messages restored. Run it again to restore the rest; messages already "
                     "restored are replaced, not doubled.\n");
        return interrupt::ExitStatus();
    }
    if (!result.completed) {
        console::Out(frontEnd.result() + u"\n");
        ReportFailure(frontEnd.result(), "restore from", options.file);
        ReportRestored(result, frontEnd.result(), options.file);
        SuggestSalvage(frontEnd.result(), HostPath(options.file));
        return 1;
    }
    if (!options.quiet) {
        console::Out(frontEnd.result() + u" " +
                     utf::Utf16(Count(frontEnd.total(), "message", "messages") + " from ") +
                     HostPath(Shown(options.file)) + u"\n");
    }
    if (const auto* streamed = dynamic_cast<const StreamedBackupFile*>(reader.get())) {
        console::Err(streamed->LeftOutNote());
    }
    return 0;
}

int DryRunCommand(const JobOptions& options) {
    if (!RequireDevice() || RefuseFileOfOtherKind(HostPath(options.file))) {
        return 1;
    }
    const std::unique_ptr<BackupFile> reader = MakeReader(SniffFile(HostPath(options.file)));
    const DryRunOutcome outcome = DryRunRestore(*reader, HostPath(options.file));
    if (!outcome.ok) {
        console::Out(outcome.text + u"\n");
        ReportFailure(outcome.text, "dry run of", options.file);
        SuggestSalvage(outcome.text, HostPath(options.file));
        return 1;
    }
    console::Out("Dry run: " + std::to_string(outcome.toAdd) + " to add, " +
                 std::to_string(outcome.toReplace) + " to replace.\n");
    return 0;
}

int ArchiveCommand(const JobOptions& options, const std::optional<FolderSelection>& folders) {
    if (!RequireDevice()) {
        return 1;
    }
    CliFrontEnd frontEnd(HostPath(options.file), options.quiet);
    archive::ArchiveSink sink(&interrupt::Requested);
    const interrupt::StoppableOutput output(HostPath(options.file));
    const LaunchResult result =
        LaunchBackup(sink, u"Web archive|*", frontEnd, folders ? &*folders : nullptr);
    if (result.stopped || sink.stopped()) {
        return output.Stopped("Archive", Shown(options.file));
    }
    if (!result.completed) {
        // The archive's own texts name the folder and what to do; a file's reasons do not fit.
        if (IsStoreFailure(frontEnd.result())) {
            ReportFailure(frontEnd.result(), "archive to", options.file);
        } else {
            console::Err(u"msgkeeper-cli: " + frontEnd.result() + u"\n");
        }
        return 1;
    }
    if (!options.quiet) {
        console::Out(
            ArchivedText(Shown(options.file), sink.counts().messages, sink.counts().conversations));
    }
    return 0;
}
