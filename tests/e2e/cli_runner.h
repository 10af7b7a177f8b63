// Runs msgkeeper-cli as a person would and captures what it prints.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tool with these arguments; with a path in out, stdout goes there (for example
// /dev/full) and CliResult::out stays empty.
CliResult RunCli(const std::vector<std::string>& args, const std::string& out = "");
// The same with --device DIR in front.
CliResult RunCliOn(const std::filesystem::path& device, std::vector<std::string> args);
