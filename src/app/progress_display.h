// What a job's counters look like on screen: the progress dialog's counter line and bar position,
// and the command-line tool's status line.
#pragma once

#include "platform/wintypes.h"

#include <string>

// "%d / %d" of current and total.
std::u16string ProgressCounterText(DWORD current, DWORD total);

// The truncated current / total x 100 in double precision; 0 while total is 0.
int ProgressBarPosition(DWORD current, DWORD total);

// The status line of a running job for a console: the counter, the percentage and, once a
// second has passed and something was done, the rate and the time left. Empty while the total
// is still 0, so that no "0 / 0" is shown before the job has counted.
std::string ProgressStatusText(DWORD current, DWORD total, double elapsedSeconds);
