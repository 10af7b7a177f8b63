#include "platform/device.h"

#include "platform/utf.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <system_error>

namespace device {
namespace {

std::mutex folderMutex;
std::optional<std::filesystem::path> chosenFolder;

constexpr char16_t kInstallFolder[] = u"\\Program Files\\Msgkeeper\\";
constexpr char16_t kExecutableName[] = u"msgkeeper.exe";

} // namespace

std::filesystem::path DefaultFolder() {
    if (const char* env = std::getenv("MSGKEEPER_DEVICE"); env != nullptr && *env != '\0') {
        return env;
    }
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
        return std::filesystem::path(xdg) / "msgkeeper" / "device";
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share" / "msgkeeper" /
           "device";
}

std::filesystem::path Folder() {
    const std::lock_guard lock(folderMutex);
    if (!chosenFolder) {
        chosenFolder = DefaultFolder();
    }
    return *chosenFolder;
}

void SetFolder(const std::filesystem::path& folder) {
    const std::lock_guard lock(folderMutex);
    chosenFolder = folder;
}

bool ToHostPath(const std::u16string& path, std::filesystem::path& host) {
    std::string utf8;
    if (!utf::ToHostBytes(path, utf8)) {
        return false;
    }
    if (path.empty() || path.front() != u'\\') {
        host = utf8;
        return true;
    }
    // A device path: every component stays below the device folder.
    std::filesystem::path result = Folder();
    std::size_t start = 1;
    while (start <= utf8.size()) {
        std::size_t end = utf8.find('\\', start);
        if (end == std::string::npos) {
            end = utf8.size();
        }
        const std::string component = utf8.substr(start, end - start);
        if (component == "..") {
            return false;
        }
        if (!component.empty() && component != ".") {
            if (component.find('/') != std::string::npos) {
                return false;
            }
            result /= component;
        }
        start = end + 1;
    }
    // Keep a trailing separator so that "\dir\" still names a directory.
    if (utf8.back() == '\\') {
        result /= "";
    }
    host = result;
    return true;
}

std::u16string ModuleDevicePath() {
    return std::u16string(kInstallFolder) + kExecutableName;
}

bool EnsureLayout() {
    std::error_code error;
    const std::filesystem::path root = Folder();
    std::filesystem::create_directories(root / "My Documents", error);
    if (error) {
        return false;
    }
    std::filesystem::create_directories(root / "Program Files" / "Msgkeeper", error);
    return !error;
}

} // namespace device
