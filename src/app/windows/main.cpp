// The msgkeeper executable: the handset application. With --render-screens DIR it draws its
// windows into PNG files in DIR instead of running. --help, --version and options that neither
// msgkeeper nor Qt takes are answered before Qt starts, so that they work without a display.
#include "app/windows/app_main.h"
#include "app/windows/qt_options.h"
#include "app/windows/screen_renderer.h"
#include "platform/device.h"

#include <CLI/CLI.hpp>
#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr char kUsage[] =
    "usage: msgkeeper [--render-screens DIR] [Qt options] | --help | --version";

// What Qt reports while the screens are drawn off screen (that the off-screen platform cannot
// raise a window, that there is no runtime folder) is kept, and shown only if drawing fails.
// Qt may report from threads of its own.
std::mutex qtMessagesLock;
std::string qtMessages;

void KeepQtMessage(QtMsgType /*type*/, const QMessageLogContext& /*context*/,
                   const QString& message) {
    const std::lock_guard lock(qtMessagesLock);
    qtMessages += message.toStdString() + "\n";
}

// Qt's reports go to KeepQtMessage while this lives.
class QtMessagesKept {
public:
    QtMessagesKept() : previous_(qInstallMessageHandler(KeepQtMessage)) {}
    ~QtMessagesKept() { qInstallMessageHandler(previous_); }
    QtMessagesKept(const QtMessagesKept&) = delete;
    QtMessagesKept& operator=(const QtMessagesKept&) = delete;

private:
    QtMessageHandler previous_;
};

// Why pictures cannot be written into the folder; empty when they can.
std::string FolderProblem(const std::filesystem::path& folder) {
    std::error_code error;
    if (!std::filesystem::exists(folder, error)) {
        return "the folder does not exist; create it first";
    }
    if (!std::filesystem::is_directory(folder, error)) {
        return "it is not a folder";
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        return "the folder is not writable";
    }
    return {};
}

int RenderInto(const std::string& folder, int argc, char** argv) {
    const std::string problem = FolderProblem(folder);
    if (!problem.empty()) {
        std::cerr << "msgkeeper: cannot draw the screens into " << folder << ": " << problem
                  << "\n";
        return 1;
    }
    // The pictures need no display: Qt draws them off screen.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QtMessagesKept kept;
    QApplication application(argc, argv);
    const std::string failed = RenderScreens(QString::fromLocal8Bit(folder.c_str()));
    if (!failed.empty()) {
        const std::lock_guard lock(qtMessagesLock);
        std::cerr << qtMessages << "msgkeeper: " << failed << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    RegisterProgramResources();
    CLI::App options{"The Msgkeeper handset application: saves the SMS messages of the emulated "
                     "handset to backup files, exports them and restores them.",
                     "msgkeeper"};
    options.set_version_flag("-V,--version", std::string("msgkeeper ") + MSGKEEPER_VERSION,
                             "print the version and exit");
    options.set_help_flag("-h,--help", "print this help and exit");
    std::string renderFolder;
    options
        .add_option("--render-screens", renderFolder,
                    "draw the windows into PNG files in DIR and exit (needs no display)")
        ->type_name("DIR");
    options.footer("The handset's folder is $MSGKEEPER_DEVICE, else "
                   "$XDG_DATA_HOME/msgkeeper/device.\nQt's own options, such as -platform NAME "
                   "or -style NAME, are also taken.\n");
    // Qt takes its own options out when it starts; every other argument is checked here.
    const std::vector<std::string> own = WithoutQtOptions(argc, argv);
    std::vector<const char*> ownArgv;
    for (const std::string& argument : own) {
        ownArgv.push_back(argument.c_str());
    }
    try {
        options.parse(static_cast<int>(ownArgv.size()), ownArgv.data());
    } catch (const CLI::Success& answered) {
        return options.exit(answered);
    } catch (const CLI::ParseError& error) {
        std::cerr << "msgkeeper: " << error.what() << "\n" << kUsage << "\n";
        return 2;
    }
    if (options.count("--render-screens") != 0) {
        return RenderInto(renderFolder, argc, argv);
    }
    QApplication application(argc, argv);
    device::EnsureLayout();
    return RunApplication(SW_SHOW);
}
