// The Save-as dialog: the user picks a location, a folder directly below its root, a file type
// and a name for a new file. Ends with 1 after Save, leaving the full path in resultPath(), and
// with 2 after Cancel. An existing file of the name is not looked at.
#pragma once

#include "framework/dialog.h"

#include <string>

class SaveAsDialog final : public framework::Dialog {
public:
    // filter: "description|pattern" pairs; defaultName: a proposed name such as
    // "Msgkeeper_200935147.*", of which the part before the last "." is shown.
    SaveAsDialog(std::u16string filter, std::u16string_view defaultName, std::u16string title,
                 int backgroundBitmap);

    const std::u16string& resultPath() const { return resultPath_; }
    const std::u16string& nameStem() const { return nameStem_; }
    int typeIndex() const { return typeIndex_; }

protected:
    bool OnInitDialog() override;
    void OnCommand(UINT id, UINT code) override;
    void OnSize(int width, int height) override;

private:
    void FillTypes();
    void FillLocations();
    void FillFolders();
    void Save();

    std::u16string title_;
    std::u16string nameStem_;
    std::u16string filter_;
    int backgroundBitmap_;
    std::u16string resultPath_;
    int typeIndex_ = 0;
};
