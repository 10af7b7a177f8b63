// msgkeeper-cli: backups, exports, archives and restores against the emulated handset, and
// backup files read, salvaged, converted, merged and archived as a web site without one.
#include "cli/command_line.h"
#include "cli/console.h"
#include "cli/device_commands.h"
#include "cli/file_commands.h"
#include "cli/job_commands.h"
#include "platform/device.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/resources.h"
#include "platform/utf.h"
#include "resources/string_table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>

namespace {

// Arguments are the host's bytes; names that are not valid UTF-8 must still reach the file.
std::u16string HostPath(const std::string& path) {
    return utf::FromHostBytes(path);
}

// Every command in one place: the request names it and carries its arguments.
int Dispatch(const Request& request) {
    const JobOptions job{request.file, request.quiet};
    switch (request.command) {
    case Command::Backup:
        return BackupCommand(job, request.formatName, request.folders);
    case Command::Restore:
        return request.dryRun ? DryRunCommand(job) : RestoreCommand(job);
    case Command::Inspect:
        return InspectBackup(HostPath(request.file));
    case Command::Convert:
        return ConvertBackup(HostPath(request.file), request.formatName, HostPath(request.out));
    case Command::Salvage:
        return SalvageBackup(HostPath(request.file), HostPath(request.out), request.quiet);
    case Command::Merge: {
        std::vector<std::u16string> files;
        std::transform(request.files.begin(), request.files.end(), std::back_inserter(files),
                       &HostPath);
        return MergeBackups(files, HostPath(request.out), request.quiet);
    }
    case Command::Archive: {
        if (request.files.empty()) {
            return ArchiveCommand(JobOptions{request.out, request.quiet}, request.folders);
        }
        std::vector<std::u16string> files;
        std::transform(request.files.begin(), request.files.end(), std::back_inserter(files),
                       &HostPath);
        return ArchiveBackups(files, HostPath(request.out), request.quiet);
    }
    case Command::DeviceInit:
        return DeviceInit(request.demo);
    case Command::DeviceList:
        return DeviceList();
    case Command::Settings:
        return Settings(request.folders ? &*request.folders : nullptr);
    }
    return 2;
}

// Output that did not reach stdout turns any result into a failure.
int FinishOutput(int status) {
    if (console::FinishOut()) {
        return status;
    }
    console::Err(std::string("msgkeeper-cli: cannot write to standard output: ") +
                 std::strerror(errno) + "\n");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    RegisterStringTable(resources::StringTable());
    Request request;
    if (const std::optional<int> answered = ParseCommandLine(argc, argv, request)) {
        return FinishOutput(*answered);
    }
    if (request.device) {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::absolute(*request.device, error);
        if (error) {
            console::Err("msgkeeper-cli: --device " + *request.device + ": " + error.message() +
                         "\n");
            return 2;
        }
        device::SetFolder(folder);
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const int status = Dispatch(request);
    // What did not make the command fail but should be heard of.
    for (const std::string& warning : TakeFileWarnings()) {
        console::Err("msgkeeper-cli: warning: " + warning + "\n");
    }
    CoUninitialize();
    return FinishOutput(status);
}
