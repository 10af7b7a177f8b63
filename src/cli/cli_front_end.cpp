#include "cli/cli_front_end.h"

#include "app/progress_display.h"
#include "cli/console.h"
#include "platform/threads.h"

std::u16string CliFrontEnd::ChooseBackupPath(const std::u16string& /*filter*/) {
    return file_;
}

std::u16string CliFrontEnd::ChooseRestorePath(const std::u16string& /*pattern*/) {
    return file_;
}

void CliFrontEnd::ShowProgress(const JobProgress& progress) {
    const bool live = console::ErrIsTerminal();
    std::u16string shown;
    int ticks = 0;
    for (;;) {
        const bool done = progress.done.load(std::memory_order_acquire) == 1;
        const std::u16string counter =
            ProgressCounterText(progress.current.load(), progress.total.load());
        // A terminal gets a live line; a log gets a line a second and the final count.
        if (live && counter != shown) {
            console::Err(u"\r" + counter);
            shown = counter;
        } else if (!live && counter != shown && (done || ticks % 5 == 0)) {
            console::Err(counter + u"\n");
            shown = counter;
        }
        if (done) {
            break;
        }
        Sleep(200);
        ++ticks;
    }
    if (live) {
        console::Err(u"\n");
    }
    result_ = progress.result;
    console::Out(result_ + u"\n");
}
