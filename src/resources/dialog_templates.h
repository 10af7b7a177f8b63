// Dialog templates by resource number: the dialog's caption, font and size in dialog units, and
// its controls with identifier, class, text, rectangle and styles.
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

namespace resources {

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

// The template of that number, nullptr when there is none.
const DialogTemplate* FindDialogTemplate(unsigned id);

// The maker's web address shown in the footers.
inline constexpr std::u16string_view kMakerAddress = u"www.brennomatic.example";

} // namespace resources
