// Setting up an emulated handset in the device folder: its folders, the message store with the
// store "SMS", and the registry value that names the storage card's folder.
#pragma once

namespace devkit {

// Creates whatever of the handset is missing and keeps what exists; false when a part cannot
// be made.
[[nodiscard]] bool SetUpDevice();

// True when the device folder holds a message store.
[[nodiscard]] bool DeviceExists();

} // namespace devkit
