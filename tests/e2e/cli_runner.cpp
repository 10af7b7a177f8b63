#include "cli_fixture.h"
#include "support/other_user.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

std::vector<std::string> Command(std::vector<std::string> head,
                                 const std::vector<std::string>& args) {
    head.insert(head.end(), args.begin(), args.end());
    return head;
}

// Starts argv (the tool, or a program that starts it) with stdin empty and stdout and stderr
// going to these files; -1 when it cannot.
pid_t Start(std::vector<std::string> all, const std::string& out, const std::string& err) {
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs argv and waits for it, with stdout and stderr captured.
CliResult Spawn(std::vector<std::string> all, const std::string& out = "") {
    const TempDir capture;
    const std::string stdoutPath = out.empty() ? (capture.path() / "out").string() : out;
    const std::string err = (capture.path() / "err").string();
    CliResult result;
    int status = 0;
    const pid_t pid = Start(std::move(all), stdoutPath, err);
    if (pid > 0 && waitpid(pid, &status, 0) == pid) {
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    result.out = out.empty() ? ReadHostFile(stdoutPath) : "";
    result.err = ReadHostFile(err);
    return result;
}

} // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& out) {
    return Spawn(Command({MSGKEEPER_CLI_PATH}, args), out);
}

CliResult RunCliLimited(std::uint64_t fileSize, const std::vector<std::string>& args) {
    // An ignored SIGXFSZ stays ignored across exec, so the write fails with EFBIG.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    CliResult result = Spawn(
        Command({"prlimit", "--fsize=" + std::to_string(fileSize), MSGKEEPER_CLI_PATH}, args));
    sigaction(SIGXFSZ, &previous, nullptr);
    return result;
}

pid_t StartCliOn(const std::filesystem::path& device, const std::vector<std::string>& args,
                 const std::filesystem::path& capture) {
    return Start(Command({MSGKEEPER_CLI_PATH, "--device", device.string()}, args),
                 (capture / "out").string(), (capture / "err").string());
}

CliResult RunCliOn(const std::filesystem::path& device, const std::vector<std::string>& args) {
    return RunCli(Command({"--device", device.string()}, args));
}

CliResult RunCliAsReader(const std::filesystem::path& device,
                         const std::vector<std::string>& args) {
    return Spawn(Command(ReaderCommand(), Command({MSGKEEPER_CLI_PATH, "--device", device}, args)));
}
