// The framework's message loop: message filters and idle handlers.
#include "dialog_host.h"

#include "framework/message_loop.h"

#include <QKeyEvent>

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
};

MSGKEEPER_GUI_TEST_MAIN(FrameworkTest)
#include "framework_test.moc"
