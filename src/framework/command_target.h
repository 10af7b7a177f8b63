// A window that takes command messages: from its controls, its soft keys, its menus and its
// accelerators, each with the command identifier and a notification code.
#pragma once

#include "platform/wintypes.h"

namespace framework {

// Notification codes of the controls.
inline constexpr UINT BN_CLICKED = 0;
inline constexpr UINT CBN_SELCHANGE = 1;
inline constexpr UINT LBN_SELCHANGE = 1;
inline constexpr UINT EN_CHANGE = 0x0300;
// The code of a command that came from an accelerator.
inline constexpr UINT kAcceleratorCode = 1;

// Standard dialog results and commands.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;

    // Delivers a command at once, as a sent command message.
    void SendCommand(UINT id, UINT code = 0) { OnCommand(id, code); }

protected:
    CommandTarget() = default;
    virtual void OnCommand(UINT id, UINT code) = 0;
};

} // namespace framework
