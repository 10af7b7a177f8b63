// The Settings dialog: the check boxes follow settings.dat, Save writes it, Cancel does not, and
// a failing Save keeps the dialog open behind an error box.
#include "dialog_host.h"

#include "app/folder_selection.h"
#include "app/windows/folder_settings_dialog.h"
#include "platform/errors.h"
#include "platform/faults.h"

#include <QCheckBox>
#include <QLabel>

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

std::filesystem::path SettingsFile() {
    return gui_test::HostPath(SettingsFilePath());
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

// Runs the dialog on a fresh handset whose settings file holds states (no file when empty)
// while drive acts on it. Returns what it showed at the start, how it ended and the file left.
QStringList RunSettings(const QString& states, std::function<void(FolderSettingsDialog*)> drive) {
    gui_test::DialogHost host;
    if (!states.isEmpty()) {
        WriteHostFile(SettingsFile(), Shifted(states.toStdString(), -'0'));
    }
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
                << QString::fromStdString(Shifted(ReadHostFile(SettingsFile()), '0'));
}

} // namespace

class SettingsTest : public QObject {
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
                              {"00001", "00001", {kIdcDeleted}, 0, "00000"},
                              {"01010", "01010", {kIdcDraft}, 1, "01010"},
                              {"0F0", "01011", {}, 1, "0F0"}, // short, with another byte
                              {"", "11111", {}, 1, "11111"}}; // no file
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
        QStringList boxes;
        QString afterBox;
        const QStringList seen = RunSettings("11111", [&](FolderSettingsDialog* d) {
            Click(d->GetDlgItem(kIdcOutbox));
            faults::ArmFileFault(faults::FileOp::Create, 1, ERROR_ACCESS_DENIED);
            gui_test::AnswerBox(boxes);
            Click(d->MenuBar()->Key(0));
            afterBox = CheckStates(d) + (d->isVisible() ? " shown" : " gone");
            Click(d->MenuBar()->Key(0)); // the fault is spent: this one succeeds
        });
        QCOMPARE(boxes, QStringList{"Access is denied.|Brennomatic Msg Keeper v3.1|error"});
        QCOMPARE(afterBox, QStringLiteral("11011 shown"));
        QCOMPARE(seen, (QStringList{"Dialog: Select folders:", "11111 Save|Cancel covers",
                                    "ended with 1", "11011"}));
    }
};

MSGKEEPER_GUI_TEST_MAIN(SettingsTest)
#include "settings_test.moc"
