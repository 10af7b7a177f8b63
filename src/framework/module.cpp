#include "framework/module.h"

#include <QApplication>
#include <QWidget>

namespace framework {

bool Module::Init(HINSTANCE instance) {
    instance_ = instance;
    return true;
}

void Module::Term() {
    loop_ = nullptr;
    mainWindow_ = nullptr;
    instance_ = 0;
}

bool Module::AddMessageLoop(MessageLoop* loop) {
    if (loop_ != nullptr || loop == nullptr) {
        return false;
    }
    loop_ = loop;
    return true;
}

void Module::RemoveMessageLoop() {
    loop_ = nullptr;
}

Module& AppModule() {
    static Module module;
    return module;
}

QWidget* GetActiveWindow() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    return AppModule().MainWindow();
}

} // namespace framework
