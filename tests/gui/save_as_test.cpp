// The Save-as dialog driven as a person would: the lists it offers, the path it returns for the
// name, folder, type and location chosen, the refused names and cancelling.
#include "dialog_host.h"

#include "dialogs/save_as_dialog.h"
#include "framework/menu_bar.h"
#include "resources/resource_ids.h"

#include <QLineEdit>

using namespace resources;
using gui_test::Chosen;
using gui_test::Entries;

namespace {

constexpr char16_t kUsms[] = u"Unicode SMS Manager File(*.usms)|*.usms";

struct Saved {
    int result = 0;
    QString path;
    int typeIndex = 0;
};

Saved RunSaveAs(gui_test::DialogHost& host, std::function<void(SaveAsDialog*)> drive,
                const std::u16string& filter = kUsms) {
    SaveAsDialog dialog(filter, u"Msgkeeper_200935147.*", u"Save as", -1);
    const int result = host.Run<SaveAsDialog>(dialog, std::move(drive));
    return Saved{result, gui_test::QText(dialog.resultPath()), dialog.typeIndex()};
}

} // namespace

class SaveAsTest : public QObject {
    Q_OBJECT

private slots:
    void startShowsStemTypesAndLocations() {
        gui_test::DialogHost host;
        gui_test::MakeFiles({u"\\My Documents\\Backups\\"});
        QStringList shown;
        const Saved saved = RunSaveAs(
            host,
            [&](SaveAsDialog* d) {
                shown << Entries(d, kIdcSaveAsType) << Chosen(d, kIdcSaveAsType)
                      << Entries(d, kIdcSaveAsLocation) << Entries(d, kIdcSaveAsFolder)
                      << Chosen(d, kIdcSaveAsFolder)
                      << d->DlgItem<QLineEdit>(kIdcSaveAsName)->text()
                      << gui_test::QText(d->GetDlgItemText(kIdcSaveAsTitle))
                      << gui_test::SoftKeys(d);
                shown << (d->GetDlgItem(kIdcSaveAsTitle)->font().italic() ? "italic" : "upright");
                shown << (d->geometry() == host.owner.geometry() ? "covers" : "does not cover");
                gui_test::PressSoftKey(d, 0);
            },
            u"A File(*.a)|*.a|B File(*.b)|*.b|Orphan");
        QCOMPARE(shown, (QStringList{"A File(*.a)|B File(*.b)", "A File(*.a)", "Main memory",
                                     "NONE|Backups", "NONE", "Msgkeeper_200935147", "Save as",
                                     "Save|Cancel", "italic", "covers"}));
        QCOMPARE(saved.result, 1);
        QCOMPARE(saved.path, QString("\\My Documents\\Msgkeeper_200935147.a"));
    }

    void savedPath_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("typeIndex");
        const QString usms = QString::fromStdU16String(kUsms), md = "\\My Documents\\";
        // clang-format off
        QTest::newRow("extension always appended") << "Text File(*.txt)|*.txt" << "Text File(*.txt)" << "NONE" << "notes.txt" << md + "notes.txt.txt" << 0;
        QTest::newRow("NONE is the root") << usms << "" << "NONE" << "backup" << md + "backup.usms" << 0;
        QTest::newRow("blanks only") << usms << "" << "NONE" << "   " << md + "   .usms" << 0;
        QTest::newRow("listed folder") << usms << "" << "Backups" << "b" << md + "Backups\\b.usms" << 0;
        QTest::newRow("second type") << "A(*.a)|*.a|B(*.b)|*.b" << "B(*.b)" << "NONE" << "n" << md + "n.b" << 1;
        QTest::newRow("pattern without a dot") << "Anything|*" << "" << "NONE" << "plain" << md + "plain" << 0;
        QTest::newRow("no type at all") << "" << "" << "NONE" << "bare" << md + "bare" << -1;
        // clang-format on
    }

    void savedPath() {
        QFETCH(QString, filter);
        QFETCH(QString, type);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(int, typeIndex);
        gui_test::DialogHost host;
        gui_test::MakeFiles({u"\\My Documents\\Backups\\"});
        bool chosen = true;
        const Saved saved = RunSaveAs(
            host,
            [&](SaveAsDialog* d) {
                gui_test::TypeName(d, kIdcSaveAsName, name);
                chosen = type.isEmpty() || gui_test::ChooseEntry(d, kIdcSaveAsType, type);
                chosen = gui_test::ChooseEntry(d, kIdcSaveAsFolder, folder) && chosen;
                gui_test::PressSoftKey(d, 0);
            },
            filter.toStdU16String());
        QVERIFY(chosen);
        QCOMPARE(saved.result, 1);
        QCOMPARE(saved.path, path);
        QCOMPARE(saved.typeIndex, typeIndex);
    }

    void refusedNameKeepsTheDialog_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        for (const QChar c : QString("\\/:*?\"<>|")) {
            QTest::newRow(qPrintable(QString("with %1").arg(c))) << QString("a%1b").arg(c);
        }
    }

    void refusedNameKeepsTheDialog() {
        QFETCH(QString, name);
        gui_test::DialogHost host;
        gui_test::Box box;
        QString kept;
        const Saved saved = RunSaveAs(host, [&](SaveAsDialog* d) {
            gui_test::TypeName(d, kIdcSaveAsName, name);
            gui_test::AnswerBox(box);
            gui_test::PressSoftKey(d, 0);
            kept = d->isVisible() ? d->DlgItem<QLineEdit>(kIdcSaveAsName)->text() : "(closed)";
            if (name.isEmpty()) {
                QTest::keyClick(d, Qt::Key_Escape); // cancels as the soft key does
            } else {
                gui_test::PressSoftKey(d, 1);
            }
        });
        QCOMPARE(box.count, 1);
        QCOMPARE(box.text, QString("This file name cannot be used.It contains one or more of the "
                                   "following disallowed characters:\\/:*?\"<>|."));
        QCOMPARE(box.caption, QString());
        QCOMPARE(kept, name);
        QCOMPARE(saved.result, 2);
        QVERIFY(saved.path.isEmpty());
    }

    // Only plain folders directly in the root; a location change rebuilds them and chooses
    // NONE again.
    void foldersFollowTheLocation() {
        gui_test::DialogHost host;
        gui_test::MakeFiles({u"\\My Documents\\Zeta\\", u"\\My Documents\\Backups\\Inner\\",
                             u"\\My Documents\\Alpha\\", u"\\My Documents\\.hidden\\",
                             u"\\My Documents\\Locked\\", u"\\My Documents\\file.usms",
                             u"\\Storage Card\\CardDir\\"});
        std::filesystem::permissions(gui_test::HostPath(u"\\My Documents\\Locked"),
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
        gui_test::SetCardFolder(u"Storage Card");
        QStringList seen;
        const Saved saved = RunSaveAs(host, [&](SaveAsDialog* d) {
            for (const char* location :
                 {"Main memory", "Storage Card", "Main memory", "Storage Card"}) {
                gui_test::ChooseEntry(d, kIdcSaveAsFolder, "Backups");
                gui_test::ChooseEntry(d, kIdcSaveAsLocation, location);
                seen << Entries(d, kIdcSaveAsFolder) + " at " + Chosen(d, kIdcSaveAsFolder);
            }
            gui_test::ChooseEntry(d, kIdcSaveAsFolder, "CardDir");
            gui_test::TypeName(d, kIdcSaveAsName, "x");
            gui_test::PressSoftKey(d, 0);
        });
        QCOMPARE(seen, (QStringList{"NONE|Alpha|Backups|Zeta at Backups", "NONE|CardDir at NONE",
                                    "NONE|Alpha|Backups|Zeta at NONE", "NONE|CardDir at NONE"}));
        QCOMPARE(saved.path, QString("\\Storage Card\\CardDir\\x.usms"));
    }
};

MSGKEEPER_GUI_TEST_MAIN(SaveAsTest)
#include "save_as_test.moc"
