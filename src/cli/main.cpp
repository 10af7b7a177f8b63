// msgkeeper-cli: backups, exports and restores against the emulated handset, and backup files
// read and converted without one.
#include "app/format_kind.h"
#include "app/launch.h"
#include "cli/cli_front_end.h"
#include "cli/console.h"
#include "cli/device_commands.h"
#include "cli/file_commands.h"
#include "files/file_access.h"
#include "files/unicode_backup_file.h"
#include "interchange/file_kind.h"
#include "platform/device.h"
#include "platform/module.h"
#include "platform/utf.h"
#include "resources/string_table.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr char kUsage[] = "usage: msgkeeper-cli [--device DIR] backup FORMAT FILE\n"
                          "       msgkeeper-cli [--device DIR] restore FILE\n"
                          "       msgkeeper-cli inspect FILE\n"
                          "       msgkeeper-cli convert FILE FORMAT OUT\n"
                          "       msgkeeper-cli [--device DIR] device init [--demo]\n"
                          "       msgkeeper-cli [--device DIR] device list\n"
                          "       msgkeeper-cli [--device DIR] settings [--folders LIST]\n";

constexpr char kHelp[] =
    "\n"
    "  backup FORMAT FILE  back up or export the selected folders of the handset to FILE\n"
    "  restore FILE        restore a backup (.usms, phone XML or JSON Lines) into the\n"
    "                      handset's store\n"
    "  inspect FILE        check a backup of any of these kinds and print every message\n"
    "  convert FILE FORMAT OUT\n"
    "                      write the messages of a backup to OUT in FORMAT (also xml, json)\n"
    "  device init [--demo]\n"
    "                      set up an empty handset (--demo: fill it with sample messages)\n"
    "  device list         print every folder of the handset with its messages\n"
    "  settings [--folders LIST]\n"
    "                      show the folders a backup takes, or set them: a comma list of\n"
    "                      Draft, Inbox, Outbox, Sentedbox, Wastebox, or none\n"
    "\n"
    "FORMAT: usms, sms, txt-ansi, txt-utf8, txt-unicode, csv-ansi, csv-utf8\n"
    "        (convert also writes xml, the phone XML backup, and json, JSON Lines)\n"
    "--device DIR: the handset's folder (default: $MSGKEEPER_DEVICE, or\n"
    "              $XDG_DATA_HOME/msgkeeper/device)\n";

int Usage(const std::string& problem) {
    console::Err("msgkeeper-cli: " + problem + " (see msgkeeper-cli --help)\n");
    return 2;
}

std::u16string HostPath(const std::string& path) {
    return utf::Utf16(path);
}

int RunJob(bool backup, FormatKind kind, const std::string& file) {
    if (!RequireDevice()) {
        return 1;
    }
    CliFrontEnd frontEnd(HostPath(file));
    if (backup) {
        OwnedFormat owned(kind);
        LaunchBackup(owned.format(), FilterOf(kind), frontEnd);
    } else {
        // A Unicode backup, a phone XML backup or a JSON Lines file, told apart by content.
        const std::unique_ptr<BackupFile> reader = MakeReader(DetectFileKind(HostPath(file)));
        LaunchRestore(*reader, kRestorePattern, frontEnd);
    }
    const unsigned done = backup ? resources::kIdsBackupCompleted : resources::kIdsRestoreCompleted;
    return frontEnd.result() == ResourceString(done) ? 0 : 1;
}

int Dispatch(const std::vector<std::string>& args) {
    const std::string& command = args[0];
    const std::size_t count = args.size() - 1;
    if (command == "backup") {
        if (count != 2) {
            return Usage("backup takes FORMAT and FILE");
        }
        const auto kind = FormatKindFromName(args[1]);
        return kind ? RunJob(true, *kind, args[2]) : Usage("unknown format '" + args[1] + "'");
    }
    if (command == "restore") {
        return count == 1 ? RunJob(false, FormatKind::Usms, args[1]) : Usage("restore takes FILE");
    }
    if (command == "inspect") {
        return count == 1 ? InspectBackup(HostPath(args[1])) : Usage("inspect takes FILE");
    }
    if (command == "convert") {
        if (count != 3) {
            return Usage("convert takes FILE, FORMAT and OUT");
        }
        return IsConvertFormat(args[2])
                   ? ConvertBackup(HostPath(args[1]), args[2], HostPath(args[3]))
                   : Usage("unknown format '" + args[2] + "'");
    }
    if (command == "device") {
        if (count == 1 && args[1] == "list") {
            return DeviceList();
        }
        if (count >= 1 && args[1] == "init" &&
            (count == 1 || (count == 2 && args[2] == "--demo"))) {
            return DeviceInit(count == 2);
        }
        return Usage("device takes 'init [--demo]' or 'list'");
    }
    if (command == "settings") {
        if (count == 0) {
            return Settings(nullptr);
        }
        return count == 2 && args[1] == "--folders" ? Settings(&args[2])
                                                    : Usage("settings takes [--folders LIST]");
    }
    return Usage("unknown command '" + command + "'");
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        console::Out(std::string(kUsage) + kHelp);
        return 0;
    }
    if (!args.empty() && args[0] == "--device") {
        if (args.size() < 2) {
            return Usage("--device takes a folder");
        }
        device::SetFolder(std::filesystem::absolute(args[1]));
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        return Usage("no command given");
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const int status = Dispatch(args);
    CoUninitialize();
    return status;
}
