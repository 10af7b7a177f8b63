// What the progress display shows for a job's counters: the counter line and the bar position.
#pragma once

#include "platform/wintypes.h"

#include <string>

// "%d / %d" of current and total.
std::u16string ProgressCounterText(DWORD current, DWORD total);

// The truncated current / total x 100 in double precision; 0 while total is 0.
int ProgressBarPosition(DWORD current, DWORD total);
