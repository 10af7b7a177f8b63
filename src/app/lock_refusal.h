// What a job on the handset says when it did not get the handset's lock: busy only when another
// job holds it; otherwise the folder and the system's reason, since waiting would not help.
#pragma once

#include "platform/handset_lock.h"

#include <string>

// The result text for a lock that is not held ("cannot write to the handset folder /x:
// Permission denied"); empty for a held lock.
std::u16string LockRefusalText(const HandsetLock& lock);
