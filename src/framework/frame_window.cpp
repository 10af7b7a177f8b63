#include "framework/frame_window.h"
#include "framework/resource_catalog.h"

#include "framework/accelerators.h"
#include "framework/bitmaps.h"
#include "framework/menu_bar.h"
#include "framework/qt_text.h"
#include "framework/screen.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include <utility>

namespace framework {
namespace {

bool failNextCreation = false;

} // namespace

void FailNextWindowCreation() {
    failNextCreation = true;
}

FrameWindow::FrameWindow() = default;

FrameWindow::~FrameWindow() = default;

bool FrameWindow::CreateEx(std::u16string_view title) {
    if (std::exchange(failNextCreation, false)) {
        return false;
    }
    setWindowTitle(ToQString(title));
    setWindowIcon(ApplicationIcon());
    resize(HandsetScreenSize());
    if (OnCreate() != 0) {
        return false;
    }
    created_ = true;
    return true;
}

bool FrameWindow::LoadAccelerators(unsigned id) {
    accelerators_ = FindAccelerators(id);
    return accelerators_ != nullptr;
}

bool FrameWindow::PreTranslateMessage(QObject* receiver, QEvent* event) {
    const auto* widget = qobject_cast<QWidget*>(receiver);
    if (accelerators_ == nullptr || widget == nullptr || widget->window() != this ||
        event->type() != QEvent::KeyPress) {
        return false;
    }
    const unsigned command = TranslateAccelerator(*accelerators_, *static_cast<QKeyEvent*>(event));
    if (command == 0) {
        return false;
    }
    SendCommand(command, kAcceleratorCode);
    return true;
}

QRect FrameWindow::ClientArea() const {
    int barHeight = 0;
    for (const QObject* child : children()) {
        if (const auto* bar = dynamic_cast<const SoftKeyBar*>(child)) {
            barHeight = bar->height();
        }
    }
    return QRect(0, 0, width(), std::max(0, height() - barHeight));
}

void FrameWindow::OnDestroy() {
    // The top-level window's end is the application's.
    if (isWindow() && created_) {
        PostQuitMessage(1);
    }
}

void FrameWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OnSize(width(), height());
}

void FrameWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) {
        OnDestroy();
    }
}

} // namespace framework
