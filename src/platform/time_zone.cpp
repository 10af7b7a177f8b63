#include "platform/time_zone.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace {

std::string ZoneName() {
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        return tz[0] == ':' ? std::string(tz + 1) : std::string(tz);
    }
    std::ifstream file("/etc/timezone");
    if (std::string line; std::getline(file, line) && !line.empty()) {
        return line;
    }
    std::error_code error;
    const std::string target = std::filesystem::read_symlink("/etc/localtime", error).string();
    if (const std::size_t at = target.find("zoneinfo/"); !error && at != std::string::npos) {
        return target.substr(at + 9);
    }
    return {};
}

} // namespace

std::string LocalZoneText() {
    tzset();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    std::array<char, 16> offset{};
    if (localtime_r(&now, &local) == nullptr ||
        std::strftime(offset.data(), offset.size(), "%z", &local) != 5) {
        return ZoneName();
    }
    const std::string utc =
        std::string("UTC") + offset[0] + offset[1] + offset[2] + ":" + offset[3] + offset[4];
    const std::string name = ZoneName();
    return name.empty() ? utc : name + ", " + utc;
}
