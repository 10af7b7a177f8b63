#include "app/windows/screen_renderer.h"

#include "app/windows/folder_settings_dialog.h"
#include "app/windows/main_frame.h"
#include "app/windows/progress_dialog.h"
#include "dialogs/open_file_dialog.h"
#include "dialogs/save_as_dialog.h"
#include "framework/menu_bar.h"
#include "framework/module.h"
#include "framework/screen.h"
#include "framework/strings.h"
#include "platform/device.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

// The handset screen as the user sees it: the windows painted over each other in order, each
// at its place relative to the main window.
QImage Compose(QWidget& frame, const std::vector<QWidget*>& windows) {
    QImage screen(frame.size(), QImage::Format_RGB32);
    screen.fill(Qt::black);
    QPainter painter(&screen);
    painter.drawPixmap(0, 0, frame.grab());
    for (QWidget* window : windows) {
        const QRect place(window->geometry().topLeft() - frame.geometry().topLeft(),
                          window->size());
        painter.drawPixmap(place.topLeft(), window->grab());
        // A window smaller than the screen stands out by its border, as on the handset.
        if (window->size() != frame.size()) {
            painter.setPen(QPen(QColor(32, 48, 80), 2));
            painter.drawRect(place.adjusted(1, 1, -1, -1));
        }
    }
    return screen;
}

bool RenderMenu(MainFrame& frame, const QString& path) {
    QPushButton* key = frame.MenuBar()->Key(1);
    key->click();
    QMenu* menu = frame.MenuBar()->Popup(1);
    QApplication::processEvents();
    // The first entry chosen opens its submenu where the menu bar places it on the screen.
    QAction* backup = menu->actions().value(0);
    menu->setActiveAction(backup);
    QApplication::processEvents();
    QMenu* sub = backup->menu();
    const bool saved = sub->isVisible() && Compose(frame, {menu, sub}).save(path);
    menu->close();
    return saved;
}

bool RenderSettings(MainFrame& frame, const QString& path) {
    bool saved = false;
    QTimer::singleShot(0, &frame, [&] {
        auto* dialog = dynamic_cast<FolderSettingsDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr) {
            saved = Compose(frame, {dialog}).save(path);
            dialog->SendCommand(resources::kCmdSettingsCancel);
        }
    });
    FolderSettingsDialog dialog;
    dialog.DoModal(&frame);
    return saved;
}

bool RenderProgress(MainFrame& frame, const QString& progressPath, const QString& boxPath) {
    std::atomic<bool> done{false};
    std::atomic<DWORD> total{250};
    std::atomic<DWORD> current{100};
    const std::u16string result = framework::LoadResourceString(resources::kIdsBackupCompleted);
    bool progressSaved = false;
    bool boxSaved = false;
    QTimer::singleShot(0, &frame, [&] {
        auto* dialog = dynamic_cast<ProgressDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        dialog->SendTimerMessage(ProgressDialog::kTimerId);
        progressSaved = Compose(frame, {dialog}).save(progressPath);
        current = 250;
        done.store(true, std::memory_order_release);
        QTimer::singleShot(0, &frame, [&, dialog] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr) {
                boxSaved = Compose(frame, {dialog, box}).save(boxPath);
                box->button(QMessageBox::Ok)->click();
            }
        });
        dialog->SendTimerMessage(ProgressDialog::kTimerId);
    });
    ProgressDialog dialog(done, total, current, result, -1);
    dialog.DoModal(&frame);
    return progressSaved && boxSaved;
}

// A few folders and backups on the handset, so that the file dialogs have something to show.
void FillHandset() {
    const std::filesystem::path documents = device::Folder() / "My Documents";
    std::error_code ignored;
    for (const char* folder : {"Backups", "Exports"}) {
        std::filesystem::create_directories(documents / folder, ignored);
    }
    for (const char* file : {"Msgkeeper_2009351407.usms", "Msgkeeper_200941290.usms"}) {
        std::ofstream(documents / "Backups" / file).put('\0');
    }
}

// Runs a file dialog over the frame and saves the screen once it is up, then cancels it.
template <typename FileDialog>
bool RenderFileDialog(MainFrame& frame, FileDialog& dialog, const QString& path) {
    bool saved = false;
    QTimer::singleShot(0, &frame, [&] {
        if (QApplication::activeModalWidget() == &dialog) {
            saved = Compose(frame, {&dialog}).save(path);
            dialog.SendCommand(resources::kCmdFileCancel);
        }
    });
    dialog.DoModal(&frame);
    return saved;
}

bool RenderSaveAs(MainFrame& frame, const QString& path) {
    SaveAsDialog dialog(u"Unicode SMS Manager File(*.usms)|*.usms", u"Msgkeeper_2009351407.*",
                        u"Save as", -1);
    return RenderFileDialog(frame, dialog, path);
}

bool RenderOpen(MainFrame& frame, const QString& path) {
    OpenFileDialog dialog(u"*.usms", u"Open", -1);
    bool chosen = false;
    // Shown with the Backups folder chosen and its first backup selected.
    QTimer::singleShot(0, &frame, [&] {
        if (auto* folders = dialog.DlgItem<QComboBox>(resources::kIdcOpenFolder)) {
            folders->setCurrentIndex(folders->findText(QStringLiteral("Backups")));
        }
        chosen = dialog.ListSetCurSel(resources::kIdcOpenFile, 0) == 0;
    });
    return RenderFileDialog(frame, dialog, path) && chosen;
}

} // namespace

std::string RenderScreens(const QString& folder) {
    // A handset of its own, so that the pictures never touch the device in use.
    const QTemporaryDir handset;
    if (!handset.isValid()) {
        return "cannot make a temporary handset: " + handset.errorString().toStdString();
    }
    device::SetFolder(handset.path().toStdString());
    device::EnsureLayout();
    framework::ApplyHandsetLook();
    FillHandset();
    MainFrame frame;
    if (!frame.CreateEx(framework::LoadResourceString(resources::kIdsAppTitle))) {
        return "cannot create the main window";
    }
    framework::AppModule().SetMainWindow(&frame);
    frame.show();
    QApplication::processEvents();
    std::string failed;
    const auto note = [&](bool saved, const char* name) {
        if (!saved) {
            failed += std::string(failed.empty() ? "cannot write " : ", ") + name;
        }
    };
    const auto at = [&](const char* name) {
        return folder + QLatin1Char('/') + QLatin1String(name);
    };
    note(Compose(frame, {}).save(at("main_window.png")), "main_window.png");
    note(RenderMenu(frame, at("menu_open.png")), "menu_open.png");
    note(RenderSettings(frame, at("settings.png")), "settings.png");
    note(RenderProgress(frame, at("progress.png"), at("result_box.png")),
         "progress.png or result_box.png");
    note(RenderSaveAs(frame, at("save_as.png")), "save_as.png");
    note(RenderOpen(frame, at("open.png")), "open.png");
    framework::AppModule().SetMainWindow(nullptr);
    return failed.empty() ? failed : failed + " in " + folder.toStdString();
}
