// The whole road of a backup and a restore on a handset with the demo messages: from the
// button through the file dialog, the job and its progress dialog to the result box, and the
// files and store it leaves behind.
#include "dialog_driving.h"
#include "gui_support.h"

#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "devkit/demo_data.h"
#include "devkit/mapi_admin.h"
#include "files/unicode_backup_file.h"
#include "framework/module.h"
#include "resources/resource_ids.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace resources;

namespace {

constexpr DWORD kDemoMessages = 42;

void AddDemoStore() {
    QVERIFY(mapi_admin::CreateDeviceStore());
    std::string reason;
    QVERIFY2(AddDemoMessages(reason), reason.c_str());
}

// Types the name into the Save-as dialog and saves in the root of main memory.
std::function<void(framework::Dialog*)> SaveAs(const QString& name) {
    return [name](framework::Dialog* dialog) {
        gui_test::TypeName(dialog, kIdcSaveAsName, name);
        gui_test::PressSoftKey(dialog, 0);
    };
}

std::function<void(framework::Dialog*)> Open(const QString& file) {
    return [file](framework::Dialog* dialog) {
        // Cancel rather than meet a box nobody answers when the file is missing.
        gui_test::PressSoftKey(dialog,
                               gui_test::ClickListEntry(dialog, kIdcOpenFile, file) ? 0 : 1);
    };
}

std::function<void(framework::Dialog*)> Cancel() {
    return [](framework::Dialog* dialog) { gui_test::PressSoftKey(dialog, 1); };
}

} // namespace

class RoadTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        device_ = std::make_unique<TempDevice>();
        OpenFrame();
    }

    void cleanup() {
        CloseFrame();
        device_.reset();
    }

    void backupButtonWritesABackupThatReadsBack() {
        AddDemoStore();
        QStringList types;
        QString proposed;
        gui_test::CommandWatcher watcher([&](framework::Dialog* dialog) {
            types = gui_test::ComboTexts(dialog, kIdcSaveAsType);
            proposed = dialog->DlgItem<QLineEdit>(kIdcSaveAsName)->text();
            SaveAs("road")(dialog);
        });
        Press(kIdcBackupButton);
        QCOMPARE(watcher.FileDialogs(), 1);
        QVERIFY(watcher.ProgressDialogs() >= 1);
        QCOMPARE(watcher.Boxes(), QStringList{"Backup Completed."});
        QCOMPARE(types, QStringList{"Unicode SMS Manager File(*.usms)"});
        QVERIFY2(QRegularExpression("^Msgkeeper_[0-9]{7,12}$").match(proposed).hasMatch(),
                 qPrintable(proposed));

        // Read back as msgkeeper-cli inspect does: digest, total, every record.
        UnicodeBackupFile format;
        const RestoreOutcome read =
            RunRestore(format, gui_test::HostPath(u"\\My Documents\\road.usms").u16string());
        QVERIFY2(read.ok, read.failedAt.c_str());
        QCOMPARE(read.total, kDemoMessages);
        QCOMPARE(read.records.size(), std::size_t{kDemoMessages});
    }

    void restoreIntoAnEmptyStoreBacksUpToTheSameBytes() {
        AddDemoStore();
        {
            gui_test::CommandWatcher watcher(SaveAs("first"));
            Press(kIdcBackupButton);
            QCOMPARE(watcher.Boxes(), QStringList{"Backup Completed."});
        }
        const std::string first = ReadHostFile(gui_test::HostPath(u"\\My Documents\\first.usms"));
        QVERIFY(!first.empty());

        // A second handset with an empty store, holding the backup in a folder.
        CloseFrame();
        device_.reset();
        device_ = std::make_unique<TempDevice>();
        QVERIFY(mapi_admin::CreateDeviceStore());
        gui_test::MakeDeviceFolder(u"\\My Documents\\Saved");
        WriteHostFile(gui_test::HostPath(u"\\My Documents\\Saved\\first.usms"), first);
        OpenFrame();
        {
            gui_test::CommandWatcher watcher([](framework::Dialog* dialog) {
                gui_test::ChooseEntry(dialog, kIdcOpenFolder, "Saved");
                Open("first.usms")(dialog);
            });
            Press(kIdcRestoreButton);
            QCOMPARE(watcher.FileDialogs(), 1);
            QVERIFY(watcher.ProgressDialogs() >= 1);
            QCOMPARE(watcher.Boxes(), QStringList{"Restore Completed."});
        }
        {
            gui_test::CommandWatcher watcher(SaveAs("second"));
            Press(kIdcBackupButton);
            QCOMPARE(watcher.Boxes(), QStringList{"Backup Completed."});
        }
        const std::string second = ReadHostFile(gui_test::HostPath(u"\\My Documents\\second.usms"));
        QCOMPARE(second.size(), first.size());
        QVERIFY(second == first);
    }

    void cancellingTheFileDialogStartsNoJob_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("Backup, Save-as cancelled") << kIdcBackupButton;
        QTest::newRow("Restore, Open cancelled") << kIdcRestoreButton;
    }

    void cancellingTheFileDialogStartsNoJob() {
        QFETCH(int, button);
        AddDemoStore();
        gui_test::MakeDeviceFile(u"\\My Documents\\old.usms");
        const std::int64_t before = StoredMessages();
        gui_test::CommandWatcher watcher(Cancel());
        Press(button);
        QCOMPARE(watcher.FileDialogs(), 1);
        QCOMPARE(watcher.ProgressDialogs(), 0);
        QVERIFY(watcher.Boxes().isEmpty());
        QCOMPARE(StoredMessages(), before);
        std::vector<std::string> files;
        for (const auto& entry :
             std::filesystem::directory_iterator(gui_test::HostPath(u"\\My Documents\\"))) {
            files.push_back(entry.path().filename().string());
        }
        QCOMPARE(files, std::vector<std::string>{"old.usms"});
    }

    void missingStoreIsReported_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("Backup") << kIdcBackupButton;
        QTest::newRow("Restore") << kIdcRestoreButton;
    }

    void missingStoreIsReported() {
        QFETCH(int, button);
        // A handset whose message store has no store named "SMS".
        QVERIFY(mapi_admin::CreateDeviceStore());
        QVERIFY(mapi_admin::RemoveStore(mapi_admin::FindStore(u"SMS")));
        gui_test::MakeDeviceFile(u"\\My Documents\\old.usms");
        gui_test::CommandWatcher watcher([](framework::Dialog* dialog) {
            if (dynamic_cast<QLineEdit*>(dialog->GetDlgItem(kIdcSaveAsName)) != nullptr) {
                SaveAs("none")(dialog);
            } else {
                Open("old.usms")(dialog);
            }
        });
        Press(button);
        QCOMPARE(watcher.FileDialogs(), 1);
        QCOMPARE(watcher.Boxes(), QStringList{"SMS Account Initialization Failed."});
        QVERIFY(!std::filesystem::exists(gui_test::HostPath(u"\\My Documents\\none.usms")));
    }

private:
    void OpenFrame() {
        frame_ = std::make_unique<MainFrame>();
        QVERIFY(frame_->CreateEx(u"Brennomatic Msg Keeper v3.1"));
        framework::AppModule().SetMainWindow(frame_.get());
        frame_->show();
    }

    void CloseFrame() {
        framework::AppModule().SetMainWindow(nullptr);
        frame_.reset();
    }

    // Clicks a button of the main view; the command has run when the click returns.
    void Press(int button) {
        QTest::mouseClick(frame_->View()->GetDlgItem(button), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!frame_->Busy() && QApplication::activeModalWidget() == nullptr,
                                 30000);
    }

    static std::int64_t StoredMessages() {
        const mapi_admin::ObjectId store = mapi_admin::FindStore(u"SMS");
        std::int64_t count = 0;
        for (const ULONG folder :
             {PR_CE_IPM_DRAFTS_ENTRYID, PR_CE_IPM_INBOX_ENTRYID, PR_IPM_OUTBOX_ENTRYID,
              PR_IPM_SENTMAIL_ENTRYID, PR_IPM_WASTEBASKET_ENTRYID}) {
            count += mapi_admin::AllMessageCount(mapi_admin::SpecialFolder(store, folder));
        }
        return count;
    }

    std::unique_ptr<TempDevice> device_;
    std::unique_ptr<MainFrame> frame_;
};

int RunRoadTests(int argc, char** argv) {
    RoadTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "road_test.moc"
