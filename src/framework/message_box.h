// Message boxes: a modal box over its owner with a text, a caption, an icon and an OK button.
#pragma once

#include "platform/wintypes.h"

#include <string_view>

class QWidget;

namespace framework {

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_ICONERROR = 0x00000010;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONWARNING = 0x00000030;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;
inline constexpr UINT MB_ICONMASK = 0x000000F0;

// Runs the box until the user dismisses it; returns IDOK.
int MessageBoxW(QWidget* owner, std::u16string_view text, std::u16string_view caption, UINT flags);

} // namespace framework
