#include "gui_support.h"

#include "app/folder_selection.h"
#include "platform/device.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace gui_test {

void PressOk(QWidget* box) {
    auto* messageBox = qobject_cast<QMessageBox*>(box);
    if (messageBox != nullptr) {
        messageBox->button(QMessageBox::Ok)->click();
    }
}

std::filesystem::path HostPath(const std::u16string& devicePath) {
    std::filesystem::path host;
    device::ToHostPath(devicePath, host);
    return host;
}

std::filesystem::path SettingsHostPath() {
    return HostPath(SettingsFilePath());
}

std::string Bytes(const std::string& hex) {
    std::string bytes;
    std::string digits;
    for (const char c : hex) {
        if (c != ' ') {
            digits += c;
        }
        if (digits.size() == 2) {
            bytes += static_cast<char>(std::stoi(digits, nullptr, 16));
            digits.clear();
        }
    }
    return bytes;
}

} // namespace gui_test
