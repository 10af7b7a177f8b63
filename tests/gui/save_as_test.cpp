// The Save-as dialog driven as a person would: the lists it offers, the path it returns for the
// name, folder, type and location chosen, the refused names and cancelling; and the parts it
// stands on: splitting filters, the name stem and extension.
#include "dialog_host.h"

#include "dialogs/file_names.h"
#include "dialogs/save_as_dialog.h"
#include "dialogs/split_string.h"
#include "framework/drop_down_list.h"
#include "framework/screen.h"

using namespace resources;
using gui_test::Entries;

namespace {

// How the dialog ended, as "1 \My Documents\name.usms (type 0)".
QString RunSaveAs(gui_test::DialogHost& host, std::function<void(SaveAsDialog*)> drive,
                  const std::u16string& filter = u"Unicode SMS Manager File(*.usms)|*.usms") {
    SaveAsDialog dialog(filter, u"Msgkeeper_200935147.*", u"Save as", -1);
    const int result = host.Run<SaveAsDialog>(dialog, std::move(drive));
    return QString("%1 %2 (type %3)")
        .arg(result)
        .arg(gui_test::QText(dialog.resultPath()))
        .arg(dialog.typeIndex());
}

// The chosen type shows whole, legibly on the program's 480 x 640 screen: no smaller than the
// handset's smallest legible text, 8 pixels at scale 1 (on a 240-pixel screen the longest type
// takes 7).
void CheckTypeShown(const SaveAsDialog* dialog, const QSize& screen) {
    const auto* types = dialog->DlgItem<framework::DropDownList>(kIdcSaveAsType);
    const QString type = types->currentText();
    const int widest = QFontMetrics(types->font()).horizontalAdvance(type);
    const int size = types->font().pixelSize();
    QVERIFY2(widest <= types->TextWidth(),
             gui_test::Say("%1: %2 of %3 px, font %4/%5", type, widest, types->TextWidth(), size,
                           dialog->GetDlgItem(kIdcSaveAsTypeLabel)->font().pixelSize()));
    QCOMPARE(types->ShownText(), type);
    QVERIFY2(screen.width() < 480 || size >= 16, gui_test::Say("font %1", size));
}

} // namespace

class SaveAsTest : public QObject {
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
            gui_test::CheckControls(d, d->MenuBar());
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
            {usms, "", "NONE", "backup", "backup.usms", 0},
            {usms, "", "NONE", "   ", "   .usms", 0}, // blanks only
            {usms, "", "Backups", "b", "Backups\\b.usms", 0},
            {u"A(*.a)|*.a|B(*.b)|*.b", "B(*.b)", "NONE", "n", "n.b", 1},
            {u"Anything|*", "", "NONE", "plain", "plain", 0}, // a pattern without a dot
            {u"", "", "NONE", "bare", "bare", -1}};           // no type at all
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

    // On the handset's screen at both scales, for every type a backup or export offers: the
    // chosen type shows whole, the labels end short of their boxes and the proposed name shows
    // whole inside the margins of its box.
    void readableOnTheHandsetScreen() {
        const std::u16string filters[] = {u"Unicode SMS Manager File(*.usms)|*.usms",
                                          u"SMS Manager File(*.sms)|*.sms",
                                          u"Text File(*.txt)|*.txt", u"CSV File(*.csv)|*.csv"};
        for (const QSize screen : {QSize(480, 640), QSize(240, 320)}) {
            const framework::ScopedScreenSize size(screen);
            for (const std::u16string& filter : filters) {
                gui_test::DialogHost host;
                host.owner.resize(screen);
                const auto look = [&](SaveAsDialog* d) {
                    CheckTypeShown(d, screen);
                    for (const auto& [label, box] :
                         {std::pair(kIdcSaveAsNameLabel, kIdcSaveAsName),
                          std::pair(kIdcSaveAsFolderLabel, kIdcSaveAsFolder),
                          std::pair(kIdcSaveAsTypeLabel, kIdcSaveAsType),
                          std::pair(kIdcSaveAsLocationLabel, kIdcSaveAsLocation)}) {
                        gui_test::CheckLabelGap(d, label, box);
                    }
                    gui_test::CheckEditText(d, kIdcSaveAsName);
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
        gui_test::SetCardFolder(u"Storage Card");
        QStringList seen;
        seen << RunSaveAs(host, [&](SaveAsDialog* d) {
            for (const char* location :
                 {"Main memory", "Storage Card", "Main memory", "Storage Card"}) {
                gui_test::ChooseEntry(d, kIdcSaveAsFolder, "Backups");
                gui_test::ChooseEntry(d, kIdcSaveAsLocation, location);
                seen << Entries(d, kIdcSaveAsFolder);
            }
            gui_test::ChooseEntry(d, kIdcSaveAsFolder, "CardDir");
            gui_test::TypeName(d, kIdcSaveAsName, "x");
            gui_test::PressSoftKey(d, 0);
        });
        QCOMPARE(seen, (QStringList{"NONE|Alpha|[Backups]|Zeta", "[NONE]|CardDir",
                                    "[NONE]|Alpha|Backups|Zeta", "[NONE]|CardDir",
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
};

MSGKEEPER_GUI_TEST_MAIN(SaveAsTest)
#include "save_as_test.moc"
