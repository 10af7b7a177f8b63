// Resource, control and command identifiers of the application's windows.
#pragma once

namespace resources {

// Dialog templates.
inline constexpr unsigned kIddMainView = 129;
inline constexpr unsigned kIddFolderSettings = 202;
inline constexpr unsigned kIddProgress = 21898;
inline constexpr unsigned kIddSaveAs = 15752;
inline constexpr unsigned kIddOpen = 39136;

// Menus, menu bars and accelerators.
inline constexpr unsigned kIdrMainFrame = 128; // menu 128 and accelerator table 128
inline constexpr unsigned kIdrMainMenuBar = 59394;
inline constexpr unsigned kIdrSettingsMenuBar = 203;
inline constexpr unsigned kIdrSaveAsMenuBar = 104;
inline constexpr unsigned kIdrOpenMenuBar = 106;

// Bitmaps.
inline constexpr unsigned kIdbBackup = 204;
inline constexpr unsigned kIdbRestore = 205;

// Main view controls.
inline constexpr int kIdcMainTitle = 1000;
inline constexpr int kIdcBackupButton = 1002;
inline constexpr int kIdcRestoreButton = 1003;
inline constexpr int kIdcBackupCaption = 1004;
inline constexpr int kIdcBackupDetail = 1005;
inline constexpr int kIdcMainFooter = 1006;
inline constexpr int kIdcRestoreDetail = 1007;
inline constexpr int kIdcRestoreCaption = 1008;

// Folder settings controls.
inline constexpr int kIdcDraft = 1007;
inline constexpr int kIdcInbox = 1008;
inline constexpr int kIdcOutbox = 1009;
inline constexpr int kIdcSent = 1010;
inline constexpr int kIdcDeleted = 1011;
inline constexpr int kIdcSelectFolders = 1012;

// Progress dialog controls.
inline constexpr int kIdcProgressBar = 1002;
inline constexpr int kIdcProgressTitle = 1003;
inline constexpr int kIdcProgressCounter = 1004;
inline constexpr int kIdcProgressFooter = 1006;

// Save-as dialog controls.
inline constexpr int kIdcSaveAsTitle = 1011;
inline constexpr int kIdcSaveAsNameLabel = 1001;
inline constexpr int kIdcSaveAsFolderLabel = 1002;
inline constexpr int kIdcSaveAsTypeLabel = 1003;
inline constexpr int kIdcSaveAsLocationLabel = 1004;
inline constexpr int kIdcSaveAsName = 1005;
inline constexpr int kIdcSaveAsFolder = 1006;
inline constexpr int kIdcSaveAsType = 1007;
inline constexpr int kIdcSaveAsLocation = 1008;

// Open dialog controls.
inline constexpr int kIdcOpenTitle = 1011;
inline constexpr int kIdcOpenLocationLabel = 1016;
inline constexpr int kIdcOpenFolderLabel = 1002;
inline constexpr int kIdcOpenFileLabel = 1018;
inline constexpr int kIdcOpenLocation = 1008;
inline constexpr int kIdcOpenFolder = 1019;
inline constexpr int kIdcOpenFile = 1020;

// Commands.
inline constexpr unsigned kCmdBackupAnsi = 32773;
inline constexpr unsigned kCmdBackupUnicode = 32779;
inline constexpr unsigned kCmdTextAnsi = 32774;
inline constexpr unsigned kCmdTextUtf8 = 32781;
inline constexpr unsigned kCmdTextUnicode = 32782;
inline constexpr unsigned kCmdCsvAnsi = 32788;
inline constexpr unsigned kCmdCsvUtf8 = 32789;
inline constexpr unsigned kCmdRestoreSms = 32775;
inline constexpr unsigned kCmdRestoreUnicode = 32784;
inline constexpr unsigned kCmdSettings = 32777;
inline constexpr unsigned kCmdExit = 57665;
inline constexpr unsigned kCmdMenu = 59282;
inline constexpr unsigned kCmdFileNew = 57600;
inline constexpr unsigned kCmdFileOpen = 57601;
inline constexpr unsigned kCmdFileSave = 57603;
inline constexpr unsigned kCmdNextPane = 57680;
inline constexpr unsigned kCmdPrevPane = 57681;
inline constexpr unsigned kCmdSettingsSave = 59280;
inline constexpr unsigned kCmdSettingsCancel = 59281;
inline constexpr unsigned kCmdSaveAsSave = 40003;
inline constexpr unsigned kCmdFileCancel = 40005;
inline constexpr unsigned kCmdOpenDone = 40008;

} // namespace resources
