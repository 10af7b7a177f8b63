#include "app/windows/app_main.h"

#include "app/windows/main_frame.h"
#include "framework/message_loop.h"
#include "framework/module.h"
#include "framework/resource_catalog.h"
#include "framework/screen.h"
#include "framework/strings.h"
#include "platform/module.h"
#include "platform/resources.h"
#include "resources/dialog_templates.h"
#include "resources/menus.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

#include <QApplication>

namespace {

constexpr DWORD ICC_COOL_CLASSES = 0x100;

// The frame, shown, and the loop until the quit message.
int RunFrame(framework::MessageLoop& loop, int showCommand, const StartedHook& started) {
    MainFrame frame;
    if (!frame.CreateEx(framework::LoadResourceString(resources::kIdsAppTitle))) {
        return 0;
    }
    frame.LoadAccelerators(resources::kIdrMainFrame);
    framework::AppModule().SetMainWindow(&frame);
    if (showCommand != SW_HIDE) {
        frame.show();
    }
    if (started) {
        started(frame);
    }
    const int exitCode = loop.Run();
    framework::AppModule().SetMainWindow(nullptr);
    return exitCode;
}

} // namespace

void RegisterProgramResources() {
    RegisterStringTable(resources::StringTable());
    framework::RegisterResources({resources::DialogTemplates(), resources::Menus(),
                                  resources::MenuBars(), resources::AcceleratorTables()});
}

int RunApplication(int showCommand, const StartedHook& started) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    INITCOMMONCONTROLSEX controls;
    controls.dwICC = ICC_COOL_CLASSES;
    InitCommonControlsEx(&controls);
    framework::Module& module = framework::AppModule();
    module.Init(0);
    framework::ApplyHandsetLook();
    // The frame's destruction posts the quit message with the application's own exit code.
    QApplication::setQuitOnLastWindowClosed(false);

    int exitCode = 0;
    {
        framework::MessageLoop loop;
        module.AddMessageLoop(&loop);
        exitCode = RunFrame(loop, showCommand, started);
        module.RemoveMessageLoop();
    }
    module.Term();
    CoUninitialize();
    return exitCode;
}
