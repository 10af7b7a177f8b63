#include "cli_runner.h"

#include "support/other_user.h"
#include "support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// Runs argv (the tool, or a program that starts it) with stdin empty and stdout and stderr
// captured.
CliResult Spawn(std::vector<std::string> all, const std::string& out) {
    const TempDir capture;
    const std::string stdoutPath = out.empty() ? (capture.path() / "out").string() : out;
    const std::string err = (capture.path() / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    CliResult result;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = out.empty() ? ReadHostFile(stdoutPath) : "";
    result.err = ReadHostFile(err);
    return result;
}

} // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& out) {
    std::vector<std::string> all = {MSGKEEPER_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    return Spawn(std::move(all), out);
}

CliResult RunCliLimited(std::uint64_t fileSize, const std::vector<std::string>& args) {
    // An ignored SIGXFSZ stays ignored across exec, so the write fails with EFBIG.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    std::vector<std::string> all = {"prlimit", "--fsize=" + std::to_string(fileSize),
                                    MSGKEEPER_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    CliResult result = Spawn(std::move(all), "");
    sigaction(SIGXFSZ, &previous, nullptr);
    return result;
}

pid_t StartCliOn(const std::filesystem::path& device, const std::vector<std::string>& args,
                 const std::filesystem::path& capture) {
    std::vector<std::string> all = {MSGKEEPER_CLI_PATH, "--device", device.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const std::string out = (capture / "out").string();
    const std::string err = (capture / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

CliResult RunCliOn(const std::filesystem::path& device, std::vector<std::string> args) {
    args.insert(args.begin(), {"--device", device.string()});
    return RunCli(args);
}

CliResult RunCliAsReader(const std::filesystem::path& device, std::vector<std::string> args) {
    std::vector<std::string> all = ReaderCommand();
    all.insert(all.end(), {MSGKEEPER_CLI_PATH, "--device", device.string()});
    all.insert(all.end(), args.begin(), args.end());
    return Spawn(std::move(all), "");
}
