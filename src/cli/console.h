// Output for the person at the console: UTF-8 text on stdout and stderr.
#pragma once

#include <string>
#include <string_view>

namespace console {

void Out(std::u16string_view text);
void Out(std::string_view text);
void Err(std::u16string_view text);
void Err(std::string_view text);
[[nodiscard]] bool ErrIsTerminal();

// Flushes stdout; false when any write to it failed (a full disk, a closed pipe), so that the
// tool does not report success for output that was lost.
[[nodiscard]] bool FinishOut();

} // namespace console
