#include "framework/message_box.h"

#include "framework/command_target.h"
#include "framework/qt_text.h"
#include "framework/screen.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>

#include <algorithm>

namespace framework {
namespace {

constexpr int kScreenMargin = 8;
constexpr int kBorderWidth = 1;

QMessageBox::Icon IconOf(UINT flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The handset's screen: the window of the box's owner, or the main window's place when the box
// has no owner.
QRect HandsetScreen(const QWidget* owner) {
    const QWidget* window = owner != nullptr ? owner->window() : nullptr;
    if (window == nullptr) {
        return QRect(QPoint(), HandsetScreenSize());
    }
    return QRect(window->mapToGlobal(QPoint()), window->size());
}

// Qt sizes a box for a desktop screen, which may leave it wider than the handset's: the box is
// laid out again within the handset's screen, its text wrapped to fit, and centred on it. Qt
// sizes it anew on every layout request, so the box follows each time.
class HandsetMessageBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    bool event(QEvent* event) override {
        const bool handled = QMessageBox::event(event);
        if (event->type() == QEvent::LayoutRequest && isVisible()) {
            FitToHandset();
        }
        return handled;
    }

    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        FitToHandset();
    }

private:
    void FitToHandset() {
        const QRect screen = HandsetScreen(parentWidget());
        const int margin = kScreenMargin * DisplayScale();
        const int room = screen.width() - 2 * margin;
        if (width() > room) {
            if (auto* text = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                text->setWordWrap(true);
            }
            layout()->invalidate();
            const int height = layout()->hasHeightForWidth()
                                   ? layout()->totalHeightForWidth(room)
                                   : layout()->totalMinimumSize().height();
            setFixedSize(room, std::min(height, screen.height() - 2 * margin));
            layout()->activate();
        }
        // Laid out already: a request left by the wrapping would only size the box for the
        // desktop again.
        QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
        const QPoint corner = screen.center() - rect().center();
        move(std::clamp(corner.x(), screen.left(), screen.right() - width() + 1),
             std::clamp(corner.y(), screen.top(), screen.bottom() - height() + 1));
    }
};

} // namespace

int MessageBoxW(QWidget* owner, std::u16string_view text, std::u16string_view caption, UINT flags) {
    HandsetMessageBox box(IconOf(flags), ToQString(caption), ToQString(text), QMessageBox::Ok,
                          owner);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    // Without a window manager's frame, the box stands out from the dialog under it by a border.
    box.setStyleSheet(QStringLiteral("QMessageBox { border: %1px solid rgb(32, 48, 80); }")
                          .arg(kBorderWidth * DisplayScale()));
    box.exec();
    return IDOK;
}

} // namespace framework
