#include "dialogs/save_as_dialog.h"

#include "dialogs/dialog_look.h"
#include "dialogs/file_names.h"
#include "dialogs/folder_search.h"
#include "dialogs/split_string.h"
#include "dialogs/storage_card.h"
#include "framework/drop_down_list.h"
#include "framework/message_box.h"
#include "resources/resource_ids.h"

using namespace resources;

namespace {

constexpr char16_t kMainMemory[] = u"Main memory";
constexpr char16_t kStorageCard[] = u"Storage Card";
constexpr char16_t kNoFolder[] = u"NONE";

} // namespace

SaveAsDialog::SaveAsDialog(std::u16string filter, std::u16string_view defaultName,
                           std::u16string title, int backgroundBitmap)
    : Dialog(kIddSaveAs), title_(std::move(title)), nameStem_(NameStem(defaultName)),
      filter_(std::move(filter)), backgroundBitmap_(backgroundBitmap) {}

bool SaveAsDialog::OnInitDialog() {
    MoveOverParent();
    CreateMenuBar(kIdrSaveAsMenuBar);
    file_dialogs::ShowTitle(*this, kIdcSaveAsTitle, title_);
    SetDlgItemText(kIdcSaveAsName, nameStem_);
    FillTypes();
    FillLocations();
    FillFolders();
    return true;
}

void SaveAsDialog::OnCommand(UINT id, UINT code) {
    if (id == kCmdSaveAsSave) {
        Save();
    } else if (id == kCmdFileCancel || id == framework::IDCANCEL) {
        EndDialog(framework::IDCANCEL);
    } else if (id == kIdcSaveAsLocation && code == framework::CBN_SELCHANGE) {
        FillFolders();
    }
}

void SaveAsDialog::OnSize(int width, int height) {
    file_dialogs::StretchBackground(*this, backgroundBitmap_, width, height);
}

// Each entry carries its pattern, kept by the list. Pairs of description and pattern; a description
// left without its pattern is not offered.
void SaveAsDialog::FillTypes() {
    const std::vector<std::u16string> pieces = SplitString(filter_, u"|");
    for (std::size_t i = 0; i + 1 < pieces.size(); i += 2) {
        const int entry = ComboAddString(kIdcSaveAsType, pieces[i]);
        ComboSetItemData(kIdcSaveAsType, entry, pieces[i + 1]);
    }
    if (ComboGetCount(kIdcSaveAsType) > 0) {
        ComboSetCurSel(kIdcSaveAsType, 0);
    }
    // A type's description is too long for the box at the dialog's size; the user must read
    // which type is chosen, so the list takes the size at which its descriptions fit.
    if (auto* types = DlgItem<framework::DropDownList>(kIdcSaveAsType)) {
        types->FitFontToEntries();
    }
}

void SaveAsDialog::FillLocations() {
    ComboAddString(kIdcSaveAsLocation, kMainMemory);
    if (IsStorageCardPresent()) {
        ComboAddString(kIdcSaveAsLocation, kStorageCard);
    }
    ComboSetCurSel(kIdcSaveAsLocation, 0);
}

void SaveAsDialog::FillFolders() {
    ComboResetContent(kIdcSaveAsFolder);
    const int none = ComboAddString(kIdcSaveAsFolder, kNoFolder);
    ComboSetItemData(kIdcSaveAsFolder, none, u"");
    ComboSetCurSel(kIdcSaveAsFolder, none);
    for (const std::u16string& name :
         ListFolders(LocationRoot(ComboGetCurSel(kIdcSaveAsLocation)))) {
        const int entry = ComboAddString(kIdcSaveAsFolder, name);
        ComboSetItemData(kIdcSaveAsFolder, entry, name + u"\\");
    }
}

void SaveAsDialog::Save() {
    const std::u16string name = GetDlgItemText(kIdcSaveAsName);
    if (!IsUsableFileName(name)) {
        // The typed name stays in the box for the user to correct.
        framework::MessageBoxW(this, kDisallowedNameMessage, u"", framework::MB_OK);
        return;
    }
    typeIndex_ = ComboGetCurSel(kIdcSaveAsType);
    const std::u16string extension =
        typeIndex_ >= 0 ? PatternExtension(ComboGetItemData(kIdcSaveAsType, typeIndex_)) : u"";
    const std::u16string root = LocationRoot(ComboGetCurSel(kIdcSaveAsLocation));
    const int folder = ComboGetCurSel(kIdcSaveAsFolder);
    const std::u16string folderPart =
        folder >= 0 ? ComboGetItemData(kIdcSaveAsFolder, folder) : u"";
    resultPath_ = root + folderPart + name + extension;
    EndDialog(framework::IDOK);
}
