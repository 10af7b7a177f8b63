// Start-up and exit: the main window's title, soft keys and menu, and the exit codes.
#include "dialog_driving.h"
#include "gui_support.h"

#include "app/windows/app_main.h"
#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "framework/frame_window.h"
#include "framework/menu_bar.h"
#include "resources/resource_ids.h"
#include "support/temp_dir.h"

#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QStringList EntryTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << action->text();
    }
    return texts;
}

QMenu* SubMenu(const QMenu* menu, const QString& text) {
    for (const QAction* action : menu->actions()) {
        if (action->text() == text) {
            return action->menu();
        }
    }
    return nullptr;
}

enum ExitWay { kSoftKey, kMenuEntry, kCtrlQ };

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void init() { device_ = std::make_unique<TempDevice>(); }
    void cleanup() { device_.reset(); }

    void titleAndSoftKeys() {
        MainFrame frame;
        QVERIFY(frame.CreateEx(u"Brennomatic Msg Keeper v3.1"));
        frame.show();
        QCOMPARE(frame.windowTitle(), QStringLiteral("Brennomatic Msg Keeper v3.1"));
        QCOMPARE(frame.size(), QSize(480, 640));
        framework::SoftKeyBar* bar = frame.MenuBar();
        QVERIFY(bar != nullptr);
        QCOMPARE(bar->Key(0)->text(), QStringLiteral("Exit"));
        QCOMPARE(bar->Key(1)->text(), QStringLiteral("Menu"));
        // Along the bottom edge, the full width; the view fills the rest.
        QCOMPARE(bar->geometry().bottom(), frame.height() - 1);
        QCOMPARE(bar->width(), frame.width());
        QVERIFY(frame.View() != nullptr);
        QCOMPARE(frame.View()->geometry(), QRect(0, 0, 480, 640 - bar->height()));
        QVERIFY(bar->Popup(0) == nullptr);
    }

    void menuEntriesInOrder() {
        MainFrame frame;
        QVERIFY(frame.CreateEx(u"Brennomatic Msg Keeper v3.1"));
        frame.show();
        QTest::mouseClick(frame.MenuBar()->Key(1), Qt::LeftButton);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        QCOMPARE(EntryTexts(menu), QStringList({"Backup SMS", "Restore SMS", "Settings"}));
        QMenu* backup = SubMenu(menu, "Backup SMS");
        QVERIFY(backup != nullptr);
        QCOMPARE(EntryTexts(backup),
                 QStringList({"SMS File(.sms file)", "Unicode SMS File(.usms file)",
                              "Text File(.txt file)", "CSV File(.csv file)"}));
        QMenu* text = SubMenu(backup, "Text File(.txt file)");
        QVERIFY(text != nullptr);
        QCOMPARE(EntryTexts(text),
                 QStringList({"ANSI Encoding", "UTF8 Encoding", "Unicode Encoding"}));
        QMenu* csv = SubMenu(backup, "CSV File(.csv file)");
        QVERIFY(csv != nullptr);
        QCOMPARE(EntryTexts(csv), QStringList({"ANSI Encoding", "UTF8 Encoding"}));
        QMenu* restore = SubMenu(menu, "Restore SMS");
        QVERIFY(restore != nullptr);
        QCOMPARE(EntryTexts(restore),
                 QStringList({"SMS File(.sms file)", "Unicode SMS File(.usms file)"}));
        // The menu shows above the right soft key, inside the screen.
        QVERIFY(menu->geometry().bottom() < frame.MenuBar()->mapToGlobal(QPoint(0, 0)).y());
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
                switch (way) {
                case kSoftKey:
                    QTest::mouseClick(frame.MenuBar()->Key(0), Qt::LeftButton);
                    break;
                case kMenuEntry:
                    frame.SendCommand(resources::kCmdExit, 0);
                    break;
                case kCtrlQ:
                    QTest::keyClick(frame.View(), Qt::Key_Q, Qt::ControlModifier);
                    break;
                }
            });
        });
        QVERIFY(shown);
        QCOMPARE(exitCode, 1);
    }

    void unusedAcceleratorsDoNothing() {
        // A file dialog that came up would be cancelled and counted.
        gui_test::CommandWatcher watcher(
            [](framework::Dialog* dialog) { gui_test::PressSoftKey(dialog, 1); });
        bool stillOpen = false;
        bool modal = true;
        const int exitCode = RunApplication(SW_SHOW, [&](MainFrame& frame) {
            QTimer::singleShot(0, &frame, [&] {
                QWidget* view = frame.View();
                QTest::keyClick(view, Qt::Key_N, Qt::ControlModifier);
                QTest::keyClick(view, Qt::Key_O, Qt::ControlModifier);
                QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
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
        const int exitCode = RunApplication(SW_SHOW, [&](MainFrame&) { started = true; });
        QCOMPARE(exitCode, 0);
        QVERIFY(!started);
        for (const QWidget* window : QApplication::topLevelWidgets()) {
            QVERIFY(!(dynamic_cast<const MainFrame*>(window) != nullptr && window->isVisible()));
        }
    }

private:
    std::unique_ptr<TempDevice> device_;
};

int RunStartupTests(int argc, char** argv) {
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "startup_test.moc"
