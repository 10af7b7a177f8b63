#include "app/folder_selection.h"

#include "files/file_access.h"
#include "platform/module.h"

#include <array>

namespace {

std::array<BYTE*, 5> Fields(FolderSelection& s) {
    return {&s.draft, &s.inbox, &s.outbox, &s.sent, &s.deleted};
}

} // namespace

std::u16string SettingsFilePath() {
    std::array<char16_t, 1024> buffer{};
    const DWORD length = GetModuleFileNameW(0, buffer.data(), static_cast<DWORD>(buffer.size()));
    const std::u16string module(buffer.data(), length);
    const std::size_t slash = module.rfind(u'\\');
    const std::u16string folder = slash == std::u16string::npos ? u"" : module.substr(0, slash + 1);
    return folder + u"settings.dat";
}

bool LoadFolderSelection(FolderSelection& selection) {
    HANDLE file = OpenForReading(SettingsFilePath());
    if (!IsValidHandle(file)) {
        selection = FolderSelection::All();
        SaveFolderSelection(selection);
        return false;
    }
    for (BYTE* field : Fields(selection)) {
        BYTE value = 0;
        *field = ReadByte(file, value) ? value : BYTE{1};
    }
    CloseIfValid(file);
    return true;
}

bool SaveFolderSelection(const FolderSelection& selection) {
    HANDLE file = CreateForWriting(SettingsFilePath());
    if (!IsValidHandle(file)) {
        return false;
    }
    FolderSelection copy = selection;
    for (BYTE* field : Fields(copy)) {
        if (!WriteByte(file, *field)) {
            CloseIfValid(file);
            return false;
        }
    }
    const bool flushed = FlushFile(file) && MarkComplete(file);
    // A close that fails may have lost the bytes that the flush did not reach.
    const bool closed = CloseIfValid(file);
    return flushed && closed;
}
