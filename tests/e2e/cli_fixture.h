// The command-line tool's tests share this: msgkeeper-cli run as a person would, a matcher for
// what a run printed, a demo handset and an empty one in a fresh folder, and ways to make and
// read back the files they give it.
#pragma once

#include "files/unicode_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/other_user.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;
using ::testing::_;
using ::testing::AllOf;
using ::testing::AnyOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using Text = ::testing::Matcher<const std::string&>;

extern char** environ;

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::vector<std::string> Command(std::vector<std::string> head,
                                        const std::vector<std::string>& args) {
    head.insert(head.end(), args.begin(), args.end());
    return head;
}

// Starts argv (the tool, or a program that starts it) with stdin empty and stdout and stderr
// going to these files; -1 when it cannot.
inline pid_t Start(std::vector<std::string> all, const std::string& out, const std::string& err) {
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
    const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return started ? pid : -1;
}

// Runs argv and waits for it, with stdout and stderr captured.
inline CliResult Spawn(std::vector<std::string> all, const std::string& out = "") {
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

// Runs the tool with these arguments; with a path in out, stdout goes there (for example
// /dev/full) and CliResult::out stays empty.
inline CliResult RunCli(const std::vector<std::string>& args, const std::string& out = "") {
    return Spawn(Command({MSGKEEPER_CLI_PATH}, args), out);
}

// The same with every file the tool writes limited to fileSize bytes, as on a disk that fills
// there: a write past it fails with "file too large" instead of stopping the process. The shell
// ignores SIGXFSZ, which stays ignored across exec, so the write fails with EFBIG.
inline CliResult RunCliLimited(std::uint64_t fileSize, const std::vector<std::string>& args) {
    return Spawn(Command({"sh", "-c", "trap '' XFSZ; exec \"$@\"", "sh", "prlimit",
                          "--fsize=" + std::to_string(fileSize), MSGKEEPER_CLI_PATH},
                         args));
}

// Runs the tool with --device DIR in front.
inline CliResult RunCliOn(const std::filesystem::path& device,
                          const std::vector<std::string>& args) {
    return RunCli(Command({"--device", device.string()}, args));
}

// As RunCliOn, run by the tests' reader (support/other_user.h): nobody when this is root.
inline CliResult RunCliAsReader(const std::filesystem::path& device,
                                const std::vector<std::string>& args) {
    return Spawn(Command(ReaderCommand(), Command({MSGKEEPER_CLI_PATH, "--device", device}, args)));
}

inline void PrintTo(const CliResult& r, std::ostream* os) {
    *os << "status " << r.status << ", stdout \"" << r.out << "\", stderr \"" << r.err << '"';
}

// A run that ended with this status and printed what out and err match (a string matches
// exactly itself).
inline ::testing::Matcher<const CliResult&> Ran(::testing::Matcher<int> status, Text out = _,
                                                Text err = _) {
    return AllOf(::testing::Field("status", &CliResult::status, status),
                 ::testing::Field("stdout", &CliResult::out, out),
                 ::testing::Field("stderr", &CliResult::err, err));
}

// Every file of a folder with its bytes.
inline std::map<fs::path, std::string> Snapshot(const fs::path& folder) {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path()] = ReadHostFile(entry.path());
        }
    }
    return files;
}

// A demo handset and an empty one in a fresh folder.
class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_THAT(RunCliOn(demo(), {"device", "init", "--demo"}), Ran(0));
        ASSERT_THAT(RunCliOn(empty(), {"device", "init"}), Ran(0));
    }
    fs::path demo() const { return dir_.path() / "demo"; }
    fs::path empty() const { return dir_.path() / "empty"; }
    std::string file(const std::string& name) const { return (dir_.path() / name).string(); }
    std::string backup(const fs::path& device, const std::string& format, const std::string& name,
                       const std::string& folders = "draft,inbox,outbox,sentedbox,wastebox") {
        EXPECT_THAT(RunCliOn(device, {"backup", format, file(name), "--folders=" + folders}),
                    Ran(0));
        return ReadHostFile(file(name));
    }
    // A Unicode backup made without the tool, of count copies of the worked example (110 bytes a
    // record), each changed by change(copy, its index) where given.
    std::string backup(const std::string& name, int count,
                       const std::function<void(MemoryRecord&, int)>& change = nullptr) {
        std::vector<MemoryRecord> messages;
        for (int i = 0; i < count; ++i) {
            messages.push_back(WorkedExampleMessage());
            if (change) {
                change(messages.back(), i);
            }
        }
        UnicodeBackupFile format;
        EXPECT_TRUE(WriteBackupOf(format, utf::Utf16(file(name)), messages).ok);
        return ReadHostFile(file(name));
    }

    TempDir dir_;
};
