#include "dialogs/open_file_dialog.h"

#include "dialogs/dialog_look.h"
#include "dialogs/folder_search.h"
#include "dialogs/split_string.h"
#include "dialogs/storage_card.h"
#include "framework/menu_bar.h"
#include "framework/message_box.h"
#include "framework/screen.h"
#include "resources/resource_ids.h"

#include <algorithm>

using namespace resources;

namespace {

constexpr char16_t kMainMemory[] = u"Main memory";
constexpr char16_t kStorageCard[] = u"Storage Card";
constexpr char16_t kNoFileMessage[] = u"This file cannot be used.";
constexpr int kListBottomGap = 10;
constexpr int kListMinimumHeight = 20;

} // namespace

OpenFileDialog::OpenFileDialog(std::u16string_view patterns, std::u16string title,
                               int backgroundBitmap)
    : Dialog(kIddOpen), title_(std::move(title)), patterns_(SplitString(patterns, u"|")),
      backgroundBitmap_(backgroundBitmap) {}

bool OpenFileDialog::OnInitDialog() {
    MoveOverParent();
    CreateMenuBar(kIdrOpenMenuBar);
    file_dialogs::ShowTitle(*this, kIdcOpenTitle, title_);
    file_dialogs::AlignLeftEdges(*this,
                                 {kIdcOpenLocationLabel, kIdcOpenFolderLabel, kIdcOpenFileLabel});
    // Both locations are offered; a missing card simply lists nothing.
    ComboAddString(kIdcOpenLocation, kMainMemory);
    ComboAddString(kIdcOpenLocation, kStorageCard);
    ComboSetCurSel(kIdcOpenLocation, 0);
    FillFolders();
    return true;
}

void OpenFileDialog::OnCommand(UINT id, UINT code) {
    if (id == kCmdOpenDone) {
        Confirm();
    } else if (id == kCmdFileCancel || id == framework::IDCANCEL) {
        EndDialog(framework::IDCANCEL);
    } else if (id == kIdcOpenLocation && code == framework::CBN_SELCHANGE) {
        FillFolders();
    } else if (id == kIdcOpenFolder && code == framework::CBN_SELCHANGE) {
        FillFiles();
    }
}

// The file list reaches down to a small margin above the soft keys, however short that
// leaves it.
void OpenFileDialog::OnSize(int width, int height) {
    file_dialogs::StretchBackground(*this, backgroundBitmap_, width, height);
    QWidget* list = GetDlgItem(kIdcOpenFile);
    if (list == nullptr) {
        return;
    }
    const int s = framework::DisplayScale();
    const int clientHeight = height - (MenuBar() != nullptr ? framework::SoftKeyBar::Height() : 0);
    const int listHeight =
        std::max(clientHeight - kListBottomGap * s - list->y(), kListMinimumHeight * s);
    list->resize(list->width(), listHeight);
}

std::u16string OpenFileDialog::Root() const {
    return LocationRoot(ComboGetCurSel(kIdcOpenLocation));
}

// The empty first entry stands for the root itself.
std::u16string OpenFileDialog::FolderPart() const {
    const int entry = ComboGetCurSel(kIdcOpenFolder);
    const std::u16string name = entry >= 0 ? ComboGetLBText(kIdcOpenFolder, entry) : u"";
    return name.empty() ? name : name + u"\\";
}

void OpenFileDialog::FillFolders() {
    ComboResetContent(kIdcOpenFolder);
    ComboAddString(kIdcOpenFolder, u"");
    for (const std::u16string& name : ListFolders(Root())) {
        ComboAddString(kIdcOpenFolder, name);
    }
    ComboSetCurSel(kIdcOpenFolder, 0);
    FillFiles();
}

// A file that matches two patterns is listed once for each.
void OpenFileDialog::FillFiles() {
    ListResetContent(kIdcOpenFile);
    const std::u16string root = Root();
    if (root.empty()) {
        return;
    }
    const std::u16string folder = root + FolderPart();
    for (const std::u16string& pattern : patterns_) {
        for (const std::u16string& name : ListFiles(folder, pattern)) {
            ListAddString(kIdcOpenFile, name);
        }
    }
}

void OpenFileDialog::Confirm() {
    const int entry = ListGetCurSel(kIdcOpenFile);
    const std::u16string name = entry >= 0 ? ListGetText(kIdcOpenFile, entry) : u"";
    if (name.empty()) {
        framework::MessageBoxW(this, kNoFileMessage, u"", framework::MB_OK);
        return;
    }
    resultPath_ = Root() + FolderPart() + name;
    EndDialog(framework::IDOK);
}
