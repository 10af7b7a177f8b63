#include "resources/dialog_templates.h"

#include "resources/resource_ids.h"

namespace resources {
namespace {

using namespace framework;
using enum ControlClass;

// The main view's controls are laid out at run time; these are their starting places.
constexpr ControlTemplate kMainView[] = {
    {kIdcMainTitle, Static, u"Brennomatic Msg Keeper", 10, 6, 100, 10, SS_CENTER},
    {kIdcBackupButton, Button, u"", 10, 24, 40, 40, BS_OWNERDRAW | WS_TABSTOP},
    {kIdcBackupCaption, Static, u"Backup", 54, 30, 50, 10, SS_LEFT},
    {kIdcBackupDetail, Static, u"Backup messages", 54, 42, 60, 8, SS_LEFT},
    {kIdcRestoreButton, Button, u"", 70, 72, 40, 40, BS_OWNERDRAW | WS_TABSTOP},
    {kIdcRestoreCaption, Static, u"Restore", 10, 78, 50, 10, SS_LEFT},
    {kIdcRestoreDetail, Static, u"Restore messages", 4, 90, 60, 8, SS_LEFT},
    {kIdcMainFooter, Static, kMakerAddress, 10, 120, 100, 8, SS_CENTER},
};

constexpr ControlTemplate kFolderSettings[] = {
    {kIdcSelectFolders, Static, u"Select folders:", 7, 7, 95, 10, SS_LEFT},
    {kIdcDraft, Button, u"Draft", 12, 22, 90, 12, BS_AUTOCHECKBOX | WS_TABSTOP},
    {kIdcInbox, Button, u"Inbox", 12, 37, 90, 12, BS_AUTOCHECKBOX | WS_TABSTOP},
    {kIdcOutbox, Button, u"Outbox", 12, 52, 90, 12, BS_AUTOCHECKBOX | WS_TABSTOP},
    {kIdcSent, Button, u"Sent items", 12, 67, 90, 12, BS_AUTOCHECKBOX | WS_TABSTOP},
    {kIdcDeleted, Button, u"Deleted items", 12, 82, 90, 12, BS_AUTOCHECKBOX | WS_TABSTOP},
};

// The progress dialog lays its controls out on every size change.
constexpr ControlTemplate kProgress[] = {
    {kIdcProgressTitle, Static, u"Brennomatic Msg Keeper", 7, 7, 92, 10, SS_CENTER},
    {kIdcProgressBar, ProgressBar, u"", 10, 22, 86, 10, WS_BORDER},
    {kIdcProgressCounter, Static, u"0 /  0", 0, 37, 106, 10, SS_CENTER},
    {kIdcProgressFooter, Static, kMakerAddress, 7, 52, 92, 8, SS_CENTER},
};

constexpr ControlTemplate kSaveAs[] = {
    {kIdcSaveAsTitle, Static, u"Save as", 7, 4, 63, 8, SS_LEFT},
    {kIdcSaveAsNameLabel, Static, u"Name:", 7, 20, 22, 8, SS_LEFT},
    {kIdcSaveAsFolderLabel, Static, u"Folder:", 7, 40, 24, 8, SS_LEFT},
    {kIdcSaveAsTypeLabel, Static, u"Type:", 7, 60, 20, 8, SS_LEFT},
    {kIdcSaveAsLocationLabel, Static, u"Location:", 7, 80, 30, 8, SS_LEFT},
    {kIdcSaveAsName, Edit, u"", 37, 17, 87, 12, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP},
    {kIdcSaveAsFolder, ComboBox, u"", 37, 39, 87, 80, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {kIdcSaveAsType, ComboBox, u"", 37, 59, 87, 79, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {kIdcSaveAsLocation, ComboBox, u"", 37, 79, 87, 78, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
};

constexpr ControlTemplate kOpen[] = {
    {kIdcOpenTitle, Static, u"Open", 4, 4, 54, 8, SS_LEFT},
    {kIdcOpenLocationLabel, Static, u"Location:", 4, 18, 30, 8, SS_LEFT},
    {kIdcOpenFolderLabel, Static, u"Folder:", 4, 37, 24, 8, SS_LEFT},
    {kIdcOpenFileLabel, Static, u"File:", 6, 56, 14, 8, SS_LEFT},
    {kIdcOpenLocation, ComboBox, u"", 40, 16, 83, 46, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {kIdcOpenFolder, ComboBox, u"", 40, 35, 83, 53, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {kIdcOpenFile, ListBox, u"", 40, 55, 83, 54,
     LBS_SORT | LBS_NOTIFY | WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT | WS_TABSTOP},
};

constexpr DialogTemplate kTemplates[] = {
    {kIddMainView, u"", u"MS Sans Serif", 10, 120, 160, kMainView},
    {kIddFolderSettings, u"Dialog", u"Microsoft Sans Serif", 10, 109, 144, kFolderSettings},
    {kIddProgress, u"Dialog", u"MS Shell Dlg", 8, 106, 102, kProgress},
    {kIddSaveAs, u"Save as", u"Microsoft Sans Serif", 10, 131, 110, kSaveAs},
    {kIddOpen, u"Open", u"Microsoft Sans Serif", 10, 130, 115, kOpen},
};

} // namespace

std::span<const DialogTemplate> DialogTemplates() {
    return kTemplates;
}

} // namespace resources
