// Menus, soft-key menu bars and accelerator tables by resource number.
#pragma once

#include "platform/wintypes.h"

#include <span>
#include <string_view>

namespace resources {

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

const Menu* FindMenu(unsigned id);
const MenuBar* FindMenuBar(unsigned id);
const AcceleratorTable* FindAccelerators(unsigned id);

} // namespace resources
