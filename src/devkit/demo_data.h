// The demo handset's messages: a fixed set in all five folders and a few subfolders, with
// recipients, texts in several scripts and emoji.
#pragma once

#include <string>

// Fills the device's empty store. False when the store is missing, not empty, or the messages
// cannot be stored, with the reason in words that the caller prefixes with the program's name.
[[nodiscard]] bool AddDemoMessages(std::string& reason);

// Adds count demo-like messages to the store's folders, for measurements; false on failure.
[[nodiscard]] bool AddGeneratedMessages(int count);
