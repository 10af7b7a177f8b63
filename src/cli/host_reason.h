// Why the host refuses a file that a command names, in plain words for the line that follows a
// job's own text: the job's texts are the handset's, which say "Access is denied." of a folder.
#pragma once

#include <string>

// "is a folder", "is not a regular file", "is the input file" (when input names the same
// file), "is in a folder that does not exist", or empty when nothing is plainly wrong. file and
// input are as the command line gave them: host paths, or device paths beginning with '\'.
std::string HostReason(const std::u16string& file, const std::u16string* input = nullptr);
// True when both name one existing file, by whatever path.
[[nodiscard]] bool IsSameFile(const std::u16string& one, const std::u16string& other);
