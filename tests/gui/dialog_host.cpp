#include "dialog_host.h"

#include "app/windows/progress_dialog.h"
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
        seen = Box{seen.count + 1, box->text(), box->windowTitle(), box->icon()};
        box->button(QMessageBox::Ok)->click();
    });
}

void TypeName(framework::Dialog* dialog, int editId, const QString& text) {
    auto* edit = dialog->DlgItem<QLineEdit>(editId);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

bool ChooseEntry(framework::Dialog* dialog, int comboId, const QString& text) {
    auto* combo = dialog->DlgItem<QComboBox>(comboId);
    const int wanted = combo->findText(text, Qt::MatchExactly);
    for (int step = 0; wanted >= 0 && combo->currentIndex() != wanted && step < combo->count();
         ++step) {
        QTest::keyClick(combo, combo->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    }
    return wanted >= 0 && combo->currentIndex() == wanted;
}

bool ClickListEntry(framework::Dialog* dialog, int listId, const QString& text) {
    auto* list = dialog->DlgItem<QListWidget>(listId);
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
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

QString SoftKeys(const framework::Dialog* dialog) {
    return dialog->MenuBar()->Key(0)->text() + "|" + dialog->MenuBar()->Key(1)->text();
}

QString Entries(const framework::Dialog* dialog, int id) {
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
    return texts.join('|');
}

QString Chosen(const framework::Dialog* dialog, int comboId) {
    const auto* combo = dialog->DlgItem<QComboBox>(comboId);
    return combo->currentIndex() >= 0 ? combo->currentText() : QString();
}

QString QText(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

std::filesystem::path HostPath(const std::u16string& devicePath) {
    std::filesystem::path host;
    device::ToHostPath(devicePath, host);
    return host;
}

void MakeFiles(std::initializer_list<const char16_t*> devicePaths) {
    for (const std::u16string path : devicePaths) {
        if (path.ends_with(u'\\')) {
            std::filesystem::create_directories(HostPath(path));
        } else {
            WriteHostFile(HostPath(path), "");
        }
    }
}

void SetCardValue(DWORD type, const QByteArray& bytes) {
    HKEY key = 0;
    QCOMPARE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"System\\StorageManager\\Profiles\\PCMCIA", 0,
                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
             LONG{0});
    const OwnedKey owned(key);
    QCOMPARE(RegSetValueExW(key, u"Folder", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size())),
             LONG{0});
}

void SetCardFolder(const std::u16string& folder) {
    SetCardValue(REG_SZ, QByteArray(reinterpret_cast<const char*>(folder.c_str()),
                                    static_cast<qsizetype>((folder.size() + 1) * 2)));
}

// A box may come up while a file dialog is being driven, so boxes are answered always.
CommandWatcher::CommandWatcher(std::function<void(framework::Dialog*)> choose)
    : choose_(std::move(choose)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.boxes << box->text();
            box->button(QMessageBox::Ok)->click();
            return;
        }
        if (modal == nullptr || modal == last_ || !modal->isVisible()) {
            return;
        }
        last_ = modal;
        if (dynamic_cast<ProgressDialog*>(modal) != nullptr) {
            ++seen.progressDialogs;
        } else if (auto* dialog = dynamic_cast<framework::Dialog*>(modal)) {
            ++seen.fileDialogs;
            choose_(dialog);
        }
    });
    timer_.start(5);
}

} // namespace gui_test
