// The framework under the windows: message filters and idle handlers, accelerators, and the
// drop-down lists and list boxes of a template dialog with their notifications.
#include "dialog_host.h"

#include "framework/accelerators.h"
#include "framework/message_loop.h"
#include "framework/resource_catalog.h"
#include "resources/resource_ids.h"

#include <QComboBox>
#include <QKeyEvent>

#include <vector>

using namespace resources;

namespace {

struct RecordingFilter : framework::MessageFilter {
    RecordingFilter(std::vector<int>& log, int name, bool handles)
        : log(log), name(name), handles(handles) {}
    bool PreTranslateMessage(QObject*, QEvent*) override {
        log.push_back(name);
        return handles;
    }
    std::vector<int>& log;
    int name;
    bool handles;
};

struct CountingIdle : framework::IdleHandler {
    bool OnIdle() override {
        ++calls;
        return false;
    }
    int calls = 0;
};

// The Save-as template, noting every command that reaches it.
class RecordingDialog final : public framework::Dialog {
public:
    RecordingDialog() : Dialog(kIddSaveAs) {}
    std::vector<std::pair<UINT, UINT>> commands;

protected:
    void OnCommand(UINT id, UINT code) override { commands.emplace_back(id, code); }
};

} // namespace

class FrameworkTest : public QObject {
    Q_OBJECT

private slots:
    void filtersNewestFirstUntilOneHandles() {
        framework::MessageLoop loop;
        std::vector<int> log;
        RecordingFilter first(log, 1, false), second(log, 2, true), third(log, 3, false);
        for (RecordingFilter* filter : {&first, &second, &third}) {
            loop.AddMessageFilter(filter);
        }
        QWidget target;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QVERIFY(loop.PreTranslateMessage(&target, &key));
        QCOMPARE(log, (std::vector<int>{3, 2}));
        loop.RemoveMessageFilter(&second);
        log.clear();
        QVERIFY(!loop.PreTranslateMessage(&target, &key));
        QCOMPARE(log, (std::vector<int>{3, 1}));
    }

    // Idle handlers run once after each message, but a timer does not resume them.
    void idleHandlersRunOnceAfterEachMessage() {
        framework::MessageLoop loop;
        CountingIdle idle;
        loop.AddIdleHandler(&idle);
        loop.RunIdleHandlers();
        loop.RunIdleHandlers();
        QCOMPARE(idle.calls, 1);
        QWidget target;
        QTimerEvent timer(1);
        loop.eventFilter(&target, &timer);
        loop.RunIdleHandlers();
        QCOMPARE(idle.calls, 1);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        loop.eventFilter(&target, &key);
        loop.RunIdleHandlers();
        QCOMPARE(idle.calls, 2);
    }

    void acceleratorsNeedTheirExactModifiers_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<uint>("command");
        QTest::newRow("Ctrl+Q") << int(Qt::Key_Q) << int(Qt::ControlModifier) << 57665u;
        QTest::newRow("Q") << int(Qt::Key_Q) << 0 << 0u;
        QTest::newRow("Ctrl+Shift+Q")
            << int(Qt::Key_Q) << int(Qt::ControlModifier | Qt::ShiftModifier) << 0u;
        QTest::newRow("F6") << int(Qt::Key_F6) << 0 << 57680u;
        QTest::newRow("Shift+F6") << int(Qt::Key_F6) << int(Qt::ShiftModifier) << 57681u;
        QTest::newRow("Ctrl+S") << int(Qt::Key_S) << int(Qt::ControlModifier) << 57603u;
    }

    void acceleratorsNeedTheirExactModifiers() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(uint, command);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(
            framework::TranslateAccelerator(*framework::FindAccelerators(kIdrMainFrame), event),
            command);
    }

    // Filling and selecting by program neither selects by itself nor notifies; the user does.
    void dropDownListsNotifyOnlyTheUsersChoice() {
        gui_test::DialogHost host;
        RecordingDialog dialog;
        const int result = host.Run<RecordingDialog>(dialog, [](RecordingDialog* shown) {
            QCOMPARE(shown->ComboAddString(kIdcSaveAsType, u"Text File(*.txt)"), 0);
            QCOMPARE(shown->ComboAddString(kIdcSaveAsType, u"CSV File(*.csv)"), 1);
            shown->ComboSetItemData(kIdcSaveAsType, 1, u"*.csv");
            QCOMPARE(shown->ComboGetCurSel(kIdcSaveAsType), -1);
            QCOMPARE(shown->ComboSetCurSel(kIdcSaveAsType, 0), 0);
            QVERIFY(shown->commands.empty());
            shown->DlgItem<QComboBox>(kIdcSaveAsType)->setCurrentIndex(1);
            QCOMPARE(shown->commands, (std::vector<std::pair<UINT, UINT>>{{kIdcSaveAsType, 1}}));
            QCOMPARE(shown->ComboGetItemData(kIdcSaveAsType, 1), std::u16string(u"*.csv"));
            QCOMPARE(shown->ComboGetLBText(kIdcSaveAsType, 0), std::u16string(u"Text File(*.txt)"));
            QCOMPARE(shown->ComboGetCount(kIdcSaveAsName), framework::CB_ERR);
            shown->EndDialog(7);
        });
        QCOMPARE(result, 7);
    }

    void sortedListBoxesKeepTheirOrder() {
        QWidget parent;
        framework::Dialog dialog(kIddOpen);
        QVERIFY(dialog.Create(&parent));
        QCOMPARE(dialog.ListAddString(kIdcOpenFile, u"b.usms"), 0);
        QCOMPARE(dialog.ListAddString(kIdcOpenFile, u"a.usms"), 0);
        QCOMPARE(dialog.ListGetCurSel(kIdcOpenFile), -1);
        QCOMPARE(dialog.ListSetCurSel(kIdcOpenFile, 1), 1);
        QCOMPARE(dialog.ListGetText(kIdcOpenFile, dialog.ListGetCurSel(kIdcOpenFile)),
                 std::u16string(u"b.usms"));
        dialog.ListResetContent(kIdcOpenFile);
        QCOMPARE(dialog.ListGetCount(kIdcOpenFile), 0);
    }
};

MSGKEEPER_GUI_TEST_MAIN(FrameworkTest)
#include "framework_test.moc"
