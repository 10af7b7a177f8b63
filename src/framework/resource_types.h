// The types of the resources that windows are built from: dialog templates with their
// controls, menus, soft-key menu bars and accelerator tables. The program supplies the data.
#pragma once

#include "platform/wintypes.h"

#include <span>
#include <string_view>

// Control styles that the templates use, with their platform values.
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD SS_LEFT = 0x0;
inline constexpr DWORD SS_CENTER = 0x1;
inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x3;
inline constexpr DWORD BS_OWNERDRAW = 0xB;
inline constexpr DWORD BS_TYPEMASK = 0xF;
inline constexpr DWORD ES_AUTOHSCROLL = 0x80;
inline constexpr DWORD CBS_DROPDOWNLIST = 0x3;
inline constexpr DWORD LBS_NOTIFY = 0x1;
inline constexpr DWORD LBS_SORT = 0x2;
inline constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x100;

namespace framework {

enum class ControlClass { Static, Button, Edit, ComboBox, ListBox, ProgressBar };

struct ControlTemplate {
    int id;
    ControlClass controlClass;
    std::u16string_view text;
    short x, y, cx, cy; // dialog units
    DWORD style;
};

struct DialogTemplate {
    unsigned id;
    std::u16string_view caption;
    std::u16string_view fontName;
    int fontPoints;
    short cx, cy; // dialog units
    std::span<const ControlTemplate> controls;
};

// An entry of a menu: a command, or a popup with entries of its own (command 0).
struct MenuItem {
    std::u16string_view text;
    unsigned command;
    std::span<const MenuItem> popup;
};

// A menu resource: its top-level popups in order.
struct Menu {
    unsigned id;
    std::span<const MenuItem> popups;
};

inline constexpr int kNoMenu = -1;

// One soft key of a menu bar; the caption is a string-table number. A key with a submenu
// drops down that popup of the bar's menu resource instead of sending its command.
struct MenuBarButton {
    int image;
    unsigned command;
    BYTE state;
    BYTE style;
    unsigned caption;
    int subMenu;
};

struct MenuBar {
    unsigned id;
    unsigned menu; // the menu resource that holds the submenus
    std::span<const MenuBarButton> buttons;
};

// Accelerator flags and the virtual keys that the tables use.
inline constexpr BYTE FVIRTKEY = 0x01;
inline constexpr BYTE FSHIFT = 0x04;
inline constexpr BYTE FCONTROL = 0x08;
inline constexpr BYTE FALT = 0x10;
inline constexpr WORD VK_F6 = 0x75;

struct Accelerator {
    BYTE flags;
    WORD key;
    unsigned command;
};

struct AcceleratorTable {
    unsigned id;
    std::span<const Accelerator> entries;
};

} // namespace framework
