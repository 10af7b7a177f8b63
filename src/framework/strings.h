// String resources as whole texts.
#pragma once

#include "platform/wintypes.h"

#include <string>

namespace framework {

// The text of string resource id (up to 255 characters); empty when there is none.
std::u16string LoadResourceString(UINT id);

} // namespace framework
