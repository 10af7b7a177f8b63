#include "cli/host_reason.h"

#include "platform/device.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

bool HostOf(const std::u16string& file, std::filesystem::path& host) {
    return device::ToHostPath(file, host);
}

} // namespace

bool IsSameFile(const std::u16string& one, const std::u16string& other) {
    std::filesystem::path first;
    std::filesystem::path second;
    struct stat a {};
    struct stat b {};
    return HostOf(one, first) && HostOf(other, second) && ::stat(first.c_str(), &a) == 0 &&
           ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string HostReason(const std::u16string& file, const std::u16string* input) {
    std::filesystem::path host;
    if (!HostOf(file, host)) {
        return {};
    }
    struct stat info {};
    if (::stat(host.c_str(), &info) != 0) {
        const std::filesystem::path folder = host.parent_path();
        struct stat parent {};
        return !folder.empty() && ::stat(folder.c_str(), &parent) != 0
                   ? "is in a folder that does not exist"
                   : "";
    }
    if (S_ISDIR(info.st_mode)) {
        return "is a folder";
    }
    if (input != nullptr && IsSameFile(file, *input)) {
        return "is the input file";
    }
    if (!S_ISREG(info.st_mode)) {
        return "is not a regular file";
    }
    return {};
}
