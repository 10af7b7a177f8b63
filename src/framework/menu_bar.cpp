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

#include <span>

namespace framework {
namespace {

constexpr int kBarHeight = 26;
constexpr int kFontHeight = 12;

QString LoadCaption(unsigned id) {
    return ToQString(LoadResourceString(id));
}

// Each command entry posts its command itself, however the entry was chosen: the menu has
// closed by the time the command arrives.
void FillMenu(QMenu& menu, std::span<const MenuItem> items, QObject& context,
              CommandTarget& target) {
    for (const MenuItem& item : items) {
        if (!item.popup.empty()) {
            QMenu* sub = menu.addMenu(ToQString(item.text));
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
            popups_[index] = new QMenu(this);
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
