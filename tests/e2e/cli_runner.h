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

CliResult RunCli(const std::vector<std::string>& args);
// The same with stdout written to out (for example /dev/full); CliResult::out stays empty.
CliResult RunCliTo(const std::string& out, const std::vector<std::string>& args);
// The same with --device DIR in front.
CliResult RunCliOn(const std::filesystem::path& device, std::vector<std::string> args);
