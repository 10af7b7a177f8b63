#include "framework/dialog_controls.h"

#include "framework/bitmap_button.h"
#include "framework/command_target.h"
#include "framework/drop_down_list.h"
#include "framework/label.h"
#include "framework/list_box.h"
#include "framework/qt_text.h"
#include "framework/screen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

namespace framework {
namespace {

constexpr int kCheckBoxSize = 13;

QWidget* CreateButton(const ControlTemplate& control, QWidget* parent, CommandTarget& target) {
    const UINT id = static_cast<UINT>(control.id);
    auto notify = [&target, id] { target.SendCommand(id, BN_CLICKED); };
    switch (control.style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX: {
        auto* box = new QCheckBox(ToQString(control.text), parent); // owned by the dialog
        // The box grows with the screen like the text beside it.
        box->setStyleSheet(QStringLiteral("QCheckBox::indicator { width: %1px; height: %1px; }")
                               .arg(kCheckBoxSize * DisplayScale()));
        QObject::connect(box, &QCheckBox::clicked, box, notify);
        return box;
    }
    case BS_OWNERDRAW: {
        auto* button = new BitmapButton(parent);
        QObject::connect(button, &BitmapButton::clicked, button, notify);
        return button;
    }
    default: {
        auto* button = new QPushButton(ToQString(control.text), parent);
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, button, notify);
        return button;
    }
    }
}

QWidget* CreateComboBox(const ControlTemplate& control, QWidget* parent, CommandTarget& target) {
    auto* combo = new DropDownList(parent);
    combo->setEditable(false);
    combo->setMaxVisibleItems(8);
    const UINT id = static_cast<UINT>(control.id);
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                     [&target, id] { target.SendCommand(id, CBN_SELCHANGE); });
    return combo;
}

QWidget* CreateListBox(const ControlTemplate& control, QWidget* parent, CommandTarget& target) {
    auto* list = new ListBox(parent);
    list->setSortingEnabled((control.style & LBS_SORT) != 0);
    list->setFrameShape((control.style & WS_BORDER) != 0 ? QFrame::Box : QFrame::NoFrame);
    list->setVerticalScrollBarPolicy((control.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAsNeeded
                                                                       : Qt::ScrollBarAlwaysOff);
    if ((control.style & LBS_NOTIFY) != 0) {
        const UINT id = static_cast<UINT>(control.id);
        QObject::connect(list, &QListWidget::itemSelectionChanged, list,
                         [&target, id] { target.SendCommand(id, LBN_SELCHANGE); });
    }
    return list;
}

QWidget* CreateEdit(const ControlTemplate& control, QWidget* parent, CommandTarget& target) {
    auto* edit = new QLineEdit(ToQString(control.text), parent);
    edit->setFrame((control.style & WS_BORDER) != 0);
    const UINT id = static_cast<UINT>(control.id);
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [&target, id] { target.SendCommand(id, EN_CHANGE); });
    return edit;
}

QWidget* CreateProgressBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QWidget* CreateWidget(const ControlTemplate& control, QWidget* parent, CommandTarget& target) {
    switch (control.controlClass) {
    case ControlClass::Static:
        return new Label(ToQString(control.text), (control.style & SS_CENTER) != 0, parent);
    case ControlClass::Button:
        return CreateButton(control, parent, target);
    case ControlClass::Edit:
        return CreateEdit(control, parent, target);
    case ControlClass::ComboBox:
        return CreateComboBox(control, parent, target);
    case ControlClass::ListBox:
        return CreateListBox(control, parent, target);
    case ControlClass::ProgressBar:
        return CreateProgressBar(parent);
    }
    return nullptr;
}

} // namespace

QWidget* CreateControl(const ControlTemplate& control, const QRect& rect, QWidget* parent,
                       CommandTarget& target) {
    QWidget* widget = CreateWidget(control, parent, target);
    if (widget == nullptr) {
        return nullptr;
    }
    widget->setObjectName(QStringLiteral("control%1").arg(control.id));
    QRect place = rect;
    // A drop-down list's template height is the extent of its open list; shut, it is one line.
    if (control.controlClass == ControlClass::ComboBox) {
        place.setHeight(std::min(rect.height(), widget->sizeHint().height()));
    }
    widget->setGeometry(place);
    return widget;
}

} // namespace framework
