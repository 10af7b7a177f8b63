#include "framework/accelerators.h"

#include <QKeyEvent>

namespace framework {
namespace {

constexpr WORD kVkF1 = 0x70;

BYTE ModifierFlags(Qt::KeyboardModifiers modifiers) {
    BYTE flags = 0;
    if (modifiers & Qt::ShiftModifier) {
        flags |= FSHIFT;
    }
    if (modifiers & Qt::ControlModifier) {
        flags |= FCONTROL;
    }
    if (modifiers & Qt::AltModifier) {
        flags |= FALT;
    }
    return flags;
}

} // namespace

WORD VirtualKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return static_cast<WORD>(qtKey);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return static_cast<WORD>(kVkF1 + (qtKey - Qt::Key_F1));
    }
    return 0;
}

unsigned TranslateAccelerator(const AcceleratorTable& table, const QKeyEvent& key) {
    const WORD virtualKey = VirtualKeyOf(key.key());
    if (virtualKey == 0) {
        return 0;
    }
    const BYTE modifiers = ModifierFlags(key.modifiers());
    constexpr BYTE kModifierMask = FSHIFT | FCONTROL | FALT;
    for (const Accelerator& entry : table.entries) {
        if (entry.key == virtualKey && (entry.flags & kModifierMask) == modifiers) {
            return entry.command;
        }
    }
    return 0;
}

} // namespace framework
