// The application's own dialogs. Settings: the check boxes follow settings.dat, Save writes it,
// Cancel does not, and a failing Save keeps the dialog open behind an error box. Progress: the
// counter and bar at each tick, the final counts before the result box, the box itself, and the
// end with 1.
#include "dialog_host.h"

#include "app/folder_selection.h"
#include "app/windows/folder_settings_dialog.h"
#include "app/windows/progress_dialog.h"
#include "platform/errors.h"
#include "platform/faults.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>

#include <atomic>

using namespace resources;

namespace {

// The check states as "0" and "1", Draft first.
QString CheckStates(const framework::Dialog* dialog) {
    QString states;
    for (const int id : {kIdcDraft, kIdcInbox, kIdcOutbox, kIdcSent, kIdcDeleted}) {
        states += dialog->DlgItem<QCheckBox>(id)->isChecked() ? u'1' : u'0';
    }
    return states;
}

// The file holds states as the bytes 0 and 1; any other character stands for the byte as far
// from 0 as it is from "0".
std::string Shifted(std::string text, int by) {
    for (char& c : text) {
        c = static_cast<char>(c + by);
    }
    return text;
}

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, widget->height() / 2));
}

// Runs the dialog on a fresh handset whose settings file holds states while drive acts on it.
// Returns what it showed at the start, how it ended and the file left.
QStringList RunSettings(const QString& states, std::function<void(FolderSettingsDialog*)> drive) {
    gui_test::DialogHost host;
    const std::filesystem::path file = gui_test::HostPath(SettingsFilePath());
    WriteHostFile(file, Shifted(states.toStdString(), -'0'));
    QStringList seen;
    FolderSettingsDialog dialog;
    const int result = host.Run<FolderSettingsDialog>(dialog, [&](FolderSettingsDialog* d) {
        seen << d->windowTitle() + ": " + d->DlgItem<QLabel>(kIdcSelectFolders)->text()
             << CheckStates(d) + " " + gui_test::SoftKeys(d) +
                    (d->geometry() == host.owner.geometry() ? " covers" : " does not cover");
        gui_test::CheckControls(d, d->MenuBar());
        drive(d);
    });
    return seen << QString("ended with %1").arg(result)
                << QString::fromStdString(Shifted(ReadHostFile(file), '0'));
}

// The counter's text and the bar's position, as "1 / 3 at 33".
QString Shown(const ProgressDialog* dialog) {
    return dialog->DlgItem<QLabel>(kIdcProgressCounter)->text() +
           QString(" at %1").arg(dialog->DlgItem<QProgressBar>(kIdcProgressBar)->value());
}

struct FakeJob {
    std::atomic<bool> done;
    std::atomic<DWORD> total, current;
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

class AppDialogsTest : public QObject {
    Q_OBJECT

private slots:
    // Each folder alone, so that a box showing another folder's flag is caught; the boxes
    // clicked are toggled; Save (key 0) writes them, Cancel writes nothing, reading never does.
    void boxesFollowTheFileAndSaveWritesThem() {
        struct Case {
            QString file, shown;
            QList<int> clicks;
            int key;
            QString written;
        };
        const Case cases[] = {{"10000", "10000", {kIdcDraft, kIdcInbox}, 0, "01000"},
                              {"01000", "01000", {kIdcOutbox}, 0, "01100"},
                              {"00100", "00100", {kIdcSent}, 0, "00110"},
                              {"00010", "00010", {kIdcDeleted}, 0, "00011"},
                              {"01010", "01010", {kIdcDraft}, 1, "01010"},
                              {"0F0", "01011", {}, 1, "0F0"}}; // short, with another byte
        for (const Case& c : cases) {
            const QStringList seen = RunSettings(c.file, [&](FolderSettingsDialog* d) {
                for (const int id : c.clicks) {
                    Click(d->GetDlgItem(id));
                }
                Click(d->MenuBar()->Key(c.key));
            });
            QCOMPARE(seen, (QStringList{"Dialog: Select folders:", c.shown + " Save|Cancel covers",
                                        QString("ended with %1").arg(c.key + 1), c.written}));
        }
    }

    void failingSaveShowsTheErrorAndStays() {
        const faults::FileFaultGuard disarm;
        QStringList boxes; // the box, then the dialog behind it
        const QStringList seen = RunSettings("11111", [&](FolderSettingsDialog* d) {
            Click(d->GetDlgItem(kIdcOutbox));
            faults::ArmFileFault(faults::FileOp::Create, 1, ERROR_ACCESS_DENIED);
            gui_test::AnswerBox(boxes);
            Click(d->MenuBar()->Key(0));
            boxes << CheckStates(d) + (d->isVisible() ? " shown" : " gone");
            Click(d->MenuBar()->Key(0)); // the fault is spent: this one succeeds
        });
        QCOMPARE(boxes, (QStringList{"Access is denied.|Brennomatic Msg Keeper v3.1|error",
                                     "11011 shown"}));
        QCOMPARE(seen, (QStringList{"Dialog: Select folders:", "11111 Save|Cancel covers",
                                    "ended with 1", "11011"}));
    }

    // Neither Escape nor closing ends it; each tick shows the counters, and the tick that finds
    // the job done shows the final counts, then the result, and ends the dialog.
    void ticksFollowTheCountersUntilTheResult() {
        FakeJob job{{false}, {3}, {0}, u"Restore Completed.", {}, {}, {}};
        job.Run([&](ProgressDialog* d) {
            job.shown << Shown(d);
            gui_test::CheckControls(d, nullptr);
            QTest::keyClick(d, Qt::Key_Escape);
            d->close();
            const bool up = d->isVisible() && d->geometry() == job.host.owner.geometry() &&
                            d->HasTimer(ProgressDialog::kTimerId);
            job.shown << (up ? "still up" : "gone");
            job.current = 1;
            d->SendTimerMessage(ProgressDialog::kTimerId);
            job.shown << Shown(d);
            job.current = 3;
            job.done.store(true, std::memory_order_release);
            job.AnswerResultBox(d);
            d->SendTimerMessage(ProgressDialog::kTimerId);
        });
        QCOMPARE(job.shown, (QStringList{"0 /  0 at 0", "still up", "1 / 3 at 33", "3 / 3 at 100",
                                         "ended with 1"}));
        QCOMPARE(job.boxes,
                 QStringList{"Restore Completed.|Brennomatic Msg Keeper v3.1|information"});
    }

    // A job over before the first tick: the dialog's own timer brings the final counts and then
    // the box, which announces a failure the same way as a success.
    void fastJobShowsItsFinalCountsBeforeTheBox() {
        FakeJob job{{true}, {2}, {2}, u"No.2:write sms error, folder is null.", {}, {}, {}};
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

MSGKEEPER_GUI_TEST_MAIN(AppDialogsTest)
#include "app_dialogs_test.moc"
