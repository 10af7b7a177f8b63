#include "app/windows/folder_settings_dialog.h"

#include "files/file_access.h"
#include "framework/message_box.h"
#include "framework/strings.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

using namespace resources;

FolderSettingsDialog::FolderSettingsDialog() : Dialog(kIddFolderSettings) {}

bool FolderSettingsDialog::OnInitDialog() {
    CreateMenuBar(kIdrSettingsMenuBar);
    MoveOverParent();
    // Loading creates a missing settings file with every folder selected.
    FolderSelection selection;
    LoadFolderSelection(selection);
    CheckDlgButton(kIdcDraft, selection.draft);
    CheckDlgButton(kIdcInbox, selection.inbox);
    CheckDlgButton(kIdcOutbox, selection.outbox);
    CheckDlgButton(kIdcSent, selection.sent);
    CheckDlgButton(kIdcDeleted, selection.deleted);
    return true;
}

void FolderSettingsDialog::OnCommand(UINT id, UINT /*code*/) {
    if (id == kCmdSettingsSave) {
        Save();
    } else if (id == kCmdSettingsCancel) {
        EndDialog(framework::IDCANCEL);
    }
}

FolderSelection FolderSettingsDialog::CheckedFolders() const {
    auto flag = [this](int id) -> BYTE {
        return IsDlgButtonChecked(id) != framework::BST_UNCHECKED ? 1 : 0;
    };
    return FolderSelection{flag(kIdcDraft), flag(kIdcInbox), flag(kIdcOutbox), flag(kIdcSent),
                           flag(kIdcDeleted)};
}

void FolderSettingsDialog::Save() {
    if (SaveFolderSelection(CheckedFolders())) {
        EndDialog(framework::IDOK);
        return;
    }
    // The user's choices stay on screen so that Save can be tried again.
    framework::MessageBoxW(this, ErrorText(), framework::LoadResourceString(kIdsAppTitle),
                           framework::MB_ICONERROR);
}
