// How long-running file work learns that it should end after the message in hand: the caller's
// own test (the command-line tool's Ctrl-C). An empty one never stops.
#pragma once

#include <functional>

using StopCheck = std::function<bool()>;

[[nodiscard]] inline bool StopRequested(const StopCheck& stop) {
    return stop && stop();
}
