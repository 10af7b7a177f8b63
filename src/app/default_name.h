// The name a new backup is offered under before the user types one.
#pragma once

#include "platform/wintypes.h"

#include <string>

// "Msgkeeper_" and the unpadded year, month, day, hour and minute, then ".*" (the file type's
// extension replaces it).
std::u16string DefaultBackupName(const SYSTEMTIME& now);
