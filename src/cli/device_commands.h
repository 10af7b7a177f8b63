// Commands on the emulated handset: set it up, list its messages, show or set the folder
// selection.
#pragma once

#include <string>

int DeviceInit(bool demo);
int DeviceList();
// Without a list, prints the selection; with one ("Draft,Inbox" or "none"), saves it.
int Settings(const std::string* folders);

// True when the device folder holds a message store; otherwise prints a hint.
bool RequireDevice();
