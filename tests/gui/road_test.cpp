// The road of a backup and a restore on a handset with the demo messages: from the button
// through the file dialog, the job and its progress dialog to the result box.
#include "dialog_host.h"

#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "devkit/demo_data.h"
#include "devkit/mapi_admin.h"
#include "framework/module.h"
#include "resources/resource_ids.h"

#include <QLineEdit>
#include <QRegularExpression>

using namespace resources;

namespace {

// Types the name into the Save-as dialog and saves in main memory's root, or opens the file
// there; cancels either when cancel is set or the file is not listed.
std::function<void(framework::Dialog*)> Choose(const QString& name, bool cancel = false) {
    return [name, cancel](framework::Dialog* dialog) {
        if (cancel) {
            gui_test::PressSoftKey(dialog, 1);
        } else if (dialog->GetDlgItem(kIdcSaveAsName) != nullptr) {
            gui_test::TypeName(dialog, kIdcSaveAsName, name);
            gui_test::PressSoftKey(dialog, 0);
        } else {
            const bool listed = gui_test::ClickListEntry(dialog, kIdcOpenFile, name + ".usms");
            gui_test::PressSoftKey(dialog, listed ? 0 : 1);
        }
    };
}

QStringList FilesInMyDocuments() {
    QStringList files;
    for (const auto& entry :
         std::filesystem::directory_iterator(gui_test::HostPath(u"\\My Documents\\"))) {
        files << QString::fromStdString(entry.path().filename().string());
    }
    files.sort();
    return files;
}

} // namespace

class RoadTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        device_ = std::make_unique<TempDevice>();
        QVERIFY(mapi_admin::CreateDeviceStore());
        frame_ = std::make_unique<MainFrame>();
        QVERIFY(frame_->CreateEx(u"Brennomatic Msg Keeper v3.1"));
        framework::AppModule().SetMainWindow(frame_.get());
        frame_->show();
    }

    void cleanup() {
        framework::AppModule().SetMainWindow(nullptr);
        frame_.reset();
        device_.reset();
    }

    void buttonsEndInTheirResultBoxes() {
        std::string reason;
        QVERIFY2(AddDemoMessages(reason), reason.c_str());
        QStringList types;
        QString proposed;
        {
            gui_test::CommandWatcher watcher([&](framework::Dialog* dialog) {
                types = gui_test::Entries(dialog, kIdcSaveAsType);
                proposed = dialog->DlgItem<QLineEdit>(kIdcSaveAsName)->text();
                Choose("road")(dialog);
            });
            Press(kIdcBackupButton);
            QCOMPARE(watcher.FileDialogs(), 1);
            QVERIFY(watcher.ProgressDialogs() >= 1);
            QCOMPARE(watcher.Boxes(), QStringList{"Backup Completed."});
        }
        QCOMPARE(types, QStringList{"Unicode SMS Manager File(*.usms)"});
        QVERIFY2(QRegularExpression("^Msgkeeper_[0-9]{7,12}$").match(proposed).hasMatch(),
                 qPrintable(proposed));
        QCOMPARE(FilesInMyDocuments(), QStringList{"road.usms"});
        QVERIFY(std::filesystem::file_size(gui_test::HostPath(u"\\My Documents\\road.usms")) > 0);

        gui_test::CommandWatcher watcher(Choose("road"));
        Press(kIdcRestoreButton);
        QCOMPARE(watcher.FileDialogs(), 1);
        QVERIFY(watcher.ProgressDialogs() >= 1);
        QCOMPARE(watcher.Boxes(), QStringList{"Restore Completed."});
    }

    // A cancelled file dialog starts no job; a handset without the store named "SMS" says so
    // and writes no file.
    void cancelledOrWithoutStore_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("boxes");
        const QStringList noStore{"SMS Account Initialization Failed."};
        QTest::newRow("Backup cancelled") << kIdcBackupButton << true << QStringList();
        QTest::newRow("Restore cancelled") << kIdcRestoreButton << true << QStringList();
        QTest::newRow("Backup without store") << kIdcBackupButton << false << noStore;
        QTest::newRow("Restore without store") << kIdcRestoreButton << false << noStore;
    }

    void cancelledOrWithoutStore() {
        QFETCH(int, button);
        QFETCH(bool, cancel);
        QFETCH(QStringList, boxes);
        if (!cancel) {
            QVERIFY(mapi_admin::RemoveStore(mapi_admin::FindStore(u"SMS")));
        }
        gui_test::MakeDeviceFile(u"\\My Documents\\old.usms"); // not a valid backup
        gui_test::CommandWatcher watcher(Choose("old", cancel));
        Press(button);
        QCOMPARE(watcher.FileDialogs(), 1);
        QCOMPARE(watcher.ProgressDialogs() > 0, !cancel);
        QCOMPARE(watcher.Boxes(), boxes);
        QCOMPARE(FilesInMyDocuments(), QStringList{"old.usms"});
        QCOMPARE(std::filesystem::file_size(gui_test::HostPath(u"\\My Documents\\old.usms")), 0u);
    }

private:
    // Clicks a button of the main view; the command has run when the click returns.
    void Press(int button) {
        QTest::mouseClick(frame_->View()->GetDlgItem(button), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!frame_->Busy() && QApplication::activeModalWidget() == nullptr,
                                 30000);
    }

    std::unique_ptr<TempDevice> device_;
    std::unique_ptr<MainFrame> frame_;
};

MSGKEEPER_GUI_TEST_MAIN(RoadTest)
#include "road_test.moc"
