// The progress dialog: the counter and bar at each tick, the final counts before the result
// box, the box itself, and the end with 1.
#include "dialog_host.h"

#include "app/windows/progress_dialog.h"
#include "app/windows/window_front_end.h"
#include "framework/module.h"
#include "resources/resource_ids.h"

#include <QLabel>
#include <QProgressBar>

#include <atomic>

using namespace resources;

namespace {

struct FakeJob {
    std::atomic<DWORD> done{0};
    std::atomic<DWORD> total{0};
    std::atomic<DWORD> current{0};
    std::u16string result;
};

// The counter's text and the bar's position, as "1 / 3 at 33".
QString Shown(const ProgressDialog* dialog) {
    return dialog->DlgItem<QLabel>(kIdcProgressCounter)->text() +
           QString(" at %1").arg(dialog->DlgItem<QProgressBar>(kIdcProgressBar)->value());
}

// Answers the result box, noting what the dialog behind it shows.
void AnswerResultBox(const ProgressDialog* dialog, gui_test::Box& box, QString& behind) {
    gui_test::AnswerBox(box, [dialog, &behind] { behind = Shown(dialog); });
}

} // namespace

class ProgressTest : public QObject {
    Q_OBJECT

private slots:
    // Neither Escape nor closing ends it; each tick shows the counters, and the tick that finds
    // the job done shows the final counts, then the result, and ends the dialog.
    void ticksFollowTheCountersUntilTheResult() {
        gui_test::DialogHost host;
        FakeJob job;
        job.total = 3;
        job.result = u"Restore Completed.";
        QStringList shown;
        gui_test::Box box;
        QString behind;
        bool timerRunning = false;
        bool openAfterEscape = false;
        ProgressDialog dialog(job.done, job.total, job.current, job.result, -1);
        const int result = host.Run<ProgressDialog>(dialog, [&](ProgressDialog* d) {
            shown << Shown(d);
            timerRunning = d->HasTimer(ProgressDialog::kTimerId);
            QTest::keyClick(d, Qt::Key_Escape);
            d->close();
            openAfterEscape = d->isVisible() && d->geometry() == host.owner.geometry();
            for (const DWORD current : {1u, 2u}) {
                job.current = current;
                d->SendTimerMessage(ProgressDialog::kTimerId);
                shown << Shown(d);
            }
            job.current = 3;
            job.done.store(1, std::memory_order_release);
            AnswerResultBox(d, box, behind);
            d->SendTimerMessage(ProgressDialog::kTimerId);
        });
        QCOMPARE(result, 1);
        QVERIFY(timerRunning);
        QVERIFY(openAfterEscape);
        QCOMPARE(shown, (QStringList{"0 /  0 at 0", "1 / 3 at 33", "2 / 3 at 66"}));
        QCOMPARE(behind, QStringLiteral("3 / 3 at 100"));
        QCOMPARE(box.count, 1);
        QCOMPARE(box.text, QStringLiteral("Restore Completed."));
        QCOMPARE(box.caption, QStringLiteral("Brennomatic Msg Keeper v3.1"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QVERIFY(!dialog.HasTimer(ProgressDialog::kTimerId));
    }

    // A job over before the first tick: the dialog's own timer brings the final counts and then
    // the box, which announces a failure the same way as a success.
    void fastJobShowsItsFinalCountsBeforeTheBox() {
        gui_test::DialogHost host;
        FakeJob job;
        job.total = 2;
        job.current = 2;
        job.result = u"No.2:write sms error, folder is null.";
        job.done.store(1, std::memory_order_release);
        QString beforeTick;
        bool boxBeforeTick = true;
        gui_test::Box box;
        QString behind;
        ProgressDialog dialog(job.done, job.total, job.current, job.result, -1);
        QCOMPARE(host.Run<ProgressDialog>(dialog,
                                          [&](ProgressDialog* d) {
                                              beforeTick = Shown(d);
                                              boxBeforeTick = qobject_cast<QMessageBox*>(
                                                  QApplication::activeModalWidget());
                                              AnswerResultBox(d, box, behind);
                                          }),
                 1);
        QCOMPARE(beforeTick, QStringLiteral("0 /  0 at 0"));
        QVERIFY(!boxBeforeTick);
        QCOMPARE(behind, QStringLiteral("2 / 2 at 100"));
        QCOMPARE(box.text, QStringLiteral("No.2:write sms error, folder is null."));
        QCOMPARE(box.icon, QMessageBox::Information);
    }

    // The windows' front end shows the dialog over the main window and returns only after the
    // result was acknowledged.
    void frontEndReturnsAfterTheResult() {
        gui_test::DialogHost host;
        framework::AppModule().SetMainWindow(&host.owner);
        FakeJob job;
        job.total = 1;
        job.current = 1;
        job.result = u"Backup Completed.";
        gui_test::Box box;
        QString behind;
        QWidget* owner = nullptr;
        gui_test::WhenModal<ProgressDialog>([&](ProgressDialog* dialog) {
            owner = dialog->parentWidget();
            job.done.store(1, std::memory_order_release);
            AnswerResultBox(dialog, box, behind);
            dialog->SendTimerMessage(ProgressDialog::kTimerId);
        });
        WindowFrontEnd frontEnd;
        frontEnd.ShowProgress(JobProgress{job.done, job.total, job.current, job.result});
        framework::AppModule().SetMainWindow(nullptr);
        QCOMPARE(box.count, 1);
        QCOMPARE(behind, QStringLiteral("1 / 1 at 100"));
        QCOMPARE(owner, &host.owner);
    }
};

MSGKEEPER_GUI_TEST_MAIN(ProgressTest)
#include "progress_test.moc"
