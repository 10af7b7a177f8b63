#include "framework/dialog.h"
#include "framework/resource_catalog.h"

#include "framework/dialog_controls.h"
#include "framework/menu_bar.h"
#include "framework/qt_text.h"
#include "framework/screen.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QTimerEvent>
#include <algorithm>

namespace framework {

namespace {

// The host's stand-in faces are a little wider than the handset's, so a template drawn to fill
// the screen would run past its right edge: narrow the horizontal unit until the controls, with
// the template's left margin repeated on the right, fit the screen.
DialogBaseUnits FitToScreen(DialogBaseUnits base, const DialogTemplate& dialog) {
    int right = 0;
    int left = dialog.controls.empty() ? 0 : dialog.controls.front().x;
    for (const ControlTemplate& control : dialog.controls) {
        right = std::max(right, control.x + control.cx);
        left = std::min(left, static_cast<int>(control.x));
    }
    const int needed = right + std::max(left, 0);
    const int screen = HandsetScreenSize().width();
    if (needed > 0 && needed * base.width > screen * 4) {
        base.width = std::max(1, screen * 4 / needed);
    }
    return base;
}

// The margin that a template gives an edit box's text above and below it (8-unit text in a
// 12-unit box), in dialog units: kept also between a text and the edge of its box, and between
// a label's text and the control that follows it on its row.
constexpr int kTextMargin = 2;

// How wide a label's text may be, in dialog units: its rectangle, and short of the nearest
// control that starts to its right on the same row by the text margin.
int LabelTextRoom(const ControlTemplate& label, const DialogTemplate& dialog) {
    int room = label.cx;
    for (const ControlTemplate& other : dialog.controls) {
        const bool sameRow = other.y < label.y + label.cy && label.y < other.y + other.cy;
        if (&other != &label && sameRow && other.x >= label.x) {
            room = std::min(room, other.x - label.x - kTextMargin);
        }
    }
    return room;
}

// Narrowing the unit keeps the controls on the screen but may leave a label's text wider than
// its rectangle, running under the control beside it: draw the dialog's texts in the largest
// size, up to the template's, at which every label of the template fits with its margin.
QFont FitLabels(QFont font, const DialogTemplate& dialog, DialogBaseUnits base) {
    for (int pixels = font.pixelSize(); pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        const bool fits = std::ranges::all_of(dialog.controls, [&](const auto& control) {
            return control.controlClass != ControlClass::Static ||
                   metrics.horizontalAdvance(ToQString(control.text)) <=
                       MapDialogRect(QRect(0, 0, LabelTextRoom(control, dialog), 0), base).width();
        });
        if (fits) {
            break;
        }
    }
    return font;
}

} // namespace

Dialog::Dialog(unsigned templateId) : templateId_(templateId) {}

Dialog::~Dialog() = default;

bool Dialog::Build() {
    if (template_ != nullptr) {
        return true;
    }
    template_ = FindDialogTemplate(templateId_);
    if (template_ == nullptr) {
        return false;
    }
    setWindowTitle(ToQString(template_->caption));
    const QFont designed =
        MakeFont(template_->fontName, TemplateFontPixels(template_->fontPoints, DisplayScale()));
    baseUnits_ = FitToScreen(BaseUnitsOf(designed), *template_);
    templateFont_ = FitLabels(designed, *template_, baseUnits_);
    setFont(templateFont_);
    resize(MapDialogRect(QRect(0, 0, template_->cx, template_->cy)).size());
    for (const ControlTemplate& control : template_->controls) {
        const QRect units(control.x, control.y, control.cx, control.cy);
        if (QWidget* widget = CreateControl(control, MapDialogRect(units), this, *this)) {
            controls_[control.id] = widget;
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                const int margin = MapDialogRect(QRect(0, 0, kTextMargin, 0)).width();
                edit->setTextMargins(margin, 0, margin, 0);
            }
        }
    }
    return true;
}

int Dialog::DoModal(QWidget* owner) {
    setParent(owner, Qt::Dialog);
    setWindowModality(Qt::ApplicationModal);
    if (!Build()) {
        return -1;
    }
    ending_ = false;
    OnInitDialog();
    const int ended = ending_ ? result() : exec();
    // The caller owns the dialog object; the owner window must not delete it.
    setParent(nullptr);
    return ended;
}

bool Dialog::Create(QWidget* parent) {
    setParent(parent, Qt::Widget);
    if (!Build()) {
        return false;
    }
    OnInitDialog();
    show();
    return true;
}

void Dialog::EndDialog(int result) {
    ending_ = true;
    for (const auto& [id, timer] : timers_) {
        killTimer(timer);
    }
    timers_.clear();
    setResult(result);
    if (isVisible()) {
        done(result);
    }
}

QWidget* Dialog::GetDlgItem(int id) const {
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

std::u16string Dialog::GetDlgItemText(int id) const {
    const QWidget* item = GetDlgItem(id);
    if (const auto* label = dynamic_cast<const QLabel*>(item)) {
        return ToU16(label->text());
    }
    if (const auto* edit = dynamic_cast<const QLineEdit*>(item)) {
        return ToU16(edit->text());
    }
    if (const auto* button = dynamic_cast<const QAbstractButton*>(item)) {
        return ToU16(button->text());
    }
    if (const auto* combo = dynamic_cast<const QComboBox*>(item)) {
        return ToU16(combo->currentText());
    }
    return {};
}

void Dialog::SetDlgItemText(int id, std::u16string_view text) {
    QWidget* item = GetDlgItem(id);
    if (auto* label = dynamic_cast<QLabel*>(item)) {
        label->setText(ToQString(text));
    } else if (auto* edit = dynamic_cast<QLineEdit*>(item)) {
        edit->setText(ToQString(text));
    } else if (auto* button = dynamic_cast<QAbstractButton*>(item)) {
        button->setText(ToQString(text));
    }
}

UINT Dialog::IsDlgButtonChecked(int id) const {
    const auto* button = DlgItem<QAbstractButton>(id);
    return button != nullptr && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void Dialog::CheckDlgButton(int id, UINT check) {
    if (auto* button = DlgItem<QAbstractButton>(id)) {
        button->setChecked(check != BST_UNCHECKED);
    }
}

int Dialog::ComboAddString(int id, std::u16string_view text) {
    auto* combo = DlgItem<QComboBox>(id);
    if (combo == nullptr) {
        return CB_ERR;
    }
    const QSignalBlocker quiet(combo);
    combo->addItem(ToQString(text));
    // An unsorted drop-down list has nothing selected until told.
    if (combo->count() == 1) {
        combo->setCurrentIndex(-1);
    }
    return combo->count() - 1;
}

void Dialog::ComboResetContent(int id) {
    if (auto* combo = DlgItem<QComboBox>(id)) {
        const QSignalBlocker quiet(combo);
        combo->clear();
    }
}

int Dialog::ComboGetCount(int id) const {
    const auto* combo = DlgItem<QComboBox>(id);
    return combo != nullptr ? combo->count() : CB_ERR;
}

int Dialog::ComboGetCurSel(int id) const {
    const auto* combo = DlgItem<QComboBox>(id);
    return combo != nullptr ? combo->currentIndex() : CB_ERR;
}

int Dialog::ComboSetCurSel(int id, int index) {
    auto* combo = DlgItem<QComboBox>(id);
    if (combo == nullptr) {
        return CB_ERR;
    }
    const QSignalBlocker quiet(combo);
    const bool valid = index >= 0 && index < combo->count();
    combo->setCurrentIndex(valid ? index : -1);
    return valid ? index : CB_ERR;
}

std::u16string Dialog::ComboGetLBText(int id, int index) const {
    const auto* combo = DlgItem<QComboBox>(id);
    return combo != nullptr ? ToU16(combo->itemText(index)) : std::u16string();
}

void Dialog::ComboSetItemData(int id, int index, std::u16string_view data) {
    if (auto* combo = DlgItem<QComboBox>(id)) {
        combo->setItemData(index, ToQString(data));
    }
}

std::u16string Dialog::ComboGetItemData(int id, int index) const {
    const auto* combo = DlgItem<QComboBox>(id);
    return combo != nullptr ? ToU16(combo->itemData(index).toString()) : std::u16string();
}

int Dialog::ListAddString(int id, std::u16string_view text) {
    auto* list = DlgItem<QListWidget>(id);
    if (list == nullptr) {
        return LB_ERR;
    }
    const QSignalBlocker quiet(list);
    auto* item = new QListWidgetItem(ToQString(text)); // owned by the list once added
    list->addItem(item);
    return list->row(item);
}

void Dialog::ListResetContent(int id) {
    if (auto* list = DlgItem<QListWidget>(id)) {
        const QSignalBlocker quiet(list);
        list->clear();
    }
}

int Dialog::ListGetCount(int id) const {
    const auto* list = DlgItem<QListWidget>(id);
    return list != nullptr ? list->count() : LB_ERR;
}

// The selected entry, not the current one: a list that gets focus makes its first row current
// without selecting it, and that row was never chosen.
int Dialog::ListGetCurSel(int id) const {
    const auto* list = DlgItem<QListWidget>(id);
    if (list == nullptr) {
        return LB_ERR;
    }
    const QList<QListWidgetItem*> chosen = list->selectedItems();
    return chosen.isEmpty() ? LB_ERR : list->row(chosen.front());
}

int Dialog::ListSetCurSel(int id, int index) {
    auto* list = DlgItem<QListWidget>(id);
    if (list == nullptr) {
        return LB_ERR;
    }
    const QSignalBlocker quiet(list);
    const bool valid = index >= 0 && index < list->count();
    if (valid) {
        list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    } else {
        list->clearSelection();
        list->setCurrentRow(-1);
    }
    return valid ? index : LB_ERR;
}

std::u16string Dialog::ListGetText(int id, int index) const {
    const auto* list = DlgItem<QListWidget>(id);
    const QListWidgetItem* item = list != nullptr ? list->item(index) : nullptr;
    return item != nullptr ? ToU16(item->text()) : std::u16string();
}

void Dialog::SetProgressPos(int id, int position) {
    if (auto* bar = DlgItem<QProgressBar>(id)) {
        bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
    }
}

QWidget* Dialog::Owner() const {
    return parentWidget();
}

void Dialog::MoveOverParent() {
    const QWidget* parent = Owner();
    if (parent == nullptr) {
        return;
    }
    setGeometry(isWindow() ? parent->window()->geometry() : parent->rect());
}

SoftKeyBar* Dialog::CreateMenuBar(unsigned resourceId) {
    SHMENUBARINFO info;
    info.hwndParent = this;
    info.nToolBarId = resourceId;
    menuBar_ = SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
    return menuBar_;
}

QRect Dialog::MapDialogRect(const QRect& units) const {
    return framework::MapDialogRect(units, baseUnits_);
}

void Dialog::SetTimer(UINT id, UINT milliseconds) {
    KillTimer(id);
    timers_[id] = startTimer(static_cast<int>(milliseconds));
}

void Dialog::KillTimer(UINT id) {
    const auto found = timers_.find(id);
    if (found != timers_.end()) {
        killTimer(found->second);
        timers_.erase(found);
    }
}

void Dialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnSize(width(), height());
}

void Dialog::timerEvent(QTimerEvent* event) {
    for (const auto& [id, timer] : timers_) {
        if (timer == event->timerId()) {
            OnTimer(id);
            return;
        }
    }
    QDialog::timerEvent(event);
}

// A dialog closes through EndDialog only; closing its window asks for IDCANCEL like Escape.
void Dialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void Dialog::reject() {
    SendCommand(IDCANCEL, 0);
}

} // namespace framework
