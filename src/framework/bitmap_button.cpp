#include "framework/bitmap_button.h"

#include "framework/bitmaps.h"

#include <QPainter>

namespace framework {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void BitmapButton::LoadBitmaps(unsigned normalId) {
    bitmap_ = LoadBitmap(normalId);
    update();
}

QSize BitmapButton::sizeHint() const {
    return bitmap_.isNull() ? QSize(32, 32) : bitmap_.size();
}

void BitmapButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Held down, the image sinks by a pixel or two, as a pushed button does.
    const int sink = isDown() ? std::max(1, width() / 48) : 0;
    const QRect target = rect().adjusted(sink, sink, sink, sink);
    if (!bitmap_.isNull()) {
        painter.drawPixmap(target, bitmap_);
    }
    if (!isEnabled()) {
        painter.fillRect(rect(), QColor(255, 255, 255, 128));
    }
}

} // namespace framework
