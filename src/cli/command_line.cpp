#include "cli/command_line.h"

#include "cli/console.h"
#include "cli/folder_list.h"
#include "cli/output_format.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <iostream>
#include <numeric>
#include <vector>

namespace {

constexpr char kProgram[] = "msgkeeper-cli";

constexpr char kFooter[] =
    "Commands:\n"
    "  backup FORMAT FILE [--folders LIST]   restore [--dry-run] FILE   inspect FILE\n"
    "  convert FILE FORMAT OUT   salvage FILE OUT   merge FILE... OUT\n"
    "  archive [FILE...] DIR [--folders LIST]   device init [--demo]   device list\n"
    "  settings [--folders LIST]   help [COMMAND]\n"
    "FORMAT: usms (the Unicode backup that restores read), sms, txt-ansi, txt-utf8,\n"
    "        txt-unicode, csv-ansi, csv-utf8, xml (the phone XML backup), json (JSON Lines)\n"
    "The handset's folder: --device DIR, else $MSGKEEPER_DEVICE, else\n"
    "$XDG_DATA_HOME/msgkeeper/device. Every command takes --device DIR and -q, --quiet,\n"
    "before or after it. Exit status: 0 done, 1 failed, 2 usage error, 130 interrupted.\n"
    "'msgkeeper-cli COMMAND --help' describes one command.\n";

constexpr char kCommandFooter[] =
    "Every command takes --device DIR (the handset's folder) and -q, --quiet (print only\n"
    "errors), before or after it. Exit status: 0 done, 1 failed, 2 usage error, 130\n"
    "interrupted.\n";

const CLI::Validator kNotEmpty(
    [](const std::string& value) {
        return value.empty() ? std::string("must not be empty") : std::string();
    },
    "", "not empty");

const CLI::Validator kFormat(
    [](const std::string& value) {
        return IsOutputFormat(value)
                   ? std::string()
                   : "unknown format '" + value + "'; use " + std::string(kOutputFormatNames);
    },
    "", "format");

const CLI::Validator kFolderList(
    [](const std::string& value) {
        return ParseFolderList(value)
                   ? std::string()
                   : "'" + value + "' is not a folder list; use " + std::string(kFolderListHelp);
    },
    "", "folder list");

const std::function<bool(const CLI::App*)> kAll = [](const CLI::App*) { return true; };

// Edit distance, for suggesting the command that a misspelt one was meant to be.
std::size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), 0);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string Suggestion(const CLI::App& app, const std::string& word) {
    std::string best;
    std::size_t bestDistance = 3; // more edits than this is no typo
    for (const CLI::App* sub : app.get_subcommands(kAll)) {
        const std::size_t d = Distance(word, sub->get_name());
        if (d < bestDistance || (sub->get_name().rfind(word, 0) == 0 && !word.empty())) {
            best = sub->get_name();
            bestDistance = std::min(d, bestDistance);
        }
    }
    return best.empty() ? std::string() : "; did you mean '" + best + "'?";
}

// The deepest command that was recognised, for "see msgkeeper-cli backup --help".
const CLI::App* Selected(const CLI::App& app) {
    const CLI::App* at = &app;
    for (;;) {
        const std::vector<CLI::App*> subs = at->get_subcommands();
        if (subs.empty()) {
            return at;
        }
        at = subs.front();
    }
}

std::string CommandPath(const CLI::App* app) {
    std::string path;
    for (; app != nullptr; app = app->get_parent()) {
        path = app->get_name() + (path.empty() ? "" : " " + path);
    }
    return path;
}

std::string CommandNames(const CLI::App& app) {
    std::string names;
    for (const CLI::App* sub : app.get_subcommands(kAll)) {
        names += (names.empty() ? "" : ", ") + sub->get_name();
    }
    return names;
}

int UsageError(const CLI::App& app, const CLI::ParseError& error) {
    const CLI::App* at = Selected(app);
    const bool hasCommands = !at->get_subcommands(kAll).empty();
    const std::vector<std::string> extras = at->remaining();
    std::string problem = error.what();
    if (hasCommands && !extras.empty() && extras.front().rfind('-', 0) != 0) {
        problem = "unknown command '" + extras.front() + "'" + Suggestion(*at, extras.front());
    } else if (hasCommands && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
        problem = at == &app ? "no command given"
                             : "'" + at->get_name() + "' takes one of: " + CommandNames(*at);
    }
    std::replace(problem.begin(), problem.end(), '\n', ' ');
    console::Err(std::string(kProgram) + ": " + problem + " (see " + CommandPath(at) +
                 " --help)\n");
    return 2;
}

// merge's usage names its last argument, which its list of files holds.
class MergeFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* /*app*/, std::string name) const override {
        return get_label("Usage") + ": " + name + " [" + get_label("OPTIONS") + "] FILE... OUT\n";
    }
};

// archive's usage: files, then the folder; no file means the handset.
class ArchiveFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* /*app*/, std::string name) const override {
        return get_label("Usage") + ": " + name + " [" + get_label("OPTIONS") + "] [FILE...] DIR\n";
    }
};

// The options every command accepts, before or after it.
void AddGlobalOptions(CLI::App& app, Request& request) {
    app.add_option("--device", request.device, "the handset's folder")
        ->type_name("DIR")
        ->check(kNotEmpty);
    app.add_flag("-q,--quiet", request.quiet, "print only errors");
}

struct Parser {
    CLI::App app{
        "Backs up, exports and restores the SMS messages of the emulated handset, and "
        "reads, checks, salvages and converts backup files without one, and shows them as a web "
        "site.",
        kProgram};
    std::string format;
    std::string folders;
    std::string helpTopic;

    CLI::App* Command(const std::string& name, const std::string& description) {
        CLI::App* sub = app.add_subcommand(name, description);
        sub->fallthrough();
        sub->footer(kCommandFooter);
        return sub;
    }

    template <class Target>
    CLI::Option* File(CLI::App* sub, const std::string& name, Target& target,
                      const std::string& description) {
        return sub->add_option(name, target, description)->required()->check(kNotEmpty);
    }

    void Build(Request& request);
};

void Parser::Build(Request& request) {
    app.set_version_flag("-V,--version", std::string(kProgram) + " " + MSGKEEPER_VERSION,
                         "print the version and exit");
    app.set_help_flag("-h,--help", "print this help and exit");
    app.footer(kFooter);
    app.require_subcommand(1);
    AddGlobalOptions(app, request);

    CLI::App* backup = Command("backup", "back up or export the selected folders to FILE");
    backup->add_option("FORMAT", format, std::string("the file format: ") + kOutputFormatNames)
        ->required()
        ->check(kFormat);
    File(backup, "FILE", request.file, "the file to write");
    backup
        ->add_option("--folders", folders,
                     "the folders of this backup alone, as a list of " +
                         std::string(kFolderListHelp))
        ->type_name("LIST")
        ->check(kFolderList);

    CLI::App* restore =
        Command("restore", "restore a backup (.usms, phone XML or JSON Lines) into the handset");
    File(restore, "FILE", request.file, "the backup to restore");
    restore->add_flag("--dry-run", request.dryRun,
                      "check the file and the handset and count what a restore would add and "
                      "replace, writing nothing");

    File(Command("inspect", "check a backup (.usms, XML or JSON) and print every message in it"),
         "FILE", request.file, "the backup to read");

    CLI::App* convert =
        Command("convert", "write the messages of a backup (.usms, XML or JSON) in FORMAT");
    File(convert, "FILE", request.file, "the backup to read");
    convert->add_option("FORMAT", format, std::string("the format to write: ") + kOutputFormatNames)
        ->required()
        ->check(kFormat);
    File(convert, "OUT", request.out, "the file to write");

    CLI::App* salvage =
        Command("salvage", "keep what still reads of a damaged file (.usms, XML or JSON)");
    File(salvage, "FILE", request.file, "the damaged file");
    File(salvage, "OUT", request.out, "the new backup to write");

    // One list, split in Finish: CLI11 cannot end a list of positionals with another one when
    // options may follow them.
    CLI::App* merge = Command(
        "merge", "merge backups (.usms, XML or JSON) into one Unicode backup, each message once");
    merge->formatter(std::make_shared<MergeFormatter>());
    File(merge, "FILE", request.files,
         "the backups to merge, in order, then OUT, the Unicode backup to write");

    CLI::App* archive = Command(
        "archive", "write the messages of backups (.usms, XML or JSON), or of the handset, as a "
                   "web site to read in a browser");
    archive->formatter(std::make_shared<ArchiveFormatter>());
    File(archive, "DIR", request.files,
         "FILE..., the backups to show, each message once, then DIR, a new or empty folder for "
         "the site; DIR alone shows the handset's messages");
    archive
        ->add_option("--folders", folders,
                     "with no FILE: the handset's folders to show, as a list of " +
                         std::string(kFolderListHelp))
        ->type_name("LIST")
        ->check(kFolderList);

    CLI::App* device = Command("device", "set up or list the emulated handset");
    device->require_subcommand(1);
    CLI::App* init = device->add_subcommand("init", "set up an empty handset");
    init->fallthrough();
    init->add_flag("--demo", request.demo, "fill it with sample messages");
    device->add_subcommand("list", "print every folder of the handset with its messages")
        ->fallthrough();

    CLI::App* settings = Command("settings", "show the folders a backup takes, or save them");
    settings
        ->add_option("--folders", folders, "save this selection: " + std::string(kFolderListHelp))
        ->type_name("LIST")
        ->check(kFolderList);

    Command("help", "describe all commands, or one")
        ->add_option("COMMAND", helpTopic, "the command to describe");
}

// The command that was chosen, with the values the validators have checked.
std::optional<int> Finish(Parser& parser, Request& request) {
    CLI::App& app = parser.app;
    const CLI::App* chosen = Selected(app);
    const std::string name = chosen->get_name();
    if (name == "help") {
        const CLI::App* topic = nullptr;
        if (!parser.helpTopic.empty()) {
            try {
                topic = app.get_subcommand(parser.helpTopic);
            } catch (const CLI::OptionNotFound&) {
                console::Err(std::string(kProgram) + ": unknown command '" + parser.helpTopic +
                             "'" + Suggestion(app, parser.helpTopic) + " (see " + kProgram +
                             " --help)\n");
                return 2;
            }
        }
        // App::help would describe the selected command, which is help itself.
        console::Out(topic != nullptr ? topic->help(kProgram)
                                      : app.get_formatter()->make_help(&app, kProgram,
                                                                       CLI::AppFormatMode::Normal));
        return 0;
    }
    static const std::array<std::pair<const char*, Command>, 10> kNames = {{
        {"backup", Command::Backup},
        {"restore", Command::Restore},
        {"inspect", Command::Inspect},
        {"convert", Command::Convert},
        {"salvage", Command::Salvage},
        {"merge", Command::Merge},
        {"archive", Command::Archive},
        {"init", Command::DeviceInit},
        {"list", Command::DeviceList},
        {"settings", Command::Settings},
    }};
    for (const auto& [text, command] : kNames) {
        if (name == text) {
            request.command = command;
        }
    }
    if (request.command == Command::Merge) {
        if (request.files.size() < 2) {
            console::Err(std::string(kProgram) + ": OUT is required (see " + CommandPath(chosen) +
                         " --help)\n");
            return 2;
        }
        request.out = request.files.back();
        request.files.pop_back();
    }
    if (request.command == Command::Archive) {
        request.out = request.files.back();
        request.files.pop_back();
        if (!request.files.empty() && !parser.folders.empty()) {
            console::Err(std::string(kProgram) +
                         ": --folders chooses the handset's folders; it cannot go with FILE (see " +
                         CommandPath(chosen) + " --help)\n");
            return 2;
        }
    }
    if (!parser.format.empty()) {
        request.formatName = parser.format;
    }
    if (!parser.folders.empty()) {
        request.folders = ParseFolderList(parser.folders);
    }
    return std::nullopt;
}

} // namespace

std::optional<int> ParseCommandLine(int argc, char** argv, Request& request) {
    Parser parser;
    parser.Build(request);
    try {
        parser.app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        std::cout.flush();
        const int status = parser.app.exit(done, std::cout, std::cerr);
        std::cout.flush();
        return status;
    } catch (const CLI::ParseError& error) {
        return UsageError(parser.app, error);
    }
    return Finish(parser, request);
}
