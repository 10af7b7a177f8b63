#include "platform/time_zone.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace {

std::string ZoneName() {
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        const std::string name = tz[0] == ':' ? std::string(tz + 1) : std::string(tz);
        // A rule ("CET-1CEST,M3.5.0,M10.5.0/3") names no zone; a name is one of the zone files.
        std::error_code error;
        const bool named = name.find("..") == std::string::npos &&
                           std::filesystem::is_regular_file("/usr/share/zoneinfo/" + name, error);
        return named ? name : std::string();
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
    if (std::string name = ZoneName(); !name.empty()) {
        return name;
    }
    tzset();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    std::array<char, 16> abbreviation{};
    std::array<char, 16> offset{};
    if (localtime_r(&now, &local) == nullptr ||
        std::strftime(abbreviation.data(), abbreviation.size(), "%Z", &local) == 0 ||
        std::strftime(offset.data(), offset.size(), "%z", &local) != 5) {
        return "UTC";
    }
    return std::string(abbreviation.data()) + ", UTC" + offset[0] + offset[1] + offset[2] + ":" +
           offset[3] + offset[4];
}
