// The progress dialog: the counter and bar at each tick, the final counts before the result
// box, the box itself, and the end with 1.
#include "gui_support.h"

#include "app/windows/progress_dialog.h"
#include "app/windows/window_front_end.h"
#include "framework/module.h"
#include "resources/resource_ids.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>

#include <atomic>
#include <memory>

using namespace resources;

namespace {

struct FakeJob {
    std::atomic<DWORD> done{0};
    std::atomic<DWORD> total{0};
    std::atomic<DWORD> current{0};
    std::u16string result;
};

struct ShownValues {
    QString counter;
    int bar = -1;
};

ShownValues Shown(const ProgressDialog* dialog) {
    return ShownValues{dialog->DlgItem<QLabel>(kIdcProgressCounter)->text(),
                       dialog->DlgItem<QProgressBar>(kIdcProgressBar)->value()};
}

struct BoxSeen {
    bool seen = false;
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ShownValues display; // the dialog's display behind the box
};

// Answers the result box once it shows, noting what it and the dialog behind it show.
void AnswerResultBox(const ProgressDialog* dialog, BoxSeen& seen) {
    gui_test::WhenModal<QMessageBox>([dialog, &seen](QMessageBox* box) {
        seen.seen = true;
        seen.text = box->text();
        seen.caption = box->windowTitle();
        seen.icon = box->icon();
        seen.display = Shown(dialog);
        gui_test::PressOk(box);
    });
}

} // namespace

class ProgressTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        owner_ = std::make_unique<QWidget>();
        owner_->setGeometry(0, 0, 480, 640);
        owner_->show();
    }
    void cleanup() { owner_.reset(); }

    void emptyJobShowsZeroThenTheResult() {
        FakeJob job;
        job.result = u"Backup Completed.";
        ShownValues initial;
        BoxSeen box;
        gui_test::WhenModal<ProgressDialog>([&](ProgressDialog* dialog) {
            initial = Shown(dialog);
            job.done.store(1, std::memory_order_release);
            AnswerResultBox(dialog, box);
            dialog->SendTimerMessage(ProgressDialog::kTimerId);
        });
        ProgressDialog dialog(job.done, job.total, job.current, job.result, -1);
        QCOMPARE(dialog.DoModal(owner_.get()), 1);
        QCOMPARE(initial.counter, QStringLiteral("0 /  0"));
        QCOMPARE(initial.bar, 0);
        QVERIFY(box.seen);
        QCOMPARE(box.display.counter, QStringLiteral("0 / 0"));
        QCOMPARE(box.display.bar, 0);
        QCOMPARE(box.text, QStringLiteral("Backup Completed."));
        QCOMPARE(box.caption, QStringLiteral("Brennomatic Msg Keeper v3.1"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QVERIFY(!dialog.HasTimer(ProgressDialog::kTimerId));
    }

    void ticksFollowTheCounters() {
        FakeJob job;
        job.total = 3;
        job.result = u"Restore Completed.";
        std::vector<ShownValues> ticks;
        BoxSeen box;
        bool timerRunning = false;
        gui_test::WhenModal<ProgressDialog>([&](ProgressDialog* dialog) {
            timerRunning = dialog->HasTimer(ProgressDialog::kTimerId);
            for (const DWORD current : {1u, 2u, 3u}) {
                job.current = current;
                dialog->SendTimerMessage(ProgressDialog::kTimerId);
                ticks.push_back(Shown(dialog));
            }
            job.done.store(1, std::memory_order_release);
            AnswerResultBox(dialog, box);
            dialog->SendTimerMessage(ProgressDialog::kTimerId);
        });
        ProgressDialog dialog(job.done, job.total, job.current, job.result, -1);
        QCOMPARE(dialog.DoModal(owner_.get()), 1);
        QVERIFY(timerRunning);
        QCOMPARE(ticks.size(), std::size_t{3});
        QCOMPARE(ticks[0].counter, QStringLiteral("1 / 3"));
        QCOMPARE(ticks[0].bar, 33);
        QCOMPARE(ticks[1].counter, QStringLiteral("2 / 3"));
        QCOMPARE(ticks[1].bar, 66);
        QCOMPARE(ticks[2].counter, QStringLiteral("3 / 3"));
        QCOMPARE(ticks[2].bar, 100);
        QCOMPARE(box.text, QStringLiteral("Restore Completed."));
        QCOMPARE(box.display.counter, QStringLiteral("3 / 3"));
    }

    // A job that is over before the first tick: the dialog's own timer brings the final counts
    // and then the box; nothing shows before that tick.
    void fastJobShowsItsFinalCountsBeforeTheBox() {
        FakeJob job;
        job.total = 2;
        job.current = 2;
        job.result = u"No.2:write sms error, folder is null.";
        job.done.store(1, std::memory_order_release);
        ShownValues beforeTick;
        bool boxBeforeTick = true;
        BoxSeen box;
        gui_test::WhenModal<ProgressDialog>([&](ProgressDialog* dialog) {
            beforeTick = Shown(dialog);
            boxBeforeTick = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            AnswerResultBox(dialog, box);
        });
        ProgressDialog dialog(job.done, job.total, job.current, job.result, -1);
        QCOMPARE(dialog.DoModal(owner_.get()), 1);
        QCOMPARE(beforeTick.counter, QStringLiteral("0 /  0"));
        QVERIFY(!boxBeforeTick);
        QVERIFY(box.seen);
        QCOMPARE(box.display.counter, QStringLiteral("2 / 2"));
        QCOMPARE(box.display.bar, 100);
        // Failures are announced the same way as successes.
        QCOMPARE(box.text, QStringLiteral("No.2:write sms error, folder is null."));
        QCOMPARE(box.icon, QMessageBox::Information);
    }

    void dialogCoversItsOwnerAndCannotBeCancelled() {
        FakeJob job;
        job.result = u"Backup Completed.";
        QRect geometry;
        bool openAfterEscape = false;
        gui_test::WhenModal<ProgressDialog>([&](ProgressDialog* dialog) {
            geometry = dialog->geometry();
            QTest::keyClick(dialog, Qt::Key_Escape);
            dialog->close();
            openAfterEscape = dialog->isVisible();
            job.done.store(1, std::memory_order_release);
            gui_test::WhenModal<QMessageBox>([](QMessageBox* box) { gui_test::PressOk(box); });
            dialog->SendTimerMessage(ProgressDialog::kTimerId);
        });
        ProgressDialog dialog(job.done, job.total, job.current, job.result, -1);
        QCOMPARE(dialog.DoModal(owner_.get()), 1);
        QCOMPARE(geometry, owner_->geometry());
        QVERIFY(openAfterEscape);
    }

    // The windows' front end shows the dialog over the active window and returns only after
    // the result was acknowledged.
    void frontEndReturnsAfterTheResult() {
        framework::AppModule().SetMainWindow(owner_.get());
        FakeJob job;
        job.total = 1;
        job.current = 1;
        job.result = u"Backup Completed.";
        BoxSeen box;
        QWidget* owner = nullptr;
        gui_test::WhenModal<ProgressDialog>([&](ProgressDialog* dialog) {
            owner = dialog->parentWidget();
            job.done.store(1, std::memory_order_release);
            AnswerResultBox(dialog, box);
            dialog->SendTimerMessage(ProgressDialog::kTimerId);
        });
        WindowFrontEnd frontEnd;
        frontEnd.ShowProgress(JobProgress{job.done, job.total, job.current, job.result});
        framework::AppModule().SetMainWindow(nullptr);
        QVERIFY(box.seen);
        QCOMPARE(box.display.counter, QStringLiteral("1 / 1"));
        QVERIFY(owner != nullptr);
    }

private:
    std::unique_ptr<QWidget> owner_;
};

int RunProgressTests(int argc, char** argv) {
    ProgressTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "progress_test.moc"
