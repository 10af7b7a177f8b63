// The Settings dialog: five checkboxes for the folders that take part in a backup, read from
// and saved to settings.dat. Ends with 1 after a successful Save and 2 after Cancel.
#pragma once

#include "app/folder_selection.h"
#include "framework/dialog.h"

class FolderSettingsDialog final : public framework::Dialog {
public:
    FolderSettingsDialog();

protected:
    bool OnInitDialog() override;
    void OnCommand(UINT id, UINT code) override;

private:
    void Save();
    FolderSelection CheckedFolders() const;
};
