#include "resources/menus.h"

#include "resources/resource_ids.h"
#include "resources/string_table.h"

namespace resources {
namespace {

using namespace framework;

constexpr MenuItem kBackupText[] = {
    {u"ANSI Encoding", kCmdTextAnsi, {}},
    {u"UTF8 Encoding", kCmdTextUtf8, {}},
    {u"Unicode Encoding", kCmdTextUnicode, {}},
};

constexpr MenuItem kBackupCsv[] = {
    {u"ANSI Encoding", kCmdCsvAnsi, {}},
    {u"UTF8 Encoding", kCmdCsvUtf8, {}},
};

constexpr MenuItem kBackup[] = {
    {u"SMS File(.sms file)", kCmdBackupAnsi, {}},
    {u"Unicode SMS File(.usms file)", kCmdBackupUnicode, {}},
    {u"Text File(.txt file)", 0, kBackupText},
    {u"CSV File(.csv file)", 0, kBackupCsv},
};

constexpr MenuItem kRestore[] = {
    {u"SMS File(.sms file)", kCmdRestoreSms, {}},
    {u"Unicode SMS File(.usms file)", kCmdRestoreUnicode, {}},
};

constexpr MenuItem kMainMenu[] = {
    {u"Backup SMS", 0, kBackup},
    {u"Restore SMS", 0, kRestore},
    {u"Settings", kCmdSettings, {}},
};

constexpr MenuItem kMainButton[] = {
    {u"Exit", kCmdExit, {}},
};

constexpr MenuItem kMainFramePopups[] = {
    {u"Menu", 0, kMainMenu},
    {u"MainButton", 0, kMainButton},
};

constexpr Menu kMenus[] = {
    {kIdrMainFrame, kMainFramePopups},
};

constexpr BYTE kEnabled = 0x04;  // TBSTATE_ENABLED
constexpr BYTE kAutoSize = 0x10; // TBSTYLE_AUTOSIZE
constexpr BYTE kDropDown = 0x08; // TBSTYLE_DROPDOWN
constexpr int kNoImage = -2;     // I_IMAGENONE

constexpr MenuBarButton kMainBar[] = {
    {kNoImage, kCmdExit, kEnabled, kAutoSize, kIdsExit, kNoMenu},
    {kNoImage, kCmdMenu, kEnabled, kDropDown | kAutoSize, kIdsMenu, 0},
};

constexpr MenuBarButton kSettingsBar[] = {
    {kNoImage, kCmdSettingsSave, kEnabled, kAutoSize, kIdsSave, kNoMenu},
    {kNoImage, kCmdSettingsCancel, kEnabled, kAutoSize, kIdsCancel, kNoMenu},
};

constexpr MenuBarButton kSaveAsBar[] = {
    {kNoImage, kCmdSaveAsSave, kEnabled, kAutoSize, kIdsSave, kNoMenu},
    {kNoImage, kCmdFileCancel, kEnabled, kAutoSize, kIdsCancel, kNoMenu},
};

constexpr MenuBarButton kOpenBar[] = {
    {kNoImage, kCmdOpenDone, kEnabled, kAutoSize, kIdsDone, kNoMenu},
    {kNoImage, kCmdFileCancel, kEnabled, kAutoSize, kIdsCancel, kNoMenu},
};

constexpr MenuBar kMenuBars[] = {
    {kIdrMainMenuBar, kIdrMainFrame, kMainBar},
    {kIdrSettingsMenuBar, 0, kSettingsBar},
    {kIdrSaveAsMenuBar, 0, kSaveAsBar},
    {kIdrOpenMenuBar, 0, kOpenBar},
};

constexpr BYTE kCtrl = FVIRTKEY | FCONTROL;

constexpr Accelerator kMainAccelerators[] = {
    {kCtrl, 'N', kCmdFileNew},       {kCtrl, 'O', kCmdFileOpen},
    {kCtrl, 'Q', kCmdExit},          {kCtrl, 'S', kCmdFileSave},
    {FVIRTKEY, VK_F6, kCmdNextPane}, {FVIRTKEY | FSHIFT, VK_F6, kCmdPrevPane},
};

constexpr AcceleratorTable kAccelerators[] = {
    {kIdrMainFrame, kMainAccelerators},
};

} // namespace

std::span<const Menu> Menus() {
    return kMenus;
}

std::span<const MenuBar> MenuBars() {
    return kMenuBars;
}

std::span<const AcceleratorTable> AcceleratorTables() {
    return kAccelerators;
}

} // namespace resources
