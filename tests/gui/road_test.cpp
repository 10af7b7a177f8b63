// The road of a backup and a restore on a handset with the demo messages: from the button
// through the file dialog, the job and its progress dialog to the result box.
#include "dialog_host.h"

#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "devkit/demo_data.h"
#include "devkit/mapi_admin.h"
#include "framework/module.h"

#include <QRegularExpression>

using namespace resources;

namespace {

// Clicks a button of the main view, answering the file dialog: saves as name in main memory's
// root, or opens name.usms there; cancels either when cancel is set or the file is not listed.
// Notes what the dialogs offered: the types, the proposed name, the files.
gui_test::CommandSeen Press(int button, const QString& name, QStringList& offered,
                            bool cancel = false) {
    gui_test::CommandWatcher watcher([&offered, name, cancel](framework::Dialog* dialog) mutable {
        if (auto* edit = dialog->DlgItem<QLineEdit>(kIdcSaveAsName)) {
            offered << gui_test::Entries(dialog, kIdcSaveAsType) << edit->text();
            gui_test::TypeName(dialog, kIdcSaveAsName, name);
        } else {
            offered << gui_test::Entries(dialog, kIdcOpenFile);
            cancel = cancel || !gui_test::ClickListEntry(dialog, kIdcOpenFile, name + ".usms");
        }
        gui_test::PressSoftKey(dialog, cancel ? 1 : 0);
    });
    auto* frame = dynamic_cast<MainFrame*>(framework::AppModule().MainWindow());
    QTest::mouseClick(frame->View()->GetDlgItem(button), Qt::LeftButton);
    // The command has run when the click returns.
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!frame->Busy() && QApplication::activeModalWidget() == nullptr,
                                 30000);
    }();
    return watcher.seen;
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
        QStringList offered;
        const gui_test::CommandSeen backup = Press(kIdcBackupButton, "road", offered);
        QCOMPARE(backup.boxes, QStringList{"Backup Completed."});
        QVERIFY(backup.fileDialogs == 1 && backup.progressDialogs == 1);
        QCOMPARE(offered.value(0), QString("Unicode SMS Manager File(*.usms)"));
        QVERIFY2(QRegularExpression("^Msgkeeper_[0-9]{7,12}$").match(offered.value(1)).hasMatch(),
                 qPrintable(offered.value(1)));
        QCOMPARE(FilesInMyDocuments(), QStringList{"road.usms"});
        QVERIFY(std::filesystem::file_size(gui_test::HostPath(u"\\My Documents\\road.usms")) > 0);

        const gui_test::CommandSeen restore = Press(kIdcRestoreButton, "road", offered);
        QCOMPARE(restore.boxes, QStringList{"Restore Completed."});
        QVERIFY(restore.fileDialogs == 1 && restore.progressDialogs == 1);
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
        gui_test::MakeFiles({u"\\My Documents\\old.usms"}); // empty: not a valid backup
        QStringList offered;
        const gui_test::CommandSeen watcher = Press(button, "old", offered, cancel);
        QCOMPARE(watcher.fileDialogs, 1);
        QCOMPARE(watcher.progressDialogs, cancel ? 0 : 1);
        QCOMPARE(watcher.boxes, boxes);
        QCOMPARE(FilesInMyDocuments(), QStringList{"old.usms"});
        QCOMPARE(std::filesystem::file_size(gui_test::HostPath(u"\\My Documents\\old.usms")), 0u);
    }

private:
    std::unique_ptr<TempDevice> device_;
    std::unique_ptr<MainFrame> frame_;
};

MSGKEEPER_GUI_TEST_MAIN(RoadTest)
#include "road_test.moc"
