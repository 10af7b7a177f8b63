// Files that phones write beside their messages, named for what they are when a command that
// reads messages is given one: "FILE is a phone call log, not messages".
#pragma once

#include <string>

// True, after saying so on stderr, when file is a call log or a contacts file.
[[nodiscard]] bool RefuseFileOfOtherKind(const std::u16string& file);
