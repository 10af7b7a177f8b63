// Start-up and exit: the main window's title, soft keys and menu, and the exit codes.
#include "dialog_host.h"

#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "framework/frame_window.h"
#include "framework/screen.h"

#include <QMenu>

namespace {

// The menu's entries, a submenu's entries in brackets after its own.
QString Entries(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << action->text() + (action->menu() ? "[" + Entries(action->menu()) + "]" : "");
    }
    return texts.join(", ");
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void titleSoftKeysAndMenu() {
        const TempDevice device;
        MainFrame frame;
        QVERIFY(frame.CreateEx(u"Brennomatic Msg Keeper v3.1"));
        frame.show();
        QCOMPARE(frame.windowTitle(), QStringLiteral("Brennomatic Msg Keeper v3.1"));
        QCOMPARE(frame.size(), QSize(480, 640));
        const framework::SoftKeyBar* bar = frame.MenuBar();
        QCOMPARE(bar->Key(0)->text() + "|" + bar->Key(1)->text(), QStringLiteral("Exit|Menu"));
        // Along the bottom edge, the full width; the view fills the rest.
        QCOMPARE(bar->geometry(), QRect(0, 640 - bar->height(), 480, bar->height()));
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
        // Above the right soft key, inside the screen.
        QVERIFY(menu->geometry().top() >= 0);
        QVERIFY(menu->geometry().bottom() < bar->mapToGlobal(QPoint(0, 0)).y());
        menu->close();
    }

    // The main view at both scales, and laid out anew in a wider window, title centred.
    void mainViewFits() {
        const TempDevice device;
        for (const QSize screen : {QSize(240, 320), QSize(480, 640)}) {
            const framework::ScopedScreenSize size(screen);
            MainFrame frame;
            QVERIFY(frame.CreateEx(u"Brennomatic Msg Keeper v3.1"));
            frame.show();
            for (const int width : {screen.width(), screen.width() + 60}) {
                frame.resize(width, screen.height());
                gui_test::CheckControls(frame.View(), nullptr);
                const QWidget* title = frame.View()->GetDlgItem(resources::kIdcMainTitle);
                QVERIFY(qAbs(title->geometry().center().x() - width / 2) <= 1);
            }
        }
    }

    // Keys without a command do nothing, nor do exit's keys with other modifiers; each way out
    // ends with exit code 1.
    void exitEndsWithCodeOne_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("left soft key") << 0;
        QTest::newRow("Exit entry") << 1;
        QTest::newRow("Ctrl+Q") << 2;
    }

    void exitEndsWithCodeOne() {
        QFETCH(int, way);
        const TempDevice device;
        gui_test::CommandWatcher watcher(
            [](framework::Dialog* d) { gui_test::PressSoftKey(d, 1); });
        bool stillOpen = false;
        const int exitCode = RunApplication(SW_SHOW, [&](MainFrame& frame) {
            QTimer::singleShot(0, &frame, [&frame, &stillOpen, way] {
                for (const QKeyCombination keys :
                     {Qt::CTRL | Qt::Key_N, Qt::CTRL | Qt::Key_O, Qt::CTRL | Qt::Key_S,
                      QKeyCombination(Qt::Key_F6), Qt::SHIFT | Qt::Key_F6,
                      QKeyCombination(Qt::Key_Q), Qt::CTRL | Qt::SHIFT | Qt::Key_Q}) {
                    QTest::keyClick(frame.View(), keys.key(), keys.keyboardModifiers());
                }
                QApplication::processEvents();
                stillOpen = frame.isVisible() && QApplication::activeModalWidget() == nullptr;
                if (way == 0) {
                    QTest::mouseClick(frame.MenuBar()->Key(0), Qt::LeftButton);
                } else if (way == 1) {
                    frame.SendCommand(resources::kCmdExit, 0);
                } else {
                    QTest::keyClick(frame.View(), Qt::Key_Q, Qt::ControlModifier);
                }
            });
        });
        QVERIFY(stillOpen);
        QVERIFY(watcher.seen.fileDialogs == 0 && watcher.seen.boxes.isEmpty());
        QCOMPARE(exitCode, 1);
    }

    void frameThatCannotBeCreatedEndsWithZero() {
        const TempDevice device;
        framework::FailNextWindowCreation();
        bool started = false;
        QCOMPARE(RunApplication(SW_SHOW, [&](MainFrame&) { started = true; }), 0);
        QVERIFY(!started);
        for (const QWidget* window : QApplication::topLevelWidgets()) {
            QVERIFY(dynamic_cast<const MainFrame*>(window) == nullptr || !window->isVisible());
        }
    }
};

MSGKEEPER_GUI_TEST_MAIN(StartupTest)
#include "startup_test.moc"
