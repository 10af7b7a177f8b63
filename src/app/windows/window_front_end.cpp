#include "app/windows/window_front_end.h"

#include "app/default_name.h"
#include "app/windows/progress_dialog.h"
#include "dialogs/open_file_dialog.h"
#include "dialogs/save_as_dialog.h"
#include "framework/message_box.h"
#include "framework/module.h"
#include "framework/strings.h"
#include "platform/time.h"
#include "resources/string_table.h"

#include <QThread>

namespace {

constexpr unsigned long kWaitStepMs = 50;
constexpr int kNoBitmap = -1;

} // namespace

std::u16string ProposeBackupName(const std::u16string& filter) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    SaveAsDialog dialog(filter, DefaultBackupName(now), u"Save as", kNoBitmap);
    return dialog.DoModal(framework::GetActiveWindow()) == framework::IDOK ? dialog.resultPath()
                                                                           : std::u16string();
}

std::u16string WindowFrontEnd::ChooseBackupPath(const std::u16string& filter) {
    return ProposeBackupName(filter);
}

std::u16string WindowFrontEnd::ChooseRestorePath(const std::u16string& pattern) {
    OpenFileDialog dialog(pattern, u"Open", kNoBitmap);
    return dialog.DoModal(framework::GetActiveWindow()) == framework::IDOK ? dialog.resultPath()
                                                                           : std::u16string();
}

void WindowFrontEnd::ShowProgress(const JobProgress& progress) {
    ProgressDialog dialog(progress.done, progress.total, progress.current, progress.result, -1);
    if (dialog.DoModal(framework::GetActiveWindow()) == 1) {
        return;
    }
    // Without its dialog the job is still waited for, since the launcher destroys it next.
    while (!progress.done.load(std::memory_order_acquire)) {
        QThread::msleep(kWaitStepMs);
    }
    framework::MessageBoxW(framework::GetActiveWindow(), progress.result,
                           framework::LoadResourceString(resources::kIdsAppTitle),
                           framework::MB_ICONINFORMATION);
}
