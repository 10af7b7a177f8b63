#include "framework/menu_bar.h"
#include "framework/resource_catalog.h"

#include "framework/command_target.h"
#include "framework/fonts.h"
#include "framework/qt_text.h"
#include "framework/screen.h"
#include "framework/strings.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>

#include <algorithm>
#include <span>

namespace framework {
namespace {

constexpr int kBarHeight = 26;
constexpr int kFontHeight = 12;

QString LoadCaption(unsigned id) {
    return ToQString(LoadResourceString(id));
}

// Where a submenu of size opens, in global coordinates: beside its parent menu where the
// handset's screen has room on either side, else above or below its entry (whichever has room,
// right-aligned with the parent menu), so that it never covers the entry it belongs to.
QPoint PlaceSubmenu(const QRect& screen, const QRect& parent, const QRect& entry, QSize size) {
    const auto within = [](int value, int low, int high) {
        return std::max(low, std::min(value, high));
    };
    const int lowestTop = screen.bottom() + 1 - size.height();
    const int rightmostLeft = screen.right() + 1 - size.width();
    if (parent.right() + 1 <= rightmostLeft) {
        return QPoint(parent.right() + 1, within(entry.top(), screen.top(), lowestTop));
    }
    if (parent.left() - size.width() >= screen.left()) {
        return QPoint(parent.left() - size.width(), within(entry.top(), screen.top(), lowestTop));
    }
    const int left = within(parent.right() + 1 - size.width(), screen.left(), rightmostLeft);
    const int roomAbove = entry.top() - screen.top();
    const int roomBelow = screen.bottom() - entry.bottom();
    if (roomAbove >= size.height() || roomAbove >= roomBelow) {
        return QPoint(left, std::max(screen.top(), entry.top() - size.height()));
    }
    return QPoint(left, entry.bottom() + 1);
}

// A popup of the soft-key menu. The handset's screen is the window that holds the bar, which
// on a desktop is far smaller than the desktop: a submenu opens inside that window.
class SoftKeyMenu final : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void showEvent(QShowEvent* event) override {
        QMenu::showEvent(event);
        const auto* parentMenu = qobject_cast<const QMenu*>(parentWidget());
        if (parentMenu == nullptr) {
            return;
        }
        const QWidget* holder = parentMenu;
        while (qobject_cast<const QMenu*>(holder) != nullptr) {
            holder = holder->parentWidget();
        }
        if (holder == nullptr) {
            return;
        }
        const QWidget* window = holder->window();
        const QRect screen(window->mapToGlobal(QPoint()), window->size());
        const QRect entry = parentMenu->actionGeometry(menuAction());
        move(PlaceSubmenu(screen, parentMenu->geometry(),
                          QRect(parentMenu->mapToGlobal(entry.topLeft()), entry.size()), size()));
    }
};

// Each command entry posts its command itself, however the entry was chosen: the menu has
// closed by the time the command arrives.
void FillMenu(QMenu& menu, std::span<const MenuItem> items, QObject& context,
              CommandTarget& target) {
    for (const MenuItem& item : items) {
        if (!item.popup.empty()) {
            auto* sub = new SoftKeyMenu(ToQString(item.text), &menu); // owned by the menu
            menu.addMenu(sub);
            FillMenu(*sub, item.popup, context, target);
            continue;
        }
        QAction* action = menu.addAction(ToQString(item.text));
        action->setData(item.command);
        const UINT command = item.command;
        QObject::connect(action, &QAction::triggered, &context, [&context, &target, command] {
            QMetaObject::invokeMethod(
                &context, [&target, command] { target.SendCommand(command, 0); },
                Qt::QueuedConnection);
        });
    }
}

} // namespace

SoftKeyBar::SoftKeyBar(const MenuBar& bar, QWidget* parent, CommandTarget& target)
    : QWidget(parent), bar_(bar), target_(target) {
    setObjectName(QStringLiteral("SoftKeyBar"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(32, 48, 80));
    colours.setColor(QPalette::ButtonText, Qt::white);
    setPalette(colours);
    setFont(MakeFont(u"Tahoma", kFontHeight * DisplayScale(), true));

    auto* layout = new QHBoxLayout(this); // owned by the bar
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const Menu* menu = FindMenu(bar.menu);
    for (std::size_t index = 0; index < bar.buttons.size() && index < 2; ++index) {
        const MenuBarButton& button = bar.buttons[index];
        auto* key = new QPushButton(LoadCaption(button.caption), this);
        key->setObjectName(index == 0 ? QStringLiteral("LeftSoftKey")
                                      : QStringLiteral("RightSoftKey"));
        key->setFlat(true);
        key->setFocusPolicy(Qt::NoFocus);
        key->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(key);
        keys_[index] = key;
        const auto subMenu = static_cast<std::size_t>(button.subMenu);
        if (button.subMenu != kNoMenu && menu != nullptr && subMenu < menu->popups.size()) {
            popups_[index] = new SoftKeyMenu(this);
            FillMenu(*popups_[index], menu->popups[subMenu].popup, *this, target_);
        }
        connect(key, &QPushButton::clicked, this, [this, index] { Press(int(index)); });
    }
    parent->installEventFilter(this);
    PlaceAlongBottom();
    show();
}

QPushButton* SoftKeyBar::Key(int index) const {
    return index >= 0 && index < 2 ? keys_[index] : nullptr;
}

QMenu* SoftKeyBar::Popup(int index) const {
    return index >= 0 && index < 2 ? popups_[index] : nullptr;
}

int SoftKeyBar::Height() {
    return kBarHeight * DisplayScale();
}

bool SoftKeyBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        PlaceAlongBottom();
    }
    return false;
}

void SoftKeyBar::PlaceAlongBottom() {
    const QWidget* parent = parentWidget();
    setGeometry(0, parent->height() - Height(), parent->width(), Height());
    raise();
}

void SoftKeyBar::Press(int index) {
    if (QMenu* popup = popups_[index]) {
        const QPushButton* key = keys_[index];
        const QSize size = popup->sizeHint();
        const QPoint corner = key->mapToGlobal(QPoint(key->width(), 0));
        popup->popup(QPoint(corner.x() - size.width(), corner.y() - size.height()));
        return;
    }
    target_.SendCommand(bar_.buttons[static_cast<std::size_t>(index)].command, 0);
}

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
    if (info == nullptr || info->hwndParent == nullptr) {
        return FALSE;
    }
    const MenuBar* bar = FindMenuBar(info->nToolBarId);
    auto* target = dynamic_cast<CommandTarget*>(info->hwndParent);
    if (bar == nullptr || target == nullptr) {
        return FALSE;
    }
    info->hwndMB = new SoftKeyBar(*bar, info->hwndParent, *target); // owned by the parent
    return TRUE;
}

} // namespace framework
