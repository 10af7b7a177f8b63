#include "app/windows/window_front_end.h"

#include "app/windows/progress_dialog.h"
#include "framework/message_box.h"
#include "framework/module.h"
#include "framework/strings.h"
#include "platform/time.h"
#include "resources/string_table.h"

#include <QThread>

namespace {

constexpr unsigned long kWaitStepMs = 50;

FileChoice& Choice() {
    static FileChoice choice;
    return choice;
}

} // namespace

void SetFileChoice(FileChoice choice) {
    Choice() = std::move(choice);
}

std::u16string FilterExtension(const std::u16string& filter) {
    const std::size_t bar = filter.find(u'|');
    const std::u16string pattern = bar == std::u16string::npos ? u"" : filter.substr(bar + 1);
    const std::size_t dot = pattern.rfind(u'.');
    return dot == std::u16string::npos ? u"" : pattern.substr(dot);
}

std::u16string WindowFrontEnd::ChooseBackupPath(const std::u16string& filter) {
    if (Choice().backup) {
        return Choice().backup(filter);
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::u16string name = DefaultBackupName(now);
    name.erase(name.rfind(u'.'));
    return u"\\My Documents\\" + name + FilterExtension(filter);
}

std::u16string WindowFrontEnd::ChooseRestorePath(const std::u16string& pattern) {
    return Choice().restore ? Choice().restore(pattern) : std::u16string();
}

void WindowFrontEnd::ShowProgress(const JobProgress& progress) {
    ProgressDialog dialog(progress.done, progress.total, progress.current, progress.result, -1);
    if (dialog.DoModal(framework::GetActiveWindow()) == 1) {
        return;
    }
    // Without its dialog the job is still waited for, since the launcher destroys it next.
    while (progress.done.load(std::memory_order_acquire) != 1) {
        QThread::msleep(kWaitStepMs);
    }
    framework::MessageBoxW(framework::GetActiveWindow(), progress.result,
                           framework::LoadResourceString(resources::kIdsAppTitle),
                           framework::MB_ICONINFORMATION);
}
