// Pictures of the application's windows on the handset screen, as PNG files: the main window,
// its menu open, the Settings dialog, the progress dialog, a result box and the Save-as and
// Open dialogs.
#pragma once

#include <QString>

#include <string>

// Writes main_window.png, menu_open.png, settings.png, progress.png, result_box.png,
// save_as.png and open.png into the folder. Empty on success, else what went wrong.
std::string RenderScreens(const QString& folder);
