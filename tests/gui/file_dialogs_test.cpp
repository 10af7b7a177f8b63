// The Save-as and Open dialogs driven as a person would: the locations, folders, types and
// files they offer, the path they return for what is chosen, the boxes for refused names and for
// no file, cancelling, their texts readable on the handset screen, and the file list's height on
// resize. And the parts they stand on: splitting filters, the name stem and extension, the
// storage card's root from the registry, and whether a folder holds anything.
#include "dialog_host.h"

#include "devkit/device_setup.h"
#include "dialogs/file_names.h"
#include "dialogs/open_file_dialog.h"
#include "dialogs/save_as_dialog.h"
#include "dialogs/split_string.h"
#include "dialogs/storage_card.h"
#include "framework/drop_down_list.h"
#include "framework/list_box.h"
#include "framework/screen.h"
#include "platform/registry.h"
#include "platform/unique_handle.h"

#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>

using namespace resources;
using gui_test::Entries;

namespace {

// How the dialog ended, as "1 \My Documents\name.usms (type 0)".
QString RunSaveAs(gui_test::DialogHost& host, std::function<void(SaveAsDialog*)> drive,
                  const std::u16string& filter = u"Unicode SMS Manager File(*.usms)|*.usms") {
    SaveAsDialog dialog(filter, u"Msgkeeper_200935147.*", u"Save as", -1);
    const int result = host.Run<SaveAsDialog>(dialog, std::move(drive));
    return QString("%1 %2 (type %3)")
        .arg(QString::number(result), gui_test::QText(dialog.resultPath()),
             QString::number(dialog.typeIndex()));
}

// What the two lists show at one moment: "folders: files".
QString Lists(const OpenFileDialog* dialog) {
    return Entries(dialog, kIdcOpenFolder) + ": " + Entries(dialog, kIdcOpenFile);
}

// How the dialog ended, as "1 \My Documents\a.usms".
QString RunOpen(gui_test::DialogHost& host, std::function<void(OpenFileDialog*)> drive,
                std::u16string_view patterns = u"*.usms") {
    OpenFileDialog dialog(patterns, u"Open", -1);
    const int result = host.Run<OpenFileDialog>(dialog, std::move(drive));
    return QString("%1 %2").arg(result).arg(gui_test::QText(dialog.resultPath()));
}

// The margin that a dialog keeps between a text and the edge of its box, in pixels.
int TextMargin(const framework::Dialog* dialog) {
    return dialog->MapDialogRect(QRect(0, 0, 2, 0)).width();
}

// The label's text ends at least the text margin before the control on its right.
void CheckLabelGap(const framework::Dialog* dialog, int labelId, int controlId) {
    const auto* label = dialog->DlgItem<QLabel>(labelId);
    const QWidget* control = dialog->GetDlgItem(controlId);
    QVERIFY(label != nullptr && control != nullptr);
    const int textEnd = label->x() + QFontMetrics(label->font()).horizontalAdvance(label->text());
    QVERIFY2(control->x() - textEnd >= TextMargin(dialog),
             gui_test::Say("%1 ends %2 px before its box, less than %3", label->text(),
                           control->x() - textEnd, TextMargin(dialog)));
}

// The edit box's whole text shows, at least the text margin inside each edge of the box.
void CheckEditText(const framework::Dialog* dialog, int editId) {
    auto* edit = dialog->DlgItem<QLineEdit>(editId);
    QVERIFY(edit != nullptr);
    const auto cursorAt = [edit](int position) {
        edit->setCursorPosition(position);
        return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    };
    const int start = cursorAt(0);
    const int end = cursorAt(static_cast<int>(edit->text().size()));
    const int margin = TextMargin(dialog);
    QVERIFY2(start >= margin && end <= edit->width() - margin,
             gui_test::Say("%1 drawn from %2 to %3 in a box %4 wide, margin %5", edit->text(),
                           start, end, edit->width(), margin));
    QCOMPARE(end - start, QFontMetrics(edit->font()).horizontalAdvance(edit->text()));
}

// The registry value that names the storage card's folder.
void SetCardValue(DWORD type, const QByteArray& bytes) {
    HKEY key = 0;
    QCOMPARE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"System\\StorageManager\\Profiles\\PCMCIA", 0,
                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
             LONG{0});
    const OwnedKey owned(key);
    QCOMPARE(RegSetValueExW(key, u"Folder", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size())),
             LONG{0});
}

} // namespace

class FileDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void startShowsStemTypesAndLocations() {
        gui_test::DialogHost host({u"\\My Documents\\Backups\\"});
        QStringList shown;
        const auto look = [&](SaveAsDialog* d) {
            shown << Entries(d, kIdcSaveAsType) << Entries(d, kIdcSaveAsLocation)
                  << Entries(d, kIdcSaveAsFolder) << d->DlgItem<QLineEdit>(kIdcSaveAsName)->text()
                  << gui_test::QText(d->GetDlgItemText(kIdcSaveAsTitle)) << gui_test::SoftKeys(d)
                  << (d->GetDlgItem(kIdcSaveAsTitle)->font().italic() ? "italic" : "upright")
                  << (d->geometry() == host.owner.geometry() ? "covers" : "does not cover");
            gui_test::PressSoftKey(d, 0);
        };
        shown << RunSaveAs(host, look, u"A File(*.a)|*.a|B File(*.b)|*.b|Orphan");
        QCOMPARE(shown,
                 (QStringList{"[A File(*.a)]|B File(*.b)", "[Main memory]", "[NONE]|Backups",
                              "Msgkeeper_200935147", "Save as", "Save|Cancel", "italic", "covers",
                              "1 \\My Documents\\Msgkeeper_200935147.a (type 0)"}));
    }

    void savedPath() {
        struct Case {
            std::u16string filter;
            QString type, folder, name, path;
            int typeIndex;
        };
        const std::u16string usms = u"Unicode SMS Manager File(*.usms)|*.usms";
        const Case cases[] = {
            {u"Text File(*.txt)|*.txt", "", "NONE", "notes.txt", "notes.txt.txt", 0},
            {usms, "", "NONE", "   ", "   .usms", 0}, // blanks only
            {usms, "", "Backups", "b", "Backups\\b.usms", 0},
            {u"A(*.a)|*.a|B(*.b)|*.b", "B(*.b)", "NONE", "n", "n.b", 1},
            {u"", "", "NONE", "bare", "bare", -1}}; // no type at all
        for (const Case& c : cases) {
            gui_test::DialogHost host({u"\\My Documents\\Backups\\"});
            const auto drive = [&](SaveAsDialog* d) {
                gui_test::TypeName(d, kIdcSaveAsName, c.name);
                // An entry that is not offered cancels.
                const bool chosen =
                    (c.type.isEmpty() || gui_test::ChooseEntry(d, kIdcSaveAsType, c.type)) &&
                    gui_test::ChooseEntry(d, kIdcSaveAsFolder, c.folder);
                gui_test::PressSoftKey(d, chosen ? 0 : 1);
            };
            QCOMPARE(RunSaveAs(host, drive, c.filter),
                     QString("1 \\My Documents\\%1 (type %2)").arg(c.path).arg(c.typeIndex));
        }
    }

    // On the handset's screen at both scales, for the longest type a backup offers and a
    // shorter one: the chosen type shows whole, the labels end short of their boxes and the
    // proposed name shows whole inside the margins of its box.
    void readableOnTheHandsetScreen() {
        const std::u16string filters[] = {u"Unicode SMS Manager File(*.usms)|*.usms",
                                          u"Text File(*.txt)|*.txt"};
        for (const QSize screen : {QSize(480, 640), QSize(240, 320)}) {
            const framework::ScopedScreenSize size(screen);
            for (const std::u16string& filter : filters) {
                gui_test::DialogHost host;
                host.owner.resize(screen);
                const auto look = [&](SaveAsDialog* d) {
                    // The chosen type shows whole, legibly on the program's 480 x 640 screen: no
                    // smaller than the handset's smallest legible text, 8 pixels at scale 1 (on a
                    // 240-pixel screen the longest type takes 7).
                    const auto* types = d->DlgItem<framework::DropDownList>(kIdcSaveAsType);
                    const QString type = types->currentText();
                    const int widest = QFontMetrics(types->font()).horizontalAdvance(type);
                    const int size = types->font().pixelSize();
                    QVERIFY2(widest <= types->TextWidth(),
                             gui_test::Say("%1: %2 of %3 px, font %4/%5", type, widest,
                                           types->TextWidth(), size,
                                           d->GetDlgItem(kIdcSaveAsTypeLabel)->font().pixelSize()));
                    QCOMPARE(types->ShownText(), type);
                    QVERIFY2(screen.width() < 480 || size >= 16, gui_test::Say("font %1", size));
                    for (const auto& [label, box] :
                         {std::pair(kIdcSaveAsNameLabel, kIdcSaveAsName),
                          std::pair(kIdcSaveAsFolderLabel, kIdcSaveAsFolder),
                          std::pair(kIdcSaveAsTypeLabel, kIdcSaveAsType),
                          std::pair(kIdcSaveAsLocationLabel, kIdcSaveAsLocation)}) {
                        CheckLabelGap(d, label, box);
                    }
                    CheckEditText(d, kIdcSaveAsName);
                    gui_test::CheckControls(d, d->MenuBar());
                    gui_test::PressSoftKey(d, 1);
                };
                QCOMPARE(RunSaveAs(host, look, filter), QString("2  (type 0)"));
            }
        }
    }

    // The box leaves the typed name for correction; Escape cancels as the soft key does.
    void refusedNameKeepsTheDialog() {
        for (const QString name :
             {"", "a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"}) {
            gui_test::DialogHost host;
            QStringList seen; // the box, then the name left in the dialog
            const QString saved = RunSaveAs(host, [&](SaveAsDialog* d) {
                gui_test::TypeName(d, kIdcSaveAsName, name);
                gui_test::AnswerBox(seen);
                gui_test::PressSoftKey(d, 0);
                seen << (d->isVisible() ? d->DlgItem<QLineEdit>(kIdcSaveAsName)->text() : "closed");
                if (name.isEmpty()) {
                    QTest::keyClick(d, Qt::Key_Escape);
                } else {
                    gui_test::PressSoftKey(d, 1);
                }
            });
            QCOMPARE(seen, (QStringList{"This file name cannot be used.It contains one or more of "
                                        "the following disallowed characters:\\/:*?\"<>|.||",
                                        name}));
            QCOMPARE(saved, QString("2  (type 0)"));
        }
    }

    // Only plain folders directly in the root; a location change rebuilds them and chooses
    // NONE again.
    void foldersFollowTheLocation() {
        gui_test::DialogHost host({u"\\My Documents\\Zeta\\", u"\\My Documents\\Backups\\Inner\\",
                                   u"\\My Documents\\Alpha\\", u"\\My Documents\\.hidden\\",
                                   u"\\My Documents\\Locked\\", u"\\My Documents\\file.usms",
                                   u"\\Storage Card\\CardDir\\"});
        using std::filesystem::perms;
        std::filesystem::permissions(gui_test::HostPath(u"\\My Documents\\Locked"),
                                     perms::owner_write | perms::group_write | perms::others_write,
                                     std::filesystem::perm_options::remove);
        QVERIFY(devkit::SetUpDevice()); // names the card "Storage Card"
        QStringList seen;
        seen << RunSaveAs(host, [&](SaveAsDialog* d) {
            for (const char* location : {"Main memory", "Storage Card"}) {
                gui_test::ChooseEntry(d, kIdcSaveAsFolder, "Backups");
                gui_test::ChooseEntry(d, kIdcSaveAsLocation, location);
                seen << Entries(d, kIdcSaveAsFolder);
            }
            gui_test::ChooseEntry(d, kIdcSaveAsFolder, "CardDir");
            gui_test::TypeName(d, kIdcSaveAsName, "x");
            gui_test::PressSoftKey(d, 0);
        });
        QCOMPARE(seen, (QStringList{"NONE|Alpha|[Backups]|Zeta", "[NONE]|CardDir",
                                    "1 \\Storage Card\\CardDir\\x.usms (type 0)"}));
    }

private slots:
    void splitString() {
        const std::tuple<std::u16string, std::u16string, QString> cases[] = {
            {u"Text File(*.txt)|*.txt", u"|", "[Text File(*.txt)][*.txt]"},
            {u"a|", u"|", "[a][]"},
            {u"", u"|", "[]"},
            {u"|", u"|", "[][]"},
            {u"a||b", u"|", "[a][][b]"},
            {u"*.usms", u"|", "[*.usms]"},
            {u"a::b:c", u"::", "[a][b:c]"},
            {u"a|b", u"", "[a|b]"}};
        for (const auto& [text, separator, pieces] : cases) {
            QString joined;
            for (const std::u16string& piece : SplitString(text, separator)) {
                joined += "[" + gui_test::QText(piece) + "]";
            }
            QCOMPARE(joined, pieces);
        }
    }

    // The stem of a default name (after its folder, before its last dot), and the extension
    // of a pattern.
    void nameStemAndExtension() {
        const std::pair<std::u16string, QString> stems[] = {
            {u"Msgkeeper_200935147.*", "Msgkeeper_200935147"},
            {u"\\dir\\name.x", "name"},
            {u"a.b.c", "a.b"},
            {u"name", ""},
            {u"\\dir.x\\name", ""},
            {u".*", ""}};
        for (const auto& [name, stem] : stems) {
            QCOMPARE(gui_test::QText(NameStem(name)), stem);
        }
        QCOMPARE(gui_test::QText(PatternExtension(u"*.tar.gz")), ".gz");
        QCOMPARE(gui_test::QText(PatternExtension(u"*")), "");
    }

    // Root files sorted under the empty folder entry; a folder's files once it is chosen; a
    // location change rebuilds both lists and chooses the empty entry again.
    void listsFollowLocationAndFolder() {
        gui_test::DialogHost host({u"\\My Documents\\Backups\\", u"\\My Documents\\Other\\",
                                   u"\\My Documents\\c.usms", u"\\My Documents\\a.usms",
                                   u"\\My Documents\\notes.txt", u"\\My Documents\\b.usms",
                                   u"\\My Documents\\Backups\\a.usms",
                                   u"\\My Documents\\Other\\c.usms", u"\\Storage Card\\CardDir\\",
                                   u"\\Storage Card\\e.usms", u"\\Storage Card\\CardDir\\d.usms"});
        QVERIFY(devkit::SetUpDevice()); // names the card "Storage Card"
        QStringList seen;
        seen << RunOpen(host, [&](OpenFileDialog* d) {
            seen << Entries(d, kIdcOpenLocation)
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
            // Opens the file if it is listed, or cancels.
            gui_test::PressSoftKey(d, gui_test::ClickListEntry(d, kIdcOpenFile, "d.usms") ? 0 : 1);
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
                QVERIFY(devkit::SetUpDevice()); // names the card "Storage Card"
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
            // Opens the file if it is listed, or cancels.
            gui_test::PressSoftKey(d, gui_test::ClickListEntry(d, kIdcOpenFile, "ab.txt") ? 0 : 1);
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
                CheckLabelGap(d, label, box);
            }
            const auto* list = d->DlgItem<framework::ListBox>(kIdcOpenFile);
            for (int row = 0; row < list->count(); ++row) {
                shown << list->ShownText(row);
            }
            gui_test::CheckControls(d, d->MenuBar());
            gui_test::PressSoftKey(d, 1);
        });
        QCOMPARE(lefts, QList<int>(3, lefts.front()));
        // Each name keeps its start and its date and extension, cut between them.
        const QRegularExpression kept("^Msg[^|]*\u2026"
                                      "2009351407\\.usms\\|Msg[^|]*\u2026"
                                      "200941290\\.usms$");
        QVERIFY2(kept.match(shown.join('|')).hasMatch(), qPrintable(shown.join('|')));
    }

    // The file list reaches down to a margin above the soft keys, but keeps a least height.
    void fileListFollowsTheHeight() {
        const std::tuple<QSize, int, int> cases[] = {
            {QSize(480, 640), 500, 360}, {QSize(480, 640), 150, 40}, {QSize(240, 320), 100, 20}};
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
                SetCardValue(static_cast<DWORD>(type), bytes);
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
        SetCardValue(REG_SZ, QByteArray("C\0a\0r\0d\0\0\0", 10));
        QVERIFY(IsStorageCardPresent());
    }
};

MSGKEEPER_GUI_TEST_MAIN(FileDialogsTest)
#include "file_dialogs_test.moc"
