// The commands: each menu entry and both buttons start the right job with the right file
// format, seen in the files the jobs write on a temporary handset and in the restored store.
#include "dialog_driving.h"
#include "gui_support.h"

#include "app/windows/folder_settings_dialog.h"
#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "app/windows/progress_dialog.h"
#include "devkit/mapi_admin.h"
#include "dialogs/file_names.h"
#include "files/unicode_backup_file.h"
#include "framework/menu_bar.h"
#include "framework/message_loop.h"
#include "framework/module.h"
#include "resources/resource_ids.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace resources;

namespace {

// The body of the first seeded message, with a character outside ASCII.
constexpr char16_t kBody[] = u"Caf\u00e9 at noon";
const std::string kBodyAnsi = "Caf\xe9 at noon";
const std::string kBodyUtf8 = "Caf\xc3\xa9 at noon";
const std::string kBodyUtf16 = std::string("C\0a\0f\0\xe9\0", 8);

mapi_admin::ObjectId Inbox() {
    return mapi_admin::SpecialFolder(mapi_admin::FindStore(u"SMS"), PR_CE_IPM_INBOX_ENTRYID);
}

void SeedStore() {
    mapi_admin::CreateDeviceStore();
    mapi_admin::SeedMessage first;
    first.body = kBody;
    first.senderEmail = u"+15550100";
    first.senderName = u"Ann";
    first.deliveryTime = U64ToFileTime(128000000000000000ull);
    first.lastModified = first.deliveryTime;
    first.recipients = {{u"+15550199", u"Me", MAPI_TO}};
    mapi_admin::SeedMessage second = first;
    second.body = u"See you";
    second.deliveryTime = U64ToFileTime(128000000100000000ull);
    mapi_admin::AddMessages(Inbox(), {first, second});
}

bool Contains(const std::string& bytes, const std::string& part) {
    return bytes.find(part) != std::string::npos;
}

// Opens the menu with the right soft key and clicks through the entries named.
void ChooseFromMenu(MainFrame& frame, const QStringList& path) {
    QTest::mouseClick(frame.MenuBar()->Key(1), Qt::LeftButton);
    QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    for (const QString& text : path) {
        QAction* chosen = nullptr;
        for (QAction* action : menu != nullptr ? menu->actions() : QList<QAction*>()) {
            if (action->text() == text) {
                chosen = action;
            }
        }
        if (chosen == nullptr) {
            qWarning("menu entry %s not found", qPrintable(text));
            if (menu != nullptr) {
                menu->close();
            }
            return;
        }
        const QPoint centre = menu->actionGeometry(chosen).center();
        QTest::mouseClick(menu, Qt::LeftButton, {}, centre);
        if (QMenu* sub = chosen->menu()) {
            // A click on an entry with a submenu opens it at once.
            if (!QTest::qWaitFor([sub] { return sub->isVisible(); })) {
                qWarning("submenu %s did not open", qPrintable(text));
                return;
            }
            menu = sub;
        }
    }
}

enum Trigger { kMenu, kBackupButton, kRestoreButton };

} // namespace

class CommandTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        device_ = std::make_unique<TempDevice>();
        SeedStore();
        backupTypes_.clear();
        restoreFiles_.clear();
        results_.clear();
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

    void backupCommandsWriteTheirFormat_data() {
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("kind");
        const QString usms = "Unicode SMS Manager File(*.usms)|*.usms";
        const QString text = "Text File(*.txt)|*.txt";
        const QString csv = "CSV File(*.csv)|*.csv";
        QTest::newRow("32773 SMS File")
            << int(kMenu) << QStringList{"Backup SMS", "SMS File(.sms file)"}
            << "SMS Manager File(*.sms)|*.sms"
            << "sms";
        QTest::newRow("32779 Unicode SMS File")
            << int(kMenu) << QStringList{"Backup SMS", "Unicode SMS File(.usms file)"} << usms
            << "usms";
        QTest::newRow("Backup button") << int(kBackupButton) << QStringList() << usms << "usms";
        QTest::newRow("32774 Text ANSI")
            << int(kMenu) << QStringList{"Backup SMS", "Text File(.txt file)", "ANSI Encoding"}
            << text << "text-ansi";
        QTest::newRow("32781 Text UTF8")
            << int(kMenu) << QStringList{"Backup SMS", "Text File(.txt file)", "UTF8 Encoding"}
            << text << "text-utf8";
        QTest::newRow("32782 Text Unicode")
            << int(kMenu) << QStringList{"Backup SMS", "Text File(.txt file)", "Unicode Encoding"}
            << text << "text-unicode";
        QTest::newRow("32788 CSV ANSI")
            << int(kMenu) << QStringList{"Backup SMS", "CSV File(.csv file)", "ANSI Encoding"}
            << csv << "csv-ansi";
        QTest::newRow("32789 CSV UTF8")
            << int(kMenu) << QStringList{"Backup SMS", "CSV File(.csv file)", "UTF8 Encoding"}
            << csv << "csv-utf8";
    }

    void backupCommandsWriteTheirFormat() {
        QFETCH(int, trigger);
        QFETCH(QStringList, path);
        QFETCH(QString, filter);
        QFETCH(QString, kind);
        RunCommand(trigger, path);
        // The Save-as dialog offers the command's one file type.
        QCOMPARE(backupTypes_, QStringList{filter.section('|', 0, 0)});
        QVERIFY(restoreFiles_.isEmpty());
        QCOMPARE(results_, QStringList{"Backup Completed."});

        const std::u16string extension = PatternExtension(filter.section('|', 1).toStdU16String());
        const std::string bytes =
            ReadHostFile(gui_test::HostPath(u"\\My Documents\\out" + extension));
        QVERIFY(!bytes.empty());
        if (kind == "usms") {
            UnicodeBackupFile format;
            const RestoreOutcome read =
                RunRestore(format, gui_test::HostPath(u"\\My Documents\\out.usms").u16string());
            QVERIFY(read.ok);
            QCOMPARE(read.total, DWORD{2});
        } else if (kind == "sms") {
            QVERIFY(Contains(bytes, kBodyAnsi));
            QVERIFY(!Contains(bytes, kBodyUtf16));
        } else if (kind.startsWith("text") || kind.startsWith("csv")) {
            // CSV rows are quoted fields between commas; the text export has none.
            QCOMPARE(Contains(bytes, "\",\""), kind.startsWith("csv"));
            const bool unicode = kind.endsWith("unicode");
            QCOMPARE(bytes.substr(0, 2) == "\xff\xfe", unicode);
            if (unicode) {
                QVERIFY(Contains(bytes, kBodyUtf16));
            } else {
                QVERIFY(Contains(bytes, kind.endsWith("utf8") ? kBodyUtf8 : kBodyAnsi));
            }
        }
    }

    void restoreCommandsReadUnicodeBackups_data() {
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QStringList>("path");
        QTest::newRow("32775 SMS File")
            << int(kMenu) << QStringList{"Restore SMS", "SMS File(.sms file)"};
        QTest::newRow("32784 Unicode SMS File")
            << int(kMenu) << QStringList{"Restore SMS", "Unicode SMS File(.usms file)"};
        QTest::newRow("Restore button") << int(kRestoreButton) << QStringList();
    }

    void restoreCommandsReadUnicodeBackups() {
        QFETCH(int, trigger);
        QFETCH(QStringList, path);
        // A backup of one message of its own, made with the Unicode format.
        std::vector<MemoryRecord> messages;
        messages.push_back(WorkedExampleMessage());
        UnicodeBackupFile writer;
        restoreFrom_ = "saved.usms";
        QVERIFY(RunBackup(writer, gui_test::HostPath(u"\\My Documents\\saved.usms").u16string(),
                          messages)
                    .ok);
        // Only Unicode backups are offered.
        gui_test::MakeDeviceFile(u"\\My Documents\\ansi.sms");
        const std::int64_t before = mapi_admin::AllMessageCount(Inbox());

        RunCommand(trigger, path);
        QCOMPARE(restoreFiles_, QList<QStringList>{{"saved.usms"}});
        QVERIFY(backupTypes_.isEmpty());
        QCOMPARE(results_, QStringList{"Restore Completed."});
        QCOMPARE(mapi_admin::AllMessageCount(Inbox()), before + 1);
    }

    void cancelledChoiceStartsNoJob() {
        restoreFrom_.clear();
        RunCommand(kRestoreButton, {});
        QCOMPARE(restoreFiles_.size(), 1);
        QVERIFY(results_.isEmpty());
    }

    void settingsEntryRunsTheSettingsDialog() {
        bool shown = false;
        gui_test::WhenModal<FolderSettingsDialog>([&](FolderSettingsDialog* dialog) {
            shown = dialog->parentWidget() == frame_.get();
            QTest::mouseClick(dialog->MenuBar()->Key(1), Qt::LeftButton);
        });
        ChooseFromMenu(*frame_, {"Settings"});
        QTRY_VERIFY(shown);
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(backupTypes_.isEmpty() && restoreFiles_.isEmpty());
    }

    void secondCommandCannotStartWhileTheDialogIsUp() {
        bool tried = false;
        gui_test::WhenModal<ProgressDialog>([&](ProgressDialog*) {
            QWidget* view = frame_->View();
            QTest::mouseClick(view->findChild<QWidget*>("control1002"), Qt::LeftButton);
            QTest::mouseClick(frame_->MenuBar()->Key(0), Qt::LeftButton);
            QTest::keyClick(view, Qt::Key_Q, Qt::ControlModifier);
            frame_->SendCommand(kCmdBackupAnsi, 0);
            tried = true;
        });
        RunCommand(kBackupButton, {});
        QVERIFY(tried);
        QCOMPARE(backupTypes_.size(), 1);
        QCOMPARE(results_, QStringList{"Backup Completed."});
        QVERIFY(frame_->isVisible());
    }

private:
    // Answers a file dialog: saves as "out" in main memory's root with the type offered, or
    // opens restoreFrom_ there (cancels when it is empty); notes what the dialog offered.
    void ChooseFile(framework::Dialog* dialog) {
        if (dialog->GetDlgItem(kIdcSaveAsName) != nullptr &&
            dialog->GetDlgItem(kIdcSaveAsType) != nullptr) {
            backupTypes_ << gui_test::ComboTexts(dialog, kIdcSaveAsType).join('|');
            gui_test::TypeName(dialog, kIdcSaveAsName, "out");
            gui_test::PressSoftKey(dialog, 0);
            return;
        }
        restoreFiles_ << gui_test::ListTexts(dialog, kIdcOpenFile);
        if (restoreFrom_.isEmpty() ||
            !gui_test::ClickListEntry(dialog, kIdcOpenFile, restoreFrom_)) {
            gui_test::PressSoftKey(dialog, 1);
            return;
        }
        gui_test::PressSoftKey(dialog, 0);
    }

    // Starts a command as a person would, answers its file dialog and its progress dialog until
    // the result box has been read; returns when the command has finished.
    void RunCommand(int trigger, const QStringList& path) {
        gui_test::CommandWatcher watcher([this](framework::Dialog* dialog) { ChooseFile(dialog); });
        const qsizetype choicesBefore = backupTypes_.size() + restoreFiles_.size();
        if (trigger == kMenu) {
            ChooseFromMenu(*frame_, path);
        } else {
            const int id = trigger == kBackupButton ? kIdcBackupButton : kIdcRestoreButton;
            QTest::mouseClick(frame_->View()->GetDlgItem(id), Qt::LeftButton);
        }
        // A menu command arrives posted; it has run once its file was chosen and nothing
        // modal is left.
        QTRY_VERIFY_WITH_TIMEOUT(backupTypes_.size() + restoreFiles_.size() > choicesBefore &&
                                     !frame_->Busy() &&
                                     QApplication::activeModalWidget() == nullptr,
                                 30000);
        results_ << watcher.Boxes();
    }

    std::unique_ptr<TempDevice> device_;
    std::unique_ptr<MainFrame> frame_;
    QStringList backupTypes_;
    QList<QStringList> restoreFiles_;
    QStringList results_;
    QString restoreFrom_;
};

int RunCommandTests(int argc, char** argv) {
    CommandTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "command_test.moc"
