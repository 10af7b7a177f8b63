// Start-up and exit: the main window's title, soft keys and menu, and the exit codes.
#include "dialog_host.h"

#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "framework/frame_window.h"
#include "framework/menu_bar.h"
#include "resources/resource_ids.h"

#include <QMenu>
#include <QPushButton>

namespace {

// The menu's entries, a submenu's entries in brackets after its own.
QString Entries(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << action->text() + (action->menu() ? "[" + Entries(action->menu()) + "]" : "");
    }
    return texts.join(", ");
}

enum ExitWay { kSoftKey, kMenuEntry, kCtrlQ };

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void init() { device_ = std::make_unique<TempDevice>(); }
    void cleanup() { device_.reset(); }

    void titleSoftKeysAndMenu() {
        MainFrame frame;
        QVERIFY(frame.CreateEx(u"Brennomatic Msg Keeper v3.1"));
        frame.show();
        QCOMPARE(frame.windowTitle(), QStringLiteral("Brennomatic Msg Keeper v3.1"));
        QCOMPARE(frame.size(), QSize(480, 640));
        framework::SoftKeyBar* bar = frame.MenuBar();
        QCOMPARE(bar->Key(0)->text() + "|" + bar->Key(1)->text(), QStringLiteral("Exit|Menu"));
        // Along the bottom edge, the full width; the view fills the rest.
        QCOMPARE(bar->geometry().bottom(), frame.height() - 1);
        QCOMPARE(bar->width(), frame.width());
        QCOMPARE(frame.View()->geometry(), QRect(0, 0, 480, 640 - bar->height()));
        QVERIFY(bar->Popup(0) == nullptr);
        QTest::mouseClick(bar->Key(1), Qt::LeftButton);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        QCOMPARE(Entries(menu),
                 QStringLiteral("Backup SMS[SMS File(.sms file), Unicode SMS File(.usms file), "
                                "Text File(.txt file)[ANSI Encoding, UTF8 Encoding, Unicode "
                                "Encoding], CSV File(.csv file)[ANSI Encoding, UTF8 Encoding]], "
                                "Restore SMS[SMS File(.sms file), Unicode SMS File(.usms file)], "
                                "Settings"));
        // The menu shows above the right soft key, inside the screen.
        QVERIFY(menu->geometry().bottom() < bar->mapToGlobal(QPoint(0, 0)).y());
        QVERIFY(menu->geometry().top() >= 0);
        menu->close();
    }

    void exitEndsWithCodeOne_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("left soft key") << int(kSoftKey);
        QTest::newRow("Exit entry") << int(kMenuEntry);
        QTest::newRow("Ctrl+Q") << int(kCtrlQ);
    }

    void exitEndsWithCodeOne() {
        QFETCH(int, way);
        bool shown = false;
        const int exitCode = RunApplication(SW_SHOW, [&](MainFrame& frame) {
            shown = frame.isVisible();
            QTimer::singleShot(0, &frame, [&frame, way] {
                if (way == kSoftKey) {
                    QTest::mouseClick(frame.MenuBar()->Key(0), Qt::LeftButton);
                } else if (way == kMenuEntry) {
                    frame.SendCommand(resources::kCmdExit, 0);
                } else {
                    QTest::keyClick(frame.View(), Qt::Key_Q, Qt::ControlModifier);
                }
            });
        });
        QVERIFY(shown);
        QCOMPARE(exitCode, 1);
    }

    void unusedAcceleratorsDoNothing() {
        // A file dialog that came up would be cancelled and counted.
        gui_test::CommandWatcher watcher(
            [](framework::Dialog* d) { gui_test::PressSoftKey(d, 1); });
        bool stillOpen = false;
        bool modal = true;
        const int exitCode = RunApplication(SW_SHOW, [&](MainFrame& frame) {
            QTimer::singleShot(0, &frame, [&] {
                QWidget* view = frame.View();
                for (const int key : {Qt::Key_N, Qt::Key_O, Qt::Key_S}) {
                    QTest::keyClick(view, Qt::Key(key), Qt::ControlModifier);
                }
                QTest::keyClick(view, Qt::Key_F6);
                QTest::keyClick(view, Qt::Key_F6, Qt::ShiftModifier);
                QApplication::processEvents();
                stillOpen = frame.isVisible();
                modal = QApplication::activeModalWidget() != nullptr;
                QTest::keyClick(view, Qt::Key_Q, Qt::ControlModifier);
            });
        });
        QVERIFY(stillOpen);
        QVERIFY(!modal);
        QCOMPARE(watcher.FileDialogs(), 0);
        QVERIFY(watcher.Boxes().isEmpty());
        QCOMPARE(exitCode, 1);
    }

    void frameThatCannotBeCreatedEndsWithZero() {
        framework::FailNextWindowCreation();
        bool started = false;
        QCOMPARE(RunApplication(SW_SHOW, [&](MainFrame&) { started = true; }), 0);
        QVERIFY(!started);
        for (const QWidget* window : QApplication::topLevelWidgets()) {
            QVERIFY(dynamic_cast<const MainFrame*>(window) == nullptr || !window->isVisible());
        }
    }

private:
    std::unique_ptr<TempDevice> device_;
};

MSGKEEPER_GUI_TEST_MAIN(StartupTest)
#include "startup_test.moc"
