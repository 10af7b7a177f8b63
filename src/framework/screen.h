// The handset's screen: the size the main window takes, and the display scale that every layout
// pixel value and font height is multiplied by.
#pragma once

#include <QSize>

namespace framework {

// 480 x 640 unless changed; the main window's client area takes this size.
QSize HandsetScreenSize();
void SetHandsetScreenSize(QSize size);

// max(1, min(width, height) / 240), integer division.
int DisplayScale(QSize screen);
// The scale of the handset screen.
int DisplayScale();

// The look of the handset's own windows: its style and, for message boxes and menus, a
// dialog font at the display scale.
void ApplyHandsetLook();

// Restores the previous screen size when it goes, for tests that use another one.
class ScopedScreenSize {
public:
    explicit ScopedScreenSize(QSize size);
    ~ScopedScreenSize();
    ScopedScreenSize(const ScopedScreenSize&) = delete;
    ScopedScreenSize& operator=(const ScopedScreenSize&) = delete;

private:
    QSize previous_;
};

} // namespace framework
