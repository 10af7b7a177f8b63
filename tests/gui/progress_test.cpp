// The progress dialog: the counter and bar at each tick, the final counts before the result
// box, the box itself, and the end with 1.
#include "dialog_host.h"

#include "app/windows/progress_dialog.h"

#include <QLabel>
#include <QProgressBar>

#include <atomic>

using namespace resources;

namespace {

struct FakeJob {
    std::atomic<DWORD> done, total, current;
    std::u16string result;
    gui_test::Box box;
    QStringList shown; // what the dialog showed at each look, the last behind the box
};

// The counter's text and the bar's position, as "1 / 3 at 33".
QString Shown(const ProgressDialog* dialog) {
    return dialog->DlgItem<QLabel>(kIdcProgressCounter)->text() +
           QString(" at %1").arg(dialog->DlgItem<QProgressBar>(kIdcProgressBar)->value());
}

void AnswerResultBox(const ProgressDialog* dialog, FakeJob& job) {
    gui_test::AnswerBox(job.box, [dialog, &job] { job.shown << Shown(dialog); });
}

} // namespace

class ProgressTest : public QObject {
    Q_OBJECT

private slots:
    // Neither Escape nor closing ends it; each tick shows the counters, and the tick that finds
    // the job done shows the final counts, then the result, and ends the dialog.
    void ticksFollowTheCountersUntilTheResult() {
        gui_test::DialogHost host;
        FakeJob job{{0}, {3}, {0}, u"Restore Completed.", {}, {}};
        bool running = false;
        ProgressDialog dialog(job.done, job.total, job.current, job.result, -1);
        const int result = host.Run<ProgressDialog>(dialog, [&](ProgressDialog* d) {
            job.shown << Shown(d);
            gui_test::CheckControls(d, nullptr);
            QTest::keyClick(d, Qt::Key_Escape);
            d->close();
            running = d->isVisible() && d->geometry() == host.owner.geometry() &&
                      d->HasTimer(ProgressDialog::kTimerId);
            for (const DWORD current : {1u, 2u}) {
                job.current = current;
                d->SendTimerMessage(ProgressDialog::kTimerId);
                job.shown << Shown(d);
            }
            job.current = 3;
            job.done.store(1, std::memory_order_release);
            AnswerResultBox(d, job);
            d->SendTimerMessage(ProgressDialog::kTimerId);
        });
        QCOMPARE(result, 1);
        QVERIFY(running);
        QCOMPARE(job.shown,
                 (QStringList{"0 /  0 at 0", "1 / 3 at 33", "2 / 3 at 66", "3 / 3 at 100"}));
        QCOMPARE(job.box.count, 1);
        QCOMPARE(job.box.text, QStringLiteral("Restore Completed."));
        QCOMPARE(job.box.caption, QStringLiteral("Brennomatic Msg Keeper v3.1"));
        QCOMPARE(job.box.icon, QMessageBox::Information);
    }

    // A job over before the first tick: the dialog's own timer brings the final counts and then
    // the box, which announces a failure the same way as a success.
    void fastJobShowsItsFinalCountsBeforeTheBox() {
        gui_test::DialogHost host;
        FakeJob job{{1}, {2}, {2}, u"No.2:write sms error, folder is null.", {}, {}};
        ProgressDialog dialog(job.done, job.total, job.current, job.result, -1);
        const int result = host.Run<ProgressDialog>(dialog, [&](ProgressDialog* d) {
            job.shown << Shown(d) + (qobject_cast<QMessageBox*>(QApplication::activeModalWidget())
                                         ? " under a box"
                                         : "");
            AnswerResultBox(d, job);
        });
        QCOMPARE(result, 1);
        QCOMPARE(job.shown, (QStringList{"0 /  0 at 0", "2 / 2 at 100"}));
        QCOMPARE(job.box.text, QStringLiteral("No.2:write sms error, folder is null."));
        QCOMPARE(job.box.icon, QMessageBox::Information);
    }
};

MSGKEEPER_GUI_TEST_MAIN(ProgressTest)
#include "progress_test.moc"
