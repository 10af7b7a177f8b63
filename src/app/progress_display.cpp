#include "app/progress_display.h"

std::u16string ProgressCounterText(DWORD current, DWORD total) {
    const std::string text =
        std::to_string(static_cast<int>(current)) + " / " + std::to_string(static_cast<int>(total));
    return std::u16string(text.begin(), text.end());
}

int ProgressBarPosition(DWORD current, DWORD total) {
    if (total == 0) {
        return 0;
    }
    return static_cast<int>(static_cast<double>(current) / static_cast<double>(total) * 100.0);
}
