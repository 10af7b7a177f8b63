// Helpers for driving the windows as a person would: acting on modal windows once they show,
// reading the device's settings file, and the test programs' registry.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>

namespace gui_test {

// Calls action with the topmost modal window as soon as one of type Window is up, from inside
// the modal loop that runs it. Gives up (and reports it) when none appears after many polls.
template <typename Window> void WhenModal(std::function<void(Window*)> action) {
    auto* poll = new QTimer(qApp); // deletes itself below
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, tries, action = std::move(action)] {
        auto* window = dynamic_cast<Window*>(QApplication::activeModalWidget());
        if (window != nullptr && window->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(window);
            return;
        }
        if (++*tries > 4000) {
            poll->stop();
            poll->deleteLater();
            qWarning("no modal window of the expected kind appeared");
        }
    });
    poll->start(5);
}

// Presses OK on a message box.
void PressOk(QWidget* box);

// The host path of settings.dat on the current device.
std::filesystem::path SettingsHostPath();
// The host path of a device path.
std::filesystem::path HostPath(const std::u16string& devicePath);

// Bytes from hexadecimal text such as "00 01 00".
std::string Bytes(const std::string& hex);

} // namespace gui_test

// Each test file's classes, run by the program's main.
int RunFrameworkTests(int argc, char** argv);
int RunStartupTests(int argc, char** argv);
int RunLayoutTests(int argc, char** argv);
int RunSettingsTests(int argc, char** argv);
int RunProgressTests(int argc, char** argv);
int RunCommandTests(int argc, char** argv);
int RunSaveAsTests(int argc, char** argv);
int RunOpenTests(int argc, char** argv);
int RunFileDialogPartsTests(int argc, char** argv);
int RunRoadTests(int argc, char** argv);
