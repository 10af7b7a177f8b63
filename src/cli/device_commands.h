// Commands on the emulated handset: set it up, list its messages, show or set the folder
// selection.
#pragma once

#include "app/folder_selection.h"

#include <string>

int DeviceInit(bool demo);
int DeviceList();
// Without a selection, prints the saved one; with one, saves it.
int Settings(const FolderSelection* folders);

// True when the device folder holds a message store; otherwise prints a hint.
[[nodiscard]] bool RequireDevice();
