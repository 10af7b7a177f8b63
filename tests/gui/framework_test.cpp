// The framework under the windows: message filters and idle handlers, accelerators, and the
// drop-down lists of a template dialog with their notifications.
#include "dialog_host.h"

#include "framework/accelerators.h"
#include "framework/message_loop.h"
#include "framework/resource_catalog.h"
#include "resources/resource_ids.h"

#include <QComboBox>
#include <QKeyEvent>

using namespace resources;

namespace {

struct Recorder : framework::MessageFilter, framework::IdleHandler {
    Recorder(QString& log, QChar name, bool handles) : log(log), name(name), handles(handles) {}
    bool PreTranslateMessage(QObject*, QEvent*) override {
        log += name;
        return handles;
    }
    bool OnIdle() override {
        log += name;
        return false;
    }
    QString& log;
    QChar name;
    bool handles;
};

// The Save-as template, noting every command that reaches it.
class RecordingDialog final : public framework::Dialog {
public:
    RecordingDialog() : Dialog(kIddSaveAs) {}
    QStringList commands;

protected:
    void OnCommand(UINT id, UINT code) override { commands << QString("%1:%2").arg(id).arg(code); }
};

} // namespace

class FrameworkTest : public QObject {
    Q_OBJECT

private slots:
    // Filters newest first until one handles the message; idle handlers run once after each
    // message, but a timer does not resume them.
    void filtersAndIdleHandlers() {
        framework::MessageLoop loop;
        QString log;
        Recorder first(log, '1', false), second(log, '2', true), third(log, '3', false);
        for (Recorder* recorder : {&first, &second, &third}) {
            loop.AddMessageFilter(recorder);
        }
        QWidget target;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QVERIFY(loop.PreTranslateMessage(&target, &key));
        loop.RemoveMessageFilter(&second);
        QVERIFY(!loop.PreTranslateMessage(&target, &key));
        QCOMPARE(log, QString("3231"));
        log.clear();
        Recorder idle(log, 'i', false);
        loop.AddIdleHandler(&idle);
        QTimerEvent timer(1);
        for (QEvent* event : {static_cast<QEvent*>(&timer), static_cast<QEvent*>(&key)}) {
            loop.RunIdleHandlers();
            loop.RunIdleHandlers();
            loop.eventFilter(&target, event);
        }
        loop.RunIdleHandlers();
        QCOMPARE(log, QString("i31i")); // the key passes the filters too
    }

    void acceleratorsNeedTheirExactModifiers() {
        const std::pair<QKeyCombination, unsigned> cases[] = {
            {Qt::CTRL | Qt::Key_Q, 57665},         {QKeyCombination(Qt::Key_Q), 0},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_Q, 0}, {QKeyCombination(Qt::Key_F6), 57680},
            {Qt::SHIFT | Qt::Key_F6, 57681},       {Qt::CTRL | Qt::Key_S, 57603}};
        for (const auto& [keys, command] : cases) {
            const QKeyEvent event(QEvent::KeyPress, keys.key(), keys.keyboardModifiers());
            QCOMPARE(
                framework::TranslateAccelerator(*framework::FindAccelerators(kIdrMainFrame), event),
                command);
        }
    }

    // Filling and selecting by program neither selects by itself nor notifies; the user does.
    void dropDownListsNotifyOnlyTheUsersChoice() {
        gui_test::DialogHost host;
        RecordingDialog dialog;
        const int result = host.Run<RecordingDialog>(dialog, [](RecordingDialog* d) {
            d->ComboAddString(kIdcSaveAsType, u"Text");
            d->ComboAddString(kIdcSaveAsType, u"CSV");
            d->ComboSetItemData(kIdcSaveAsType, 1, u"*.csv");
            QCOMPARE(d->ComboGetCurSel(kIdcSaveAsType), -1);
            d->ComboSetCurSel(kIdcSaveAsType, 0);
            QVERIFY(d->commands.isEmpty());
            gui_test::ChooseEntry(d, kIdcSaveAsType, "CSV");
            d->EndDialog(7);
        });
        QCOMPARE(result, 7);
        QCOMPARE(dialog.commands, QStringList{"1007:1"});
        QCOMPARE(gui_test::QText(dialog.ComboGetItemData(kIdcSaveAsType, 1)), "*.csv");
        QCOMPARE(dialog.ComboGetCount(kIdcSaveAsName), framework::CB_ERR);
    }
};

MSGKEEPER_GUI_TEST_MAIN(FrameworkTest)
#include "framework_test.moc"
