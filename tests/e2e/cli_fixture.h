// The command-line tool's tests share this: msgkeeper-cli run as a person would (cli_runner.cpp),
// a matcher for what a run printed, a demo handset and an empty one in a fresh folder, and ways to
// make and read back the files they give it.
#pragma once

#include "files/unicode_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <sys/types.h>
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

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tool with these arguments; with a path in out, stdout goes there (for example
// /dev/full) and CliResult::out stays empty.
CliResult RunCli(const std::vector<std::string>& args, const std::string& out = "");
// The same with every file the tool writes limited to fileSize bytes, as on a disk that fills
// there: a write past it fails with "file too large" instead of stopping the process.
CliResult RunCliLimited(std::uint64_t fileSize, const std::vector<std::string>& args);
// Starts the tool with --device DIR in front, stdout and stderr going to files in capture; the
// caller waits for the returned process.
pid_t StartCliOn(const std::filesystem::path& device, const std::vector<std::string>& args,
                 const std::filesystem::path& capture);
// The same with --device DIR in front.
CliResult RunCliOn(const std::filesystem::path& device, const std::vector<std::string>& args);
// As RunCliOn, run by the tests' reader (support/other_user.h): nobody when this is root.
CliResult RunCliAsReader(const std::filesystem::path& device, const std::vector<std::string>& args);

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
        EXPECT_TRUE(RunBackup(format, utf::Utf16(file(name)), messages).ok);
        return ReadHostFile(file(name));
    }

    TempDir dir_;
};
