// The command line of msgkeeper-cli, parsed with CLI11: the commands, their arguments and the
// options that may stand before or after the command.
#pragma once

#include "app/folder_selection.h"

#include <optional>
#include <string>
#include <vector>

enum class Command {
    Backup,
    Restore,
    Inspect,
    Convert,
    Salvage,
    Merge,
    Archive,
    DeviceInit,
    DeviceList,
    Settings,
};

struct Request {
    Command command = Command::Inspect;
    std::optional<std::string> device; // --device DIR
    bool quiet = false;
    std::string formatName; // as given; IsOutputFormat holds for it
    std::string file;
    std::string out;
    std::vector<std::string> files;         // merge's and archive's inputs, in order
    std::optional<FolderSelection> folders; // --folders LIST
    bool dryRun = false;
    bool demo = false;
};

// Fills the request, or answers the command line itself (help, version, a usage error on one
// line) and returns the exit code: 0 after help or version, 2 after a usage error.
[[nodiscard]] std::optional<int> ParseCommandLine(int argc, char** argv, Request& request);
