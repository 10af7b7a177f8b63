// The emulated handset: a folder on the host that holds the message store, the registry, the
// handset's file system and the application's install folder.
#pragma once

#include <filesystem>
#include <string>

namespace device {

// $MSGKEEPER_DEVICE, else $XDG_DATA_HOME/msgkeeper/device, else ~/.local/share/...
std::filesystem::path DefaultFolder();

// The device folder in use; DefaultFolder() until SetFolder() is called.
std::filesystem::path Folder();
void SetFolder(const std::filesystem::path& folder);

// Host path for a platform path. A path that begins with a backslash is a device path and maps
// below the device folder; any other path is a host path used as it is. Returns false for a
// device path that would leave the device folder (".."). Names reach the host byte for byte
// (utf::ToHostBytes); a text that names no host bytes is refused.
bool ToHostPath(const std::u16string& path, std::filesystem::path& host);

// The device path of the running executable ("\Program Files\Msgkeeper\msgkeeper.exe").
std::u16string ModuleDevicePath();

// Creates the device folder's skeleton (My Documents, install folder) if missing.
bool EnsureLayout();

} // namespace device
