#include "cli/host_reason.h"

#include "platform/device.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

bool HostOf(const std::u16string& file, std::filesystem::path& host) {
    return device::ToHostPath(file, host);
}

} // namespace

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
    std::filesystem::path inputHost;
    struct stat source {};
    if (input != nullptr && HostOf(*input, inputHost) && ::stat(inputHost.c_str(), &source) == 0 &&
        source.st_dev == info.st_dev && source.st_ino == info.st_ino) {
        return "is the input file";
    }
    if (!S_ISREG(info.st_mode)) {
        return "is not a regular file";
    }
    return {};
}
