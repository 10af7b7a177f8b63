// Start-up and exit: the main window's title, soft keys and menu, and the exit codes.
#include "dialog_host.h"

#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "framework/frame_window.h"
#include "framework/screen.h"

#include <QMenu>

namespace {

// Appends the menu's entries to texts, a submenu's entries in brackets after its own. Each
// submenu is opened in turn, as the arrow keys do, and must lie inside the handset's screen,
// clear of the entry it belongs to.
void ReadMenu(QMenu* menu, const QRect& screen, QString& texts) {
    for (QAction* action : menu->actions()) {
        texts += (texts.isEmpty() || texts.endsWith('[') ? "" : ", ") + action->text();
        QMenu* sub = action->menu();
        if (sub == nullptr) {
            continue;
        }
        menu->setActiveAction(action);
        QTRY_VERIFY(sub->isVisible());
        const QRect entry = menu->actionGeometry(action);
        const QRect entryOnScreen(menu->mapToGlobal(entry.topLeft()), entry.size());
        QVERIFY2(screen.contains(sub->geometry()), qPrintable(action->text() + " outside"));
        QVERIFY2(!sub->geometry().intersects(entryOnScreen),
                 qPrintable(action->text() + " covers its entry"));
        texts += "[";
        ReadMenu(sub, screen, texts);
        texts += "]";
        sub->hide();
    }
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    // At both scales: the title, the soft keys along the bottom edge below the view, the menu
    // above the right soft key, and the view's controls, laid out anew in a wider window. On a
    // desktop far larger than the handset, every submenu opens inside the window that is the
    // handset's screen, clear of its own entry.
    void frameAtBothScales() {
        const TempDevice device;
        for (const QSize screen : {QSize(240, 320), QSize(480, 640)}) {
            const framework::ScopedScreenSize size(screen);
            MainFrame frame;
            QVERIFY(frame.CreateEx(u"Brennomatic Msg Keeper v3.1"));
            frame.move(200, 100);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            QCOMPARE(frame.windowTitle(), QStringLiteral("Brennomatic Msg Keeper v3.1"));
            const framework::SoftKeyBar* bar = frame.MenuBar();
            const int keysTop = screen.height() - bar->height();
            QCOMPARE(bar->Key(0)->text() + "|" + bar->Key(1)->text(), QStringLiteral("Exit|Menu"));
            QCOMPARE(bar->geometry(), QRect(0, keysTop, screen.width(), bar->height()));
            QCOMPARE(frame.View()->geometry(), QRect(0, 0, screen.width(), keysTop));
            QVERIFY(bar->Popup(0) == nullptr);
            QTest::mouseClick(bar->Key(1), Qt::LeftButton);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            const QRect handset(frame.mapToGlobal(QPoint()), frame.size());
            QVERIFY(handset.contains(menu->geometry()));
            QVERIFY(menu->geometry().bottom() < bar->mapToGlobal(QPoint()).y());
            QString entries;
            ReadMenu(menu, handset, entries);
            QCOMPARE(entries,
                     QStringLiteral("Backup SMS[SMS File(.sms file), Unicode SMS File(.usms file), "
                                    "Text File(.txt file)[ANSI Encoding, UTF8 Encoding, Unicode "
                                    "Encoding], CSV File(.csv file)[ANSI Encoding, UTF8 "
                                    "Encoding]], Restore SMS[SMS File(.sms file), Unicode SMS "
                                    "File(.usms file)], Settings"));
            menu->close();
            for (const int width : {screen.width(), screen.width() + 60}) {
                frame.resize(width, screen.height());
                gui_test::CheckControls(frame.View(), nullptr);
                const QWidget* title = frame.View()->GetDlgItem(resources::kIdcMainTitle);
                QVERIFY(qAbs(title->geometry().center().x() - width / 2) <= 1);
            }
        }
    }

    // Keys without a command do nothing, nor do exit's keys with other modifiers; each way out
    // (the left soft key, the Exit entry, Ctrl+Q) ends with exit code 1.
    void exitEndsWithCodeOne() {
        for (const int way : {0, 1, 2}) {
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
            QCOMPARE(watcher.seen, QStringList());
            QCOMPARE(exitCode, 1);
        }
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
