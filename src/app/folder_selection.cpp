#include "app/folder_selection.h"

#include "files/file_access.h"
#include "platform/module.h"
#include "platform/unique_handle.h"

#include <array>

namespace {

// The field of each special folder, in the table's order.
constexpr std::array<BYTE FolderSelection::*, kSpecialFolders.size()> kFields = {
    &FolderSelection::draft, &FolderSelection::inbox, &FolderSelection::outbox,
    &FolderSelection::sent, &FolderSelection::deleted};

} // namespace

BYTE& FolderSelection::flag(SpecialFolder folder) {
    return this->*kFields[static_cast<std::size_t>(folder)];
}

BYTE FolderSelection::flag(SpecialFolder folder) const {
    return this->*kFields[static_cast<std::size_t>(folder)];
}

std::u16string SettingsFilePath() {
    std::array<char16_t, 1024> buffer{};
    const DWORD length = GetModuleFileNameW(0, buffer.data(), static_cast<DWORD>(buffer.size()));
    const std::u16string module(buffer.data(), length);
    const std::size_t slash = module.rfind(u'\\');
    const std::u16string folder = slash == std::u16string::npos ? u"" : module.substr(0, slash + 1);
    return folder + u"settings.dat";
}

bool LoadFolderSelection(FolderSelection& selection) {
    const OwnedHandle file(OpenForReading(SettingsFilePath()));
    if (!file) {
        selection = FolderSelection::All();
        SaveFolderSelection(selection);
        return false;
    }
    for (const SpecialFolderInfo& info : kSpecialFolders) {
        BYTE value = 0;
        selection.flag(info.folder) = ReadByte(file.get(), value) ? value : BYTE{1};
    }
    return true;
}

bool SaveFolderSelection(const FolderSelection& selection) {
    OwnedHandle file(CreateForWriting(SettingsFilePath()));
    if (!file) {
        return false;
    }
    for (const SpecialFolderInfo& info : kSpecialFolders) {
        if (!WriteByte(file.get(), selection.flag(info.folder))) {
            return false;
        }
    }
    const bool flushed = FlushFile(file.get()) && MarkComplete(file.get());
    // A close that fails may have lost the bytes that the flush did not reach.
    const bool closed = file.close();
    return flushed && closed;
}
