// The progress dialog: the counter and bar at each tick, the final counts before the result
// box, the box itself, and the end with 1.
#include "dialog_host.h"

#include "app/windows/progress_dialog.h"

#include <QLabel>
#include <QProgressBar>

#include <atomic>

using namespace resources;

namespace {

// The counter's text and the bar's position, as "1 / 3 at 33".
QString Shown(const ProgressDialog* dialog) {
    return dialog->DlgItem<QLabel>(kIdcProgressCounter)->text() +
           QString(" at %1").arg(dialog->DlgItem<QProgressBar>(kIdcProgressBar)->value());
}

struct FakeJob {
    std::atomic<DWORD> done, total, current;
    std::u16string result;
    gui_test::DialogHost host;
    QStringList shown; // what the dialog showed at each look, the last behind the box; its end
    QStringList boxes;

    void Run(std::function<void(ProgressDialog*)> drive) {
        ProgressDialog dialog(done, total, current, result, -1);
        shown << QString("ended with %1").arg(host.Run<ProgressDialog>(dialog, std::move(drive)));
    }
    void AnswerResultBox(const ProgressDialog* dialog) {
        gui_test::AnswerBox(boxes, [this, dialog] { shown << Shown(dialog); });
    }
};

} // namespace

class ProgressTest : public QObject {
    Q_OBJECT

private slots:
    // Neither Escape nor closing ends it; each tick shows the counters, and the tick that finds
    // the job done shows the final counts, then the result, and ends the dialog.
    void ticksFollowTheCountersUntilTheResult() {
        FakeJob job{{0}, {3}, {0}, u"Restore Completed.", {}, {}, {}};
        job.Run([&](ProgressDialog* d) {
            job.shown << Shown(d);
            gui_test::CheckControls(d, nullptr);
            QTest::keyClick(d, Qt::Key_Escape);
            d->close();
            const bool up = d->isVisible() && d->geometry() == job.host.owner.geometry() &&
                            d->HasTimer(ProgressDialog::kTimerId);
            job.shown << (up ? "still up" : "gone");
            for (const DWORD current : {1u, 2u}) {
                job.current = current;
                d->SendTimerMessage(ProgressDialog::kTimerId);
                job.shown << Shown(d);
            }
            job.current = 3;
            job.done.store(1, std::memory_order_release);
            job.AnswerResultBox(d);
            d->SendTimerMessage(ProgressDialog::kTimerId);
        });
        QCOMPARE(job.shown, (QStringList{"0 /  0 at 0", "still up", "1 / 3 at 33", "2 / 3 at 66",
                                         "3 / 3 at 100", "ended with 1"}));
        QCOMPARE(job.boxes,
                 QStringList{"Restore Completed.|Brennomatic Msg Keeper v3.1|information"});
    }

    // A job over before the first tick: the dialog's own timer brings the final counts and then
    // the box, which announces a failure the same way as a success.
    void fastJobShowsItsFinalCountsBeforeTheBox() {
        FakeJob job{{1}, {2}, {2}, u"No.2:write sms error, folder is null.", {}, {}, {}};
        job.Run([&](ProgressDialog* d) {
            job.shown << Shown(d) + (QApplication::activeModalWidget() == d ? "" : " under a box");
            job.AnswerResultBox(d);
        });
        QCOMPARE(job.shown, (QStringList{"0 /  0 at 0", "2 / 2 at 100", "ended with 1"}));
        QCOMPARE(job.boxes,
                 QStringList{"No.2:write sms error, folder is null.|Brennomatic Msg Keeper v3.1|"
                             "information"});
    }
};

MSGKEEPER_GUI_TEST_MAIN(ProgressTest)
#include "progress_test.moc"
