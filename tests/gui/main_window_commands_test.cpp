// The main window's commands as a person gives them: each menu entry and both buttons, through
// the file dialog, the job and its progress dialog to the result box, and the files and store
// that they leave.
#include "dialog_host.h"

#include "app/windows/folder_settings_dialog.h"
#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "app/windows/progress_dialog.h"
#include "devkit/mapi_admin.h"
#include "framework/module.h"

#include <QMenu>
#include <QRegularExpression>

using namespace resources;

namespace {

const QByteArray kAnsi("Caf\xe9 at noon");
const QByteArray kUtf8("Caf\xc3\xa9 at noon");
const QByteArray kUtf16("C\0a\0f\0\xe9\0", 8);
const QStringList kBackedUp{"dialog", "progress", "Backup Completed."};
const QStringList kRestored{"dialog", "progress", "Restore Completed."};

} // namespace

class MainWindowCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        cancel_ = false;
        device_ = std::make_unique<TempDevice>();
        // Two messages in the inbox, the first with a character outside ASCII.
        mapi_admin::CreateDeviceStore();
        mapi_admin::SeedMessage first;
        first.body = u"Caf\u00e9 at noon";
        first.deliveryTime = first.lastModified = U64ToFileTime(128000000000000000ull);
        mapi_admin::SeedMessage second = first;
        second.deliveryTime = U64ToFileTime(128000000100000000ull);
        mapi_admin::AddMessages(
            mapi_admin::SpecialFolder(mapi_admin::FindStore(u"SMS"), PR_CE_IPM_INBOX_ENTRYID),
            {first, second});
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

    // Each entry writes its own kind: the type that the Save-as dialog offers and the body's
    // encoding tell the seven apart. The formats' own bytes are checked where they are written.
    // Both restore entries then read Unicode backups, and only those are offered; what a restore
    // puts in the store is the job tests'.
    void fileEntriesRunTheirFormats() {
        const QString txt = "Text File(.txt file)|", csv = "CSV File(.csv file)|";
        // clang-format off
        const std::tuple<QString, QString, QByteArray> cases[] = {
            {"SMS File(.sms file)", "SMS Manager File(*.sms)", kAnsi},
            {"Unicode SMS File(.usms file)", "Unicode SMS Manager File(*.usms)", kUtf16},
            {txt + "ANSI Encoding", "Text File(*.txt)", kAnsi},
            {txt + "UTF8 Encoding", "Text File(*.txt)", kUtf8},
            {txt + "Unicode Encoding", "Text File(*.txt)", kUtf16},
            {csv + "ANSI Encoding", "CSV File(*.csv)", kAnsi},
            {csv + "UTF8 Encoding", "CSV File(*.csv)", kUtf8}};
        // clang-format on
        for (const auto& [entry, type, body] : cases) {
            QCOMPARE(Run(QStringList{"Backup SMS"} + entry.split('|')), kBackedUp);
            QCOMPARE(offered_.value(0), "[" + type + "]");
            const QString extension = type.section('*', 1).chopped(1); // "(*.txt)" gives ".txt"
            const QByteArray bytes = QByteArray::fromStdString(ReadHostFile(
                gui_test::HostPath(u"\\My Documents\\out" + extension.toStdU16String())));
            QVERIFY2(bytes.contains(body), qPrintable(entry));
        }
        for (const QString entry : {"SMS File(.sms file)", "Unicode SMS File(.usms file)"}) {
            QCOMPARE(Run({"Restore SMS", entry}), kRestored);
            QCOMPARE(offered_, QStringList{"out.usms"});
        }
    }

    // The buttons, with the proposed name in the Save-as dialog, and the settings entry; a
    // cancelled Save-as starts no job. Buttons, soft keys, accelerators and commands sent while
    // a job runs start nothing.
    void buttonsAndSettingsEndInTheirBoxesOneAtATime() {
        bool tried = false;
        gui_test::WhenModal<ProgressDialog>([&](ProgressDialog*) {
            QTest::mouseClick(frame_->View()->GetDlgItem(kIdcBackupButton), Qt::LeftButton);
            QTest::mouseClick(frame_->MenuBar()->Key(0), Qt::LeftButton);
            QTest::keyClick(frame_->View(), Qt::Key_Q, Qt::ControlModifier);
            frame_->SendCommand(kCmdBackupAnsi, 0);
            tried = true;
        });
        QCOMPARE(Run({}, kIdcBackupButton), kBackedUp);
        QVERIFY(tried && frame_->isVisible());
        QCOMPARE(offered_.value(0), QString("[Unicode SMS Manager File(*.usms)]"));
        QVERIFY2(QRegularExpression("^Msgkeeper_[0-9]{7,12}$").match(offered_.value(1)).hasMatch(),
                 qPrintable(offered_.value(1)));
        QCOMPARE(Run({}, kIdcRestoreButton), kRestored);
        QCOMPARE(Run({"Settings"}), QStringList{"dialog"});
        QCOMPARE(offered_, QStringList{"settings over the frame"});
        cancel_ = true;
        QCOMPARE(Run({}, kIdcBackupButton), QStringList{"dialog"});
    }

private:
    // Chooses the menu entries named, or clicks the button, and answers the dialog: saves as
    // "out" in main memory's root, opens out.usms there, or cancels (the settings always);
    // notes what it offered. Returns what the command showed, once it has finished.
    QStringList Run(const QStringList& menu, int button = 0) {
        offered_.clear();
        gui_test::CommandWatcher watcher([this](framework::Dialog* dialog) {
            bool cancel = cancel_;
            if (dynamic_cast<FolderSettingsDialog*>(dialog) != nullptr) {
                offered_ << (dialog->parentWidget() == frame_.get() ? "settings over the frame"
                                                                    : "");
                cancel = true;
            } else if (auto* name = dialog->DlgItem<QLineEdit>(kIdcSaveAsName)) {
                offered_ << gui_test::Entries(dialog, kIdcSaveAsType) << name->text();
                gui_test::TypeName(dialog, kIdcSaveAsName, "out");
            } else {
                offered_ << gui_test::Entries(dialog, kIdcOpenFile);
                cancel = cancel || !gui_test::ClickListEntry(dialog, kIdcOpenFile, "out.usms");
            }
            gui_test::PressSoftKey(dialog, cancel ? 1 : 0);
        });
        if (menu.isEmpty()) {
            QTest::mouseClick(frame_->View()->GetDlgItem(button), Qt::LeftButton);
        } else {
            ChooseFromMenu(menu);
        }
        // A menu command arrives posted; it has run once its dialog came and nothing modal is
        // left.
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(watcher.seen.contains("dialog") && !frame_->Busy() &&
                                         QApplication::activeModalWidget() == nullptr,
                                     30000);
        }();
        return watcher.seen;
    }

    // Opens the menu with the right soft key and clicks through the entries named.
    void ChooseFromMenu(const QStringList& path) {
        QTest::mouseClick(frame_->MenuBar()->Key(1), Qt::LeftButton);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (const QString& text : path) {
            QAction* chosen = nullptr;
            for (QAction* action : menu != nullptr ? menu->actions() : QList<QAction*>()) {
                chosen = action->text() == text ? action : chosen;
            }
            QVERIFY2(chosen != nullptr, qPrintable(text));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
            // A click on an entry with a submenu opens it at once.
            menu = chosen->menu();
            QVERIFY(menu == nullptr || QTest::qWaitFor([menu] { return menu->isVisible(); }));
        }
    }

    std::unique_ptr<TempDevice> device_;
    std::unique_ptr<MainFrame> frame_;
    QStringList offered_;
    bool cancel_ = false;
};

MSGKEEPER_GUI_TEST_MAIN(MainWindowCommandsTest)
#include "main_window_commands_test.moc"
