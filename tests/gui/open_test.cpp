// The Open dialog driven as a person would: the locations, folders and files it offers, the
// path of the file chosen, the box when none is, and the file list's height on resize; and the
// storage card's root from the registry, and whether a folder holds anything.
#include "dialog_host.h"

#include "dialogs/open_file_dialog.h"
#include "dialogs/storage_card.h"
#include "framework/list_box.h"
#include "framework/screen.h"
#include "platform/registry.h"

#include <QListWidget>

using namespace resources;

namespace {

// What the two lists show at one moment: "folders: files".
QString Lists(const OpenFileDialog* dialog) {
    return gui_test::Entries(dialog, kIdcOpenFolder) + ": " +
           gui_test::Entries(dialog, kIdcOpenFile);
}

// How the dialog ended, as "1 \My Documents\a.usms".
QString RunOpen(gui_test::DialogHost& host, std::function<void(OpenFileDialog*)> drive,
                std::u16string_view patterns = u"*.usms") {
    OpenFileDialog dialog(patterns, u"Open", -1);
    const int result = host.Run<OpenFileDialog>(dialog, std::move(drive));
    return QString("%1 %2").arg(result).arg(gui_test::QText(dialog.resultPath()));
}

// Opens the file named if it is listed, or cancels.
void OpenOrCancel(OpenFileDialog* dialog, const QString& name) {
    gui_test::PressSoftKey(dialog, gui_test::ClickListEntry(dialog, kIdcOpenFile, name) ? 0 : 1);
}

} // namespace

class OpenTest : public QObject {
    Q_OBJECT

private slots:
    // Root files sorted under the empty folder entry; a folder's files once it is chosen; a
    // location change rebuilds both lists and chooses the empty entry again.
    void listsFollowLocationAndFolder() {
        gui_test::DialogHost host({u"\\My Documents\\Backups\\", u"\\My Documents\\Other\\",
                                   u"\\My Documents\\c.usms", u"\\My Documents\\a.usms",
                                   u"\\My Documents\\notes.txt", u"\\My Documents\\b.usms",
                                   u"\\My Documents\\Backups\\a.usms",
                                   u"\\My Documents\\Other\\c.usms", u"\\Storage Card\\CardDir\\",
                                   u"\\Storage Card\\e.usms", u"\\Storage Card\\CardDir\\d.usms"});
        gui_test::SetCardFolder(u"Storage Card");
        QStringList seen;
        seen << RunOpen(host, [&](OpenFileDialog* d) {
            seen << gui_test::Entries(d, kIdcOpenLocation)
                 << gui_test::QText(d->GetDlgItemText(kIdcOpenTitle)) << gui_test::SoftKeys(d)
                 << (d->GetDlgItem(kIdcOpenTitle)->font().italic() ? "italic" : "upright")
                 << (d->geometry() == host.owner.geometry() ? "covers" : "does not cover")
                 << Lists(d);
            for (const auto& [list, entry] :
                 {std::pair(kIdcOpenFolder, "Backups"), std::pair(kIdcOpenFolder, "Other"),
                  std::pair(kIdcOpenLocation, "Storage Card"),
                  std::pair(kIdcOpenFolder, "CardDir")}) {
                gui_test::ChooseEntry(d, list, entry);
                seen << Lists(d);
            }
            OpenOrCancel(d, "d.usms");
        });
        QCOMPARE(seen, (QStringList{"[Main memory]|Storage Card", "Open", "Done|Cancel", "italic",
                                    "covers", "[]|Backups|Other: a.usms|b.usms|c.usms",
                                    "|[Backups]|Other: a.usms", "|Backups|[Other]: c.usms",
                                    "[]|CardDir: e.usms", "|[CardDir]: d.usms",
                                    "1 \\Storage Card\\CardDir\\d.usms"}));
    }

    // Done with no file chosen shows the box and stays: after the list merely got focus, which
    // makes its first row current without choosing it, or on a card that is not there, which
    // lists nothing, not even a file chosen before; a chosen row then opens.
    void doneWithoutAChosenFile() {
        const std::tuple<QString, bool, QString, QString> cases[] = {
            {"Main memory", false, "[]|Backups: a.usms|b.usms at 0", "1 \\My Documents\\b.usms"},
            {"Storage Card", true, "[]:  at -1", "2 "},
            {"Storage Card", false, "[]:  at -1", "2 "}}; // the handset's root is no card
        for (const auto& [location, named, lists, ended] : cases) {
            gui_test::DialogHost host({u"\\My Documents\\Backups\\", u"\\My Documents\\a.usms",
                                       u"\\My Documents\\b.usms"});
            if (named) {
                gui_test::SetCardFolder(u"Storage Card");
            }
            QStringList seen; // the lists, the box, how it ended
            seen << RunOpen(host, [&](OpenFileDialog* d) {
                auto* list = d->DlgItem<QListWidget>(kIdcOpenFile);
                if (named) {
                    gui_test::ClickListEntry(d, kIdcOpenFile, "a.usms");
                }
                gui_test::ChooseEntry(d, kIdcOpenLocation, location);
                QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
                QApplication::sendEvent(list, &focus);
                seen << Lists(d) + QString(" at %1").arg(list->currentRow());
                gui_test::AnswerBox(seen);
                gui_test::PressSoftKey(d, 0);
                QTest::keyClick(list, Qt::Key_Down); // chooses the second row, if there is one
                gui_test::PressSoftKey(d, d->isVisible() && list->count() > 0 ? 0 : 1);
            });
            QCOMPARE(seen, (QStringList{lists, "This file cannot be used.||", ended}));
        }
    }

    // A hidden folder is no folder but may be a file; a plain folder matching the pattern is a
    // folder only; a file matching two patterns is listed twice; long names keep their ends.
    void entriesByAttributeAndPattern() {
        gui_test::DialogHost host({u"\\My Documents\\.old\\", u"\\My Documents\\.x.usms\\",
                                   u"\\My Documents\\Plain.usms\\", u"\\My Documents\\Shown\\",
                                   u"\\My Documents\\.y.usms", u"\\My Documents\\a.usms",
                                   u"\\My Documents\\ab.txt",
                                   u"\\My Documents\\Msgkeeper_200935140712345678.usms"});
        QStringList seen;
        const auto look = [&](OpenFileDialog* d) {
            seen << Lists(d);
            gui_test::CheckControls(d, d->MenuBar());
            OpenOrCancel(d, "ab.txt");
        };
        seen << RunOpen(host, look, u"*.usms|a*");
        QCOMPARE(seen, (QStringList{"[]|Plain.usms|Shown: .x.usms|.y.usms|"
                                    "Msgkeeper_200935140712345678.usms|a.usms|a.usms|ab.txt",
                                    "1 \\My Documents\\ab.txt"}));
    }

    // The labels stand in one column, each ending short of its box; a backup's name too long
    // for the list keeps its date and extension and as much of its start as fits.
    void labelsAndNamesOnTheHandsetScreen() {
        gui_test::DialogHost host({u"\\My Documents\\Backups\\",
                                   u"\\My Documents\\Backups\\Msgkeeper_2009351407.usms",
                                   u"\\My Documents\\Backups\\Msgkeeper_200941290.usms"});
        QStringList shown;
        QList<int> lefts;
        RunOpen(host, [&](OpenFileDialog* d) {
            gui_test::ChooseEntry(d, kIdcOpenFolder, "Backups");
            for (const auto& [label, box] : {std::pair(kIdcOpenLocationLabel, kIdcOpenLocation),
                                             std::pair(kIdcOpenFolderLabel, kIdcOpenFolder),
                                             std::pair(kIdcOpenFileLabel, kIdcOpenFile)}) {
                lefts << d->GetDlgItem(label)->x();
                gui_test::CheckLabelGap(d, label, box);
            }
            const auto* list = d->DlgItem<framework::ListBox>(kIdcOpenFile);
            for (int row = 0; row < list->count(); ++row) {
                shown << list->ShownText(row);
            }
            gui_test::CheckControls(d, d->MenuBar());
            gui_test::PressSoftKey(d, 1);
        });
        QCOMPARE(lefts, QList<int>(3, lefts.front()));
        QCOMPARE(shown.size(), 2);
        for (const QString end : {"2009351407.usms", "200941290.usms"}) {
            const QString name = shown.takeFirst();
            QVERIFY2(name.startsWith("Msg") && name.endsWith(QChar(0x2026) + end),
                     qPrintable(name));
        }
    }

    // The file list reaches down to a margin above the soft keys, but keeps a least height.
    void fileListFollowsTheHeight() {
        const std::tuple<QSize, int, int> cases[] = {{QSize(480, 640), 500, 360},
                                                     {QSize(480, 640), 150, 40},
                                                     {QSize(240, 320), 300, 170},
                                                     {QSize(240, 320), 100, 20}};
        for (const auto& [screen, clientHeight, listHeight] : cases) {
            const framework::ScopedScreenSize size(screen);
            gui_test::DialogHost host;
            QRect place;
            RunOpen(host, [&](OpenFileDialog* d) {
                QWidget* list = d->GetDlgItem(kIdcOpenFile);
                list->move(list->x(), 120);
                d->resize(d->width(), clientHeight + framework::SoftKeyBar::Height());
                place = list->geometry();
                gui_test::PressSoftKey(d, 1);
            });
            QCOMPARE(std::pair(place.top(), place.height()), std::pair(120, listHeight));
        }
    }

    void storageCardRoot() {
        const std::tuple<int, QByteArray, QString> cases[] = {
            {-1, QByteArray(), "\\\\"},
            {REG_SZ, QByteArray("C\0a\0r\0d\0\0\0", 10), "\\Card\\"},
            {REG_SZ, QByteArray("S\0D\0", 4), "\\SD\\"},  // no terminator
            {REG_SZ, QByteArray("S\0D\0x", 5), "\\SD\\"}, // an odd size
            {REG_DWORD, QByteArray("\1\0\0\0", 4), "\\\\"},
            {REG_SZ, QByteArray(), "\\\\"}};
        for (const auto& [type, bytes, root] : cases) {
            const TempDevice device;
            if (type >= 0) {
                gui_test::SetCardValue(static_cast<DWORD>(type), bytes);
            }
            QCOMPARE(gui_test::QText(StorageCardRoot()), root);
        }
    }

    void folderPresence() {
        const TempDevice device;
        QVERIFY(!IsFolderPresent(u"\\Card"));
        gui_test::MakeFiles({u"\\Card\\"});
        QVERIFY(!IsFolderPresent(u"\\Card\\"));
        gui_test::MakeFiles({u"\\Card\\Sub\\"});
        QVERIFY(IsFolderPresent(u"\\Card"));
        QVERIFY(IsFolderPresent(u"\\Card\\"));
        QVERIFY(!IsStorageCardPresent()); // no registry value names it yet
        gui_test::SetCardFolder(u"Card");
        QVERIFY(IsStorageCardPresent());
    }
};

MSGKEEPER_GUI_TEST_MAIN(OpenTest)
#include "open_test.moc"
