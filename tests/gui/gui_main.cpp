// The window tests: each file's test classes in turn, under one application.
#include "gui_support.h"

#include "app/windows/app_main.h"

#include <QApplication>

int main(int argc, char** argv) {
    RegisterProgramResources();
    QApplication application(argc, argv);
    int failures = 0;
    failures += RunFrameworkTests(argc, argv);
    failures += RunStartupTests(argc, argv);
    failures += RunLayoutTests(argc, argv);
    failures += RunSettingsTests(argc, argv);
    failures += RunProgressTests(argc, argv);
    failures += RunCommandTests(argc, argv);
    failures += RunSaveAsTests(argc, argv);
    failures += RunOpenTests(argc, argv);
    failures += RunFileDialogPartsTests(argc, argv);
    failures += RunRoadTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
