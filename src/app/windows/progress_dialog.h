// The full-screen progress dialog of a running job: it polls the job's counters once a second,
// shows "current / total" and the bar, and once the job is done shows the final counts and the
// result text in a message box; it ends with 1 when the user has dismissed the box.
#pragma once

#include "framework/dialog.h"
#include "platform/wintypes.h"

#include <atomic>
#include <string>

class ProgressDialog final : public framework::Dialog {
public:
    static constexpr UINT kTimerId = 1;
    static constexpr UINT kPeriodMs = 1000;

    ProgressDialog(const std::atomic<bool>& done, const std::atomic<DWORD>& total,
                   const std::atomic<DWORD>& current, const std::u16string& result,
                   int backgroundBitmap);

protected:
    bool OnInitDialog() override;
    void OnSize(int width, int height) override;
    void OnTimer(UINT id) override;

private:
    void UpdateDisplay();
    void LayOut(int clientWidth);

    const std::atomic<bool>& done_;
    const std::atomic<DWORD>& total_;
    const std::atomic<DWORD>& current_;
    const std::u16string& result_;
    int backgroundBitmap_;
    bool showingResult_ = false;
};
