// The application module: the instance it runs as, and the message loop of its user-interface
// thread, which windows find here to register their filters and idle handlers.
#pragma once

#include "platform/wintypes.h"

class QWidget;

namespace framework {

class MessageLoop;

class Module {
public:
    bool Init(HINSTANCE instance);
    void Term();

    bool AddMessageLoop(MessageLoop* loop);
    void RemoveMessageLoop();
    // The loop of the user-interface thread; nullptr when none is registered.
    MessageLoop* GetMessageLoop() const { return loop_; }

    // The application's main window, the owner of last resort for modal windows.
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }
    QWidget* MainWindow() const { return mainWindow_; }

private:
    HINSTANCE instance_ = 0;
    MessageLoop* loop_ = nullptr;
    QWidget* mainWindow_ = nullptr;
};

// The one module of the process.
Module& AppModule();

// The window that a modal window opened now is owned by: the topmost modal window, else the
// active window, else the main window.
QWidget* GetActiveWindow();

} // namespace framework
