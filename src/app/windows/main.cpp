// The msgkeeper executable: the handset application. With --render-screens DIR it draws its
// windows into PNG files in DIR instead of running.
#include "app/windows/app_main.h"
#include "app/windows/screen_renderer.h"
#include "platform/device.h"

#include <QApplication>

#include <cstring>

int main(int argc, char** argv) {
    RegisterProgramResources();
    QApplication application(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--render-screens") == 0) {
        return RenderScreens(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    device::EnsureLayout();
    return RunApplication(SW_SHOW);
}
