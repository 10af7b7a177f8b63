#include "framework/screen.h"

#include "framework/fonts.h"

#include <QApplication>
#include <QStyleFactory>

#include <algorithm>

namespace framework {
namespace {

QSize screenSize{480, 640};

} // namespace

QSize HandsetScreenSize() {
    return screenSize;
}

void SetHandsetScreenSize(QSize size) {
    screenSize = size;
}

int DisplayScale(QSize screen) {
    return std::max(1, std::min(screen.width(), screen.height()) / 240);
}

int DisplayScale() {
    return DisplayScale(screenSize);
}

void ApplyHandsetLook() {
    constexpr int kSystemFontHeight = 12;
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style); // the application takes it
    }
    QApplication::setFont(MakeFont(u"Tahoma", kSystemFontHeight * DisplayScale()));
}

ScopedScreenSize::ScopedScreenSize(QSize size) : previous_(screenSize) {
    screenSize = size;
}

ScopedScreenSize::~ScopedScreenSize() {
    screenSize = previous_;
}

} // namespace framework
