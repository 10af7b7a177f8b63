#include "cli/cli_front_end.h"

#include "app/progress_display.h"
#include "cli/console.h"
#include "cli/interrupt.h"
#include "platform/threads.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// A log gets a status line at most this often, a terminal every redraw interval; the end of
// the job is noticed within a poll, so a short job does not wait for the next redraw.
constexpr auto kLogInterval = std::chrono::seconds(5);
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);
constexpr DWORD kPollMs = 10;

} // namespace

std::u16string CliFrontEnd::ChooseBackupPath(const std::u16string& /*filter*/) {
    return file_;
}

std::u16string CliFrontEnd::ChooseRestorePath(const std::u16string& /*pattern*/) {
    return file_;
}

void CliFrontEnd::ShowProgress(const JobProgress& progress) {
    const bool live = !quiet_ && console::ErrIsTerminal();
    const Clock::time_point start = Clock::now();
    Clock::time_point lastLogged = start;
    Clock::time_point lastDrawn = start;
    bool drawn = false;
    while (!progress.done.load(std::memory_order_acquire)) {
        Sleep(kPollMs);
        if (progress.stop != nullptr && interrupt::Requested()) {
            progress.stop->store(true, std::memory_order_relaxed);
        }
        const Clock::time_point now = Clock::now();
        if (now - lastDrawn < kRedrawInterval) {
            continue;
        }
        lastDrawn = now;
        const std::string status =
            ProgressStatusText(progress.current.load(), progress.total.load(),
                               std::chrono::duration<double>(now - start).count());
        if (quiet_ || status.empty()) {
            continue;
        }
        if (live) {
            console::Err("\r" + status + "\x1b[K"); // clears what a longer line left
            drawn = true;
        } else if (now - lastLogged >= kLogInterval) {
            console::Err(status + "\n");
            lastLogged = now;
        }
    }
    if (drawn) {
        console::Err("\r\x1b[K");
    }
    current_ = progress.current.load();
    total_ = progress.total.load();
    result_ = progress.result;
}
