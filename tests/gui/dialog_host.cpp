#include "dialog_host.h"

#include "app/windows/progress_dialog.h"
#include "dialogs/open_file_dialog.h"
#include "dialogs/save_as_dialog.h"
#include "framework/menu_bar.h"
#include "platform/device.h"
#include "platform/registry.h"
#include "platform/unique_handle.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace gui_test {

void AnswerBox(Box& seen, std::function<void()> before) {
    WhenModal<QMessageBox>([&seen, before = std::move(before)](QMessageBox* box) {
        if (before) {
            before();
        }
        ++seen.count;
        seen.text = box->text();
        seen.caption = box->windowTitle();
        seen.icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
}

void TypeName(framework::Dialog* dialog, int editId, const QString& text) {
    auto* edit = dialog->DlgItem<QLineEdit>(editId);
    QVERIFY(edit != nullptr);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

bool ChooseEntry(framework::Dialog* dialog, int comboId, const QString& text) {
    auto* combo = dialog->DlgItem<QComboBox>(comboId);
    const int wanted = combo != nullptr ? combo->findText(text, Qt::MatchExactly) : -1;
    for (int step = 0; wanted >= 0 && combo->currentIndex() != wanted && step < combo->count();
         ++step) {
        QTest::keyClick(combo, combo->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    }
    return wanted >= 0 && combo->currentIndex() == wanted;
}

bool ClickListEntry(framework::Dialog* dialog, int listId, const QString& text) {
    auto* list = dialog->DlgItem<QListWidget>(listId);
    const auto found =
        list != nullptr ? list->findItems(text, Qt::MatchExactly) : QList<QListWidgetItem*>();
    if (found.isEmpty()) {
        return false;
    }
    list->scrollToItem(found.front());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.front()).center());
    return list->currentItem() == found.front();
}

void PressSoftKey(framework::Dialog* dialog, int key) {
    QTest::mouseClick(dialog->MenuBar()->Key(key), Qt::LeftButton);
}

QStringList Entries(const framework::Dialog* dialog, int id) {
    QStringList texts;
    if (const auto* combo = dialog->DlgItem<QComboBox>(id)) {
        for (int i = 0; i < combo->count(); ++i) {
            texts << combo->itemText(i);
        }
    } else if (const auto* list = dialog->DlgItem<QListWidget>(id)) {
        for (int i = 0; i < list->count(); ++i) {
            texts << list->item(i)->text();
        }
    }
    return texts;
}

QString Chosen(const framework::Dialog* dialog, int comboId) {
    const auto* combo = dialog->DlgItem<QComboBox>(comboId);
    return combo != nullptr && combo->currentIndex() >= 0 ? combo->currentText() : QString();
}

std::filesystem::path HostPath(const std::u16string& devicePath) {
    std::filesystem::path host;
    device::ToHostPath(devicePath, host);
    return host;
}

void SetCardFolder(const std::u16string& folder) {
    HKEY key = 0;
    QCOMPARE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"System\\StorageManager\\Profiles\\PCMCIA", 0,
                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
             LONG{0});
    const OwnedKey owned(key);
    QCOMPARE(RegSetValueExW(key, u"Folder", 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(folder.c_str()),
                            static_cast<DWORD>((folder.size() + 1) * sizeof(char16_t))),
             LONG{0});
}

std::filesystem::path MakeDeviceFolder(const std::u16string& devicePath) {
    const std::filesystem::path host = HostPath(devicePath);
    std::filesystem::create_directories(host);
    return host;
}

void MakeDeviceFile(const std::u16string& devicePath) {
    WriteHostFile(HostPath(devicePath), "");
}

CommandWatcher::CommandWatcher(std::function<void(framework::Dialog*)> choose)
    : choose_(std::move(choose)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
}

void CommandWatcher::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) {
        return;
    }
    // A box may come up while a file dialog is being driven, so boxes are answered always.
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes_ << box->text();
        box->button(QMessageBox::Ok)->click();
    } else if (dynamic_cast<ProgressDialog*>(modal) != nullptr && lastProgress_ != modal) {
        lastProgress_ = modal;
        ++progressDialogs_;
    } else if ((dynamic_cast<SaveAsDialog*>(modal) != nullptr ||
                dynamic_cast<OpenFileDialog*>(modal) != nullptr) &&
               lastFileDialog_ != modal && !choosing_) {
        lastFileDialog_ = modal;
        ++fileDialogs_;
        choosing_ = true;
        choose_(static_cast<framework::Dialog*>(modal));
        choosing_ = false;
    }
}

} // namespace gui_test
