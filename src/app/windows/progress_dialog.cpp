#include "app/windows/progress_dialog.h"

#include "app/progress_display.h"
#include "framework/bitmaps.h"
#include "framework/fonts.h"
#include "framework/label.h"
#include "framework/message_box.h"
#include "framework/screen.h"
#include "framework/strings.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

#include <QProgressBar>

using namespace resources;

namespace {

constexpr int kTitleFont = 14;
constexpr int kCounterFont = 14;
constexpr int kFooterFont = 12;
constexpr int kTopMargin = 15;
constexpr int kGap = 10;
constexpr int kBarHeight = 20;
constexpr int kBarPercent = 80;

} // namespace

ProgressDialog::ProgressDialog(const std::atomic<bool>& done, const std::atomic<DWORD>& total,
                               const std::atomic<DWORD>& current, const std::u16string& result,
                               int backgroundBitmap)
    : Dialog(kIddProgress), done_(done), total_(total), current_(current), result_(result),
      backgroundBitmap_(backgroundBitmap) {}

bool ProgressDialog::OnInitDialog() {
    MoveOverParent();
    const int s = framework::DisplayScale();
    const std::u16string_view face = u"MS Shell Dlg";
    GetDlgItem(kIdcProgressTitle)->setFont(framework::MakeFont(face, kTitleFont * s, false, true));
    GetDlgItem(kIdcProgressCounter)->setFont(framework::MakeFont(face, kCounterFont * s));
    GetDlgItem(kIdcProgressFooter)->setFont(framework::MakeFont(face, kFooterFont * s));
    LayOut(width());
    SetTimer(kTimerId, kPeriodMs);
    return true;
}

void ProgressDialog::OnSize(int width, int height) {
    if (backgroundBitmap_ != -1) {
        QPalette colours = palette();
        colours.setBrush(
            QPalette::Window,
            framework::LoadBitmap(static_cast<unsigned>(backgroundBitmap_)).scaled(width, height));
        setPalette(colours);
    }
    LayOut(width);
}

// Title, bar, counter and footer from the top down, each placed below the one before.
void ProgressDialog::LayOut(int clientWidth) {
    auto* title = DlgItem<framework::Label>(kIdcProgressTitle);
    QWidget* bar = GetDlgItem(kIdcProgressBar);
    auto* counter = DlgItem<framework::Label>(kIdcProgressCounter);
    auto* footer = DlgItem<framework::Label>(kIdcProgressFooter);
    if (title == nullptr || bar == nullptr || counter == nullptr || footer == nullptr) {
        return;
    }
    const int s = framework::DisplayScale();
    title->FitToText();
    title->move((clientWidth - title->width()) / 2, kTopMargin * s);

    const int barWidth = clientWidth * kBarPercent / 100;
    bar->setGeometry((clientWidth - barWidth) / 2, title->geometry().bottom() + 1 + kGap * s,
                     barWidth, kBarHeight * s);

    const int counterHeight = framework::TextExtent(counter->font(), counter->text()).height();
    counter->setGeometry(0, bar->geometry().bottom() + 1 + kGap * s, clientWidth, counterHeight);

    footer->FitToText();
    footer->move((clientWidth - footer->width()) / 2, counter->geometry().bottom() + 1 + kGap * s);
}

void ProgressDialog::UpdateDisplay() {
    const DWORD current = current_.load(std::memory_order_relaxed);
    const DWORD total = total_.load(std::memory_order_relaxed);
    SetDlgItemText(kIdcProgressCounter, ProgressCounterText(current, total));
    SetProgressPos(kIdcProgressBar, ProgressBarPosition(current, total));
}

void ProgressDialog::OnTimer(UINT /*id*/) {
    if (showingResult_) {
        return;
    }
    UpdateDisplay();
    if (!done_.load(std::memory_order_acquire)) {
        return;
    }
    // The worker has finished: its counters are final and its result text is written.
    UpdateDisplay();
    KillTimer(kTimerId);
    showingResult_ = true;
    framework::MessageBoxW(this, result_, framework::LoadResourceString(kIdsAppTitle),
                           framework::MB_ICONINFORMATION);
    EndDialog(1);
}
