// The Settings dialog: the checkboxes follow settings.dat, Save writes it, Cancel does not, and
// a failing Save keeps the dialog open behind an error box.
#include "gui_support.h"

#include "app/windows/folder_settings_dialog.h"
#include "framework/menu_bar.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "resources/resource_ids.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace resources;

namespace {

constexpr int kBoxes[] = {kIdcDraft, kIdcInbox, kIdcOutbox, kIdcSent, kIdcDeleted};

// The check states as "0" and "1", Draft first.
QString CheckStates(const framework::Dialog* dialog) {
    QString states;
    for (const int id : kBoxes) {
        states += dialog->DlgItem<QCheckBox>(id)->isChecked() ? u'1' : u'0';
    }
    return states;
}

QString SystemText(DWORD error) {
    LPWSTR text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                       0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const QString result = QString::fromUtf16(text, length);
    LocalFree(text);
    return result;
}

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, widget->height() / 2));
}

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        device_ = std::make_unique<TempDevice>();
        owner_ = std::make_unique<QWidget>();
        owner_->setGeometry(0, 0, 480, 640);
        owner_->show();
    }
    void cleanup() {
        owner_.reset();
        device_.reset();
    }

    void checkboxesFollowTheFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("states");
        QTest::newRow("all") << "01 01 01 01 01"
                             << "11111";
        QTest::newRow("none") << "00 00 00 00 00"
                              << "00000";
        QTest::newRow("mixed") << "01 00 01 00 01"
                               << "10101";
        QTest::newRow("any non-zero byte") << "00 7F 00 FF 00"
                                           << "01010";
        QTest::newRow("short file") << "00 01 00"
                                    << "01011";
        QTest::newRow("longer file") << "00 00 01 00 00 00 00"
                                     << "00100";
    }

    void checkboxesFollowTheFile() {
        QFETCH(QString, file);
        QFETCH(QString, states);
        const std::string bytes = gui_test::Bytes(file.toStdString());
        WriteHostFile(gui_test::SettingsHostPath(), bytes);
        QString shown;
        gui_test::WhenModal<FolderSettingsDialog>([&](FolderSettingsDialog* dialog) {
            shown = CheckStates(dialog);
            Click(dialog->MenuBar()->Key(1));
        });
        FolderSettingsDialog dialog;
        QCOMPARE(dialog.DoModal(owner_.get()), 2);
        QCOMPARE(shown, states);
        // Reading never rewrites the file, short or long.
        QCOMPARE(ReadHostFile(gui_test::SettingsHostPath()), bytes);
    }

    void dialogCoversItsParentWithSaveAndCancel() {
        QRect geometry;
        QString save;
        QString cancel;
        QString caption;
        gui_test::WhenModal<FolderSettingsDialog>([&](FolderSettingsDialog* dialog) {
            geometry = dialog->geometry();
            save = dialog->MenuBar()->Key(0)->text();
            cancel = dialog->MenuBar()->Key(1)->text();
            caption = dialog->windowTitle();
            Click(dialog->MenuBar()->Key(1));
        });
        FolderSettingsDialog dialog;
        dialog.DoModal(owner_.get());
        QCOMPARE(geometry, owner_->geometry());
        QCOMPARE(save, QStringLiteral("Save"));
        QCOMPARE(cancel, QStringLiteral("Cancel"));
        QCOMPARE(caption, QStringLiteral("Dialog"));
        QCOMPARE(dialog.DlgItem<QLabel>(kIdcSelectFolders)->text(),
                 QStringLiteral("Select folders:"));
    }

    void saveWritesTheCheckedFolders() {
        WriteHostFile(gui_test::SettingsHostPath(), gui_test::Bytes("01 01 01 01 01"));
        gui_test::WhenModal<FolderSettingsDialog>([&](FolderSettingsDialog* dialog) {
            Click(dialog->GetDlgItem(kIdcInbox));
            Click(dialog->GetDlgItem(kIdcDeleted));
            Click(dialog->MenuBar()->Key(0));
        });
        FolderSettingsDialog dialog;
        QCOMPARE(dialog.DoModal(owner_.get()), 1);
        QCOMPARE(ReadHostFile(gui_test::SettingsHostPath()), gui_test::Bytes("01 00 01 01 00"));
    }

    void saveWithEveryFolderCleared() {
        gui_test::WhenModal<FolderSettingsDialog>([&](FolderSettingsDialog* dialog) {
            for (const int id : kBoxes) {
                Click(dialog->GetDlgItem(id));
            }
            Click(dialog->MenuBar()->Key(0));
        });
        FolderSettingsDialog dialog;
        QCOMPARE(dialog.DoModal(owner_.get()), 1);
        QCOMPARE(ReadHostFile(gui_test::SettingsHostPath()), gui_test::Bytes("00 00 00 00 00"));
    }

    void cancelWritesNothing() {
        const std::string before = gui_test::Bytes("00 01 00 01 00");
        WriteHostFile(gui_test::SettingsHostPath(), before);
        gui_test::WhenModal<FolderSettingsDialog>([&](FolderSettingsDialog* dialog) {
            Click(dialog->GetDlgItem(kIdcDraft));
            Click(dialog->GetDlgItem(kIdcInbox));
            Click(dialog->MenuBar()->Key(1));
        });
        FolderSettingsDialog dialog;
        QCOMPARE(dialog.DoModal(owner_.get()), 2);
        QCOMPARE(ReadHostFile(gui_test::SettingsHostPath()), before);
    }

    void openingCreatesAMissingFile() {
        QVERIFY(!std::filesystem::exists(gui_test::SettingsHostPath()));
        QString shown;
        gui_test::WhenModal<FolderSettingsDialog>([&](FolderSettingsDialog* dialog) {
            shown = CheckStates(dialog);
            Click(dialog->MenuBar()->Key(1));
        });
        FolderSettingsDialog dialog;
        QCOMPARE(dialog.DoModal(owner_.get()), 2);
        QCOMPARE(shown, QStringLiteral("11111"));
        QCOMPARE(ReadHostFile(gui_test::SettingsHostPath()), gui_test::Bytes("01 01 01 01 01"));
    }

    void failingSaveShowsTheErrorAndStays() {
        WriteHostFile(gui_test::SettingsHostPath(), gui_test::Bytes("01 01 01 01 01"));
        const faults::FileFaultGuard disarm;
        QString text;
        QString caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool openAfterBox = false;
        QString statesAfterBox;
        gui_test::WhenModal<FolderSettingsDialog>([&](FolderSettingsDialog* dialog) {
            Click(dialog->GetDlgItem(kIdcOutbox));
            faults::ArmFileFault(faults::FileOp::Create, 1, ERROR_ACCESS_DENIED);
            gui_test::WhenModal<QMessageBox>([&](QMessageBox* box) {
                text = box->text();
                caption = box->windowTitle();
                icon = box->icon();
                gui_test::PressOk(box);
                QTimer::singleShot(0, dialog, [&, dialog] {
                    openAfterBox = dialog->isVisible();
                    statesAfterBox = CheckStates(dialog);
                    // The fault is spent: a second Save succeeds.
                    Click(dialog->MenuBar()->Key(0));
                });
            });
            Click(dialog->MenuBar()->Key(0));
        });
        FolderSettingsDialog dialog;
        QCOMPARE(dialog.DoModal(owner_.get()), 1);
        QCOMPARE(text, SystemText(ERROR_ACCESS_DENIED));
        QVERIFY(!text.isEmpty());
        QCOMPARE(caption, QStringLiteral("Brennomatic Msg Keeper v3.1"));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(openAfterBox);
        QCOMPARE(statesAfterBox, QStringLiteral("11011"));
        QCOMPARE(ReadHostFile(gui_test::SettingsHostPath()), gui_test::Bytes("01 01 00 01 01"));
    }

private:
    std::unique_ptr<TempDevice> device_;
    std::unique_ptr<QWidget> owner_;
};

int RunSettingsTests(int argc, char** argv) {
    SettingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "settings_test.moc"
