// The Open dialog: the user picks an existing file matching the caller's patterns from a
// location and a folder directly below its root. Ends with 1 after Done, leaving the full path
// in resultPath(), and with 2 after Cancel.
#pragma once

#include "framework/dialog.h"

#include <string>
#include <vector>

class OpenFileDialog final : public framework::Dialog {
public:
    // patterns: one or more file patterns separated by "|", such as "*.usms".
    OpenFileDialog(std::u16string_view patterns, std::u16string title, int backgroundBitmap);

    const std::u16string& resultPath() const { return resultPath_; }

protected:
    bool OnInitDialog() override;
    void OnCommand(UINT id, UINT code) override;
    void OnSize(int width, int height) override;

private:
    std::u16string Root() const;
    std::u16string FolderPart() const;
    void FillFolders();
    void FillFiles();
    void Confirm();

    std::u16string title_;
    std::vector<std::u16string> patterns_;
    std::u16string resultPath_;
    int backgroundBitmap_;
};
