// Accelerator tables: a key press with its modifiers becomes a command.
#pragma once

#include "framework/resource_types.h"

class QKeyEvent;

namespace framework {

// The virtual key of a Qt key: letters and digits as their capitals, F1 to F24 from 0x70;
// 0 for keys the tables cannot name.
WORD VirtualKeyOf(int qtKey);

// The command that the table gives for a key press; 0 when none does.
unsigned TranslateAccelerator(const AcceleratorTable& table, const QKeyEvent& key);

} // namespace framework
