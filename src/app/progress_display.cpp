#include "app/progress_display.h"

#include <algorithm>
#include <cstdio>

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

namespace {

std::string Duration(double seconds) {
    const auto whole = static_cast<unsigned long long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu", whole / 60, whole % 60);
    }
    return text;
}

} // namespace

std::string ProgressStatusText(DWORD current, DWORD total, double elapsedSeconds) {
    if (total == 0) {
        return {};
    }
    const DWORD shown = std::min(current, total);
    std::string text = std::to_string(shown) + " / " + std::to_string(total) + " messages  " +
                       std::to_string(ProgressBarPosition(shown, total)) + "%";
    if (elapsedSeconds >= 1.0 && shown > 0) {
        const double rate = shown / elapsedSeconds;
        text += "  " + std::to_string(static_cast<unsigned long long>(rate + 0.5)) + "/s  " +
                Duration((total - shown) / rate) + " left";
    }
    return text;
}
