#include "cli_runner.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// Runs the tool with stdout sent to out, which is read back when it is a file of the capture
// folder.
CliResult Run(const TempDir& capture, const std::string& out,
              const std::vector<std::string>& args) {
    const std::string err = (capture.path() / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> all = {MSGKEEPER_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    CliResult result;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (out.rfind(capture.path().string(), 0) == 0) {
        result.out = ReadHostFile(out);
    }
    result.err = ReadHostFile(err);
    return result;
}

} // namespace

CliResult RunCli(const std::vector<std::string>& args) {
    const TempDir capture;
    return Run(capture, (capture.path() / "out").string(), args);
}

CliResult RunCliTo(const std::string& out, const std::vector<std::string>& args) {
    const TempDir capture;
    return Run(capture, out, args);
}

CliResult RunCliOn(const std::filesystem::path& device, std::vector<std::string> args) {
    args.insert(args.begin(), {"--device", device.string()});
    return RunCli(args);
}
