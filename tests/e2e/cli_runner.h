// Runs msgkeeper-cli as a person would and captures what it prints.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

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
CliResult RunCliOn(const std::filesystem::path& device, std::vector<std::string> args);
// As RunCliOn, run by the tests' reader (support/other_user.h): nobody when this is root.
CliResult RunCliAsReader(const std::filesystem::path& device, std::vector<std::string> args);
