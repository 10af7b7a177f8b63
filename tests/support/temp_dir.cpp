#include "support/temp_dir.h"

#include "platform/device.h"
#include "platform/utf.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempDir::TempDir() {
    std::string pattern = std::filesystem::temp_directory_path() / "msgkeeper-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::u16string TempDir::file(const std::string& name) const {
    return utf::Utf16((path_ / name).string());
}

TempDevice::TempDevice() : previous_(device::Folder()) {
    device::SetFolder(dir_.path());
    device::EnsureLayout();
}

TempDevice::~TempDevice() {
    device::SetFolder(previous_);
}

std::string ReadHostFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteHostFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
