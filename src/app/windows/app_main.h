// The application's start and end: the platform services, the module and its message loop, the
// main window, and the exit code that the loop ends with.
#pragma once

#include <functional>

class MainFrame;

inline constexpr int SW_SHOW = 5;
inline constexpr int SW_HIDE = 0;

// Hands the program's string table to the platform and its templates, menus and accelerators
// to the framework; called once, before any window is made.
void RegisterProgramResources();

// Called once the main window is shown and before the loop runs; tests drive the window here.
using StartedHook = std::function<void(MainFrame& frame)>;

// Runs the application in the running QApplication; returns 1 after a normal close and 0 when
// the main window cannot be created.
int RunApplication(int showCommand, const StartedHook& started = {});
