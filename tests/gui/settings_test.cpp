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
    void boxesFollowTheFileAndSaveWritesThem_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("written");
        // clang-format off
        QTest::newRow("Draft") << "10000" << "10000" << QList<int>{kIdcDraft, kIdcInbox} << 0 << "01000";
        QTest::newRow("Inbox") << "01000" << "01000" << QList<int>{kIdcOutbox} << 0 << "01100";
        QTest::newRow("Outbox") << "00100" << "00100" << QList<int>{kIdcSent} << 0 << "00110";
        QTest::newRow("Sent") << "00010" << "00010" << QList<int>{kIdcDeleted} << 0 << "00011";
        QTest::newRow("Deleted") << "00001" << "00001" << QList<int>{kIdcDeleted} << 0 << "00000";
        QTest::newRow("Cancel") << "01010" << "01010" << QList<int>{kIdcDraft} << 1 << "01010";
        QTest::newRow("short, other byte") << "0F0" << "01011" << QList<int>{} << 1 << "0F0";
        QTest::newRow("no file") << "" << "11111" << QList<int>{} << 1 << "11111";
        // clang-format on
    }

    void boxesFollowTheFileAndSaveWritesThem() {
        QFETCH(QString, file);
        QFETCH(QString, shown);
        QFETCH(QList<int>, clicks);
        QFETCH(int, key);
        QFETCH(QString, written);
        gui_test::DialogHost host;
        if (!file.isEmpty()) {
            WriteHostFile(SettingsFile(), Bytes(file));
        }
        QStringList seen;
        FolderSettingsDialog dialog;
        const int result = host.Run<FolderSettingsDialog>(dialog, [&](FolderSettingsDialog* d) {
            seen << CheckStates(d) << gui_test::SoftKeys(d);
            seen << (d->geometry() == host.owner.geometry() ? "covers" : "does not cover");
            gui_test::CheckControls(d, d->MenuBar());
            for (const int id : clicks) {
                Click(d->GetDlgItem(id));
            }
            Click(d->MenuBar()->Key(key));
        });
        QCOMPARE(result, key == 0 ? 1 : 2);
        QCOMPARE(seen, (QStringList{shown, "Save|Cancel", "covers"}));
        QCOMPARE(ReadHostFile(SettingsFile()), Bytes(written));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(dialog.DlgItem<QLabel>(kIdcSelectFolders)->text(), "Select folders:");
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
