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

constexpr int kBoxes[] = {kIdcDraft, kIdcInbox, kIdcOutbox, kIdcSent, kIdcDeleted};

// The check states as "0" and "1", Draft first.
QString CheckStates(const framework::Dialog* dialog) {
    QString states;
    for (const int id : kBoxes) {
        states += dialog->DlgItem<QCheckBox>(id)->isChecked() ? u'1' : u'0';
    }
    return states;
}

// A file's bytes: "0" and "1" stand for 0 and 1, any other character for itself.
std::string Bytes(const QString& states) {
    std::string bytes;
    for (const QChar c : states) {
        bytes += c == u'0' ? '\0' : c == u'1' ? '\1' : c.toLatin1();
    }
    return bytes;
}

std::filesystem::path SettingsFile() {
    return gui_test::HostPath(SettingsFilePath());
}

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, widget->height() / 2));
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
            gui_test::DialogHost host;
            if (!c.file.isEmpty()) {
                WriteHostFile(SettingsFile(), Bytes(c.file));
            }
            QStringList seen;
            FolderSettingsDialog dialog;
            const int result = host.Run<FolderSettingsDialog>(dialog, [&](FolderSettingsDialog* d) {
                seen << CheckStates(d) << gui_test::SoftKeys(d)
                     << (d->geometry() == host.owner.geometry() ? "covers" : "does not cover");
                gui_test::CheckControls(d, d->MenuBar());
                for (const int id : c.clicks) {
                    Click(d->GetDlgItem(id));
                }
                Click(d->MenuBar()->Key(c.key));
            });
            QCOMPARE(result, c.key == 0 ? 1 : 2);
            QCOMPARE(seen, (QStringList{c.shown, "Save|Cancel", "covers"}));
            QCOMPARE(ReadHostFile(SettingsFile()), Bytes(c.written));
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
            QCOMPARE(dialog.DlgItem<QLabel>(kIdcSelectFolders)->text(), "Select folders:");
        }
    }

    void failingSaveShowsTheErrorAndStays() {
        gui_test::DialogHost host;
        WriteHostFile(SettingsFile(), Bytes("11111"));
        const faults::FileFaultGuard disarm;
        gui_test::Box box;
        QString afterBox;
        FolderSettingsDialog dialog;
        const int result = host.Run<FolderSettingsDialog>(dialog, [&](FolderSettingsDialog* d) {
            Click(d->GetDlgItem(kIdcOutbox));
            faults::ArmFileFault(faults::FileOp::Create, 1, ERROR_ACCESS_DENIED);
            gui_test::AnswerBox(box);
            Click(d->MenuBar()->Key(0));
            afterBox = CheckStates(d) + (d->isVisible() ? " shown" : " gone");
            Click(d->MenuBar()->Key(0)); // the fault is spent: this one succeeds
        });
        QCOMPARE(result, 1);
        QCOMPARE(box.count, 1);
        QCOMPARE(box.text, QStringLiteral("Access is denied."));
        QCOMPARE(box.caption, QStringLiteral("Brennomatic Msg Keeper v3.1"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(afterBox, QStringLiteral("11011 shown"));
        QCOMPARE(ReadHostFile(SettingsFile()), Bytes("11011"));
    }
};

MSGKEEPER_GUI_TEST_MAIN(SettingsTest)
#include "settings_test.moc"
