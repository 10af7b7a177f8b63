// The demo handset's messages: a fixed set in all five folders and a few subfolders, with
// recipients, texts in several scripts and emoji.
#pragma once

#include <string>

// Fills the device's empty store; false with a reason when the store is missing or not empty.
[[nodiscard]] bool AddDemoMessages(std::string& reason);

// Adds count demo-like messages to the store's folders, for measurements; false on failure.
[[nodiscard]] bool AddGeneratedMessages(int count);
