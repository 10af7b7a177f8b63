// The Save-as dialog driven as a person would: the lists it offers, the path it returns for the
// name, folder, type and location chosen, the refused names and cancelling.
#include "dialog_host.h"

#include "dialogs/save_as_dialog.h"
#include "framework/menu_bar.h"
#include "resources/resource_ids.h"

#include <QLineEdit>
#include <QPushButton>

using namespace resources;
using gui_test::Chosen;
using gui_test::Entries;

namespace {

constexpr char16_t kUsms[] = u"Unicode SMS Manager File(*.usms)|*.usms";

} // namespace

class SaveAsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { host_ = std::make_unique<gui_test::DialogHost>(); }
    void cleanup() { host_.reset(); }

    void startShowsStemTypesAndLocations() {
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        QStringList shown;
        bool italic = false;
        bool covers = false;
        SaveAsDialog dialog(u"A File(*.a)|*.a|B File(*.b)|*.b|Orphan", u"Msgkeeper_200935147.*",
                            u"Save as", -1);
        const int result = Run(dialog, [&](SaveAsDialog* d) {
            shown << Entries(d, kIdcSaveAsType).join('|') << Chosen(d, kIdcSaveAsType)
                  << Entries(d, kIdcSaveAsLocation).join('|')
                  << Entries(d, kIdcSaveAsFolder).join('|') << Chosen(d, kIdcSaveAsFolder)
                  << d->DlgItem<QLineEdit>(kIdcSaveAsName)->text()
                  << QString::fromStdU16String(d->GetDlgItemText(kIdcSaveAsTitle))
                  << d->MenuBar()->Key(0)->text() + "|" + d->MenuBar()->Key(1)->text();
            italic = d->GetDlgItem(kIdcSaveAsTitle)->font().italic();
            covers = d->geometry() == host_->owner.geometry();
            gui_test::PressSoftKey(d, 0);
        });
        QCOMPARE(shown, (QStringList{"A File(*.a)|B File(*.b)", "A File(*.a)", "Main memory",
                                     "NONE|Backups", "NONE", "Msgkeeper_200935147", "Save as",
                                     "Save|Cancel"}));
        QVERIFY(italic);
        QVERIFY(covers);
        QCOMPARE(result, 1);
        QCOMPARE(QString::fromStdU16String(dialog.resultPath()),
                 QString("\\My Documents\\Msgkeeper_200935147.a"));
    }

    void savedPath_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("typeIndex");
        const QString usms = QString::fromStdU16String(kUsms);
        QTest::newRow("extension always appended") << "Text File(*.txt)|*.txt"
                                                   << "Text File(*.txt)"
                                                   << "NONE"
                                                   << "notes.txt"
                                                   << "\\My Documents\\notes.txt.txt" << 0;
        QTest::newRow("NONE is the root") << usms << ""
                                          << "NONE"
                                          << "backup"
                                          << "\\My Documents\\backup.usms" << 0;
        QTest::newRow("blanks only") << usms << ""
                                     << "NONE"
                                     << "   "
                                     << "\\My Documents\\   .usms" << 0;
        QTest::newRow("listed folder") << usms << ""
                                       << "Backups"
                                       << "b"
                                       << "\\My Documents\\Backups\\b.usms" << 0;
        QTest::newRow("second type") << "A(*.a)|*.a|B(*.b)|*.b"
                                     << "B(*.b)"
                                     << "NONE"
                                     << "n"
                                     << "\\My Documents\\n.b" << 1;
        QTest::newRow("pattern without a dot") << "Anything|*"
                                               << ""
                                               << "NONE"
                                               << "plain"
                                               << "\\My Documents\\plain" << 0;
        QTest::newRow("no type at all") << ""
                                        << ""
                                        << "NONE"
                                        << "bare"
                                        << "\\My Documents\\bare" << -1;
    }

    void savedPath() {
        QFETCH(QString, filter);
        QFETCH(QString, type);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(int, typeIndex);
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        bool chosen = true;
        SaveAsDialog dialog(filter.toStdU16String(), u"x.*", u"Save as", -1);
        const int result = Run(dialog, [&](SaveAsDialog* d) {
            gui_test::TypeName(d, kIdcSaveAsName, name);
            chosen = type.isEmpty() || gui_test::ChooseEntry(d, kIdcSaveAsType, type);
            chosen = gui_test::ChooseEntry(d, kIdcSaveAsFolder, folder) && chosen;
            gui_test::PressSoftKey(d, 0);
        });
        QVERIFY(chosen);
        QCOMPARE(result, 1);
        QCOMPARE(QString::fromStdU16String(dialog.resultPath()), path);
        QCOMPARE(dialog.typeIndex(), typeIndex);
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
        gui_test::Box box;
        QString kept;
        bool stillOpen = false;
        SaveAsDialog dialog(kUsms, u"x.*", u"Save as", -1);
        const int result = Run(dialog, [&](SaveAsDialog* d) {
            gui_test::TypeName(d, kIdcSaveAsName, name);
            gui_test::AnswerBox(box);
            gui_test::PressSoftKey(d, 0);
            stillOpen = d->isVisible();
            kept = d->DlgItem<QLineEdit>(kIdcSaveAsName)->text();
            gui_test::PressSoftKey(d, 1);
        });
        QCOMPARE(box.count, 1);
        QCOMPARE(box.text, QString("This file name cannot be used.It contains one or more of the "
                                   "following disallowed characters:\\/:*?\"<>|."));
        QCOMPARE(box.caption, QString());
        QVERIFY(stillOpen);
        QCOMPARE(kept, name);
        QCOMPARE(result, 2);
        QVERIFY(dialog.resultPath().empty());
    }

    // Only folders directly in the root, and none with other attributes than the folder's.
    void onlyPlainFoldersDirectlyInTheRootAreListed() {
        for (const char16_t* name : {u"Zeta", u"Backups\\Inner", u"Alpha", u".hidden"}) {
            gui_test::MakeDeviceFolder(std::u16string(u"\\My Documents\\") + name);
        }
        std::filesystem::permissions(gui_test::MakeDeviceFolder(u"\\My Documents\\Locked"),
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
        gui_test::MakeDeviceFile(u"\\My Documents\\file.usms");
        QStringList folders;
        SaveAsDialog dialog(kUsms, u"x.*", u"Save as", -1);
        Run(dialog, [&](SaveAsDialog* d) {
            folders = Entries(d, kIdcSaveAsFolder);
            gui_test::PressSoftKey(d, 1);
        });
        QCOMPARE(folders, (QStringList{"NONE", "Alpha", "Backups", "Zeta"}));
    }

    void locationChangeRebuildsTheFolders() {
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        gui_test::SetCardFolder(u"Storage Card");
        gui_test::MakeDeviceFolder(u"\\Storage Card\\CardDir");
        QStringList seen;
        SaveAsDialog dialog(kUsms, u"x.*", u"Save as", -1);
        Run(dialog, [&](SaveAsDialog* d) {
            for (const char* location : {"Storage Card", "Main memory", "Storage Card"}) {
                gui_test::ChooseEntry(d, kIdcSaveAsFolder, "Backups");
                gui_test::ChooseEntry(d, kIdcSaveAsLocation, location);
                seen << Entries(d, kIdcSaveAsFolder).join('|') + " at " +
                            Chosen(d, kIdcSaveAsFolder);
            }
            gui_test::ChooseEntry(d, kIdcSaveAsFolder, "CardDir");
            gui_test::TypeName(d, kIdcSaveAsName, "x");
            gui_test::PressSoftKey(d, 0);
        });
        QCOMPARE(seen, (QStringList{"NONE|CardDir at NONE", "NONE|Backups at NONE",
                                    "NONE|CardDir at NONE"}));
        QCOMPARE(QString::fromStdU16String(dialog.resultPath()),
                 QString("\\Storage Card\\CardDir\\x.usms"));
    }

    // Without a registry value the root would be the handset's own root, which is no card.
    void storageCardOfferedOnlyWhenItHoldsSomething_data() {
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<bool>("holdsEntry");
        QTest::newRow("no registry value") << false << false << false;
        QTest::newRow("folder missing") << true << false << false;
        QTest::newRow("folder empty") << true << true << false;
        QTest::newRow("folder with a file") << true << true << true;
    }

    void storageCardOfferedOnlyWhenItHoldsSomething() {
        QFETCH(bool, named);
        QFETCH(bool, folderExists);
        QFETCH(bool, holdsEntry);
        if (named) {
            gui_test::SetCardFolder(u"Storage Card");
        }
        if (folderExists) {
            gui_test::MakeDeviceFolder(u"\\Storage Card");
        }
        if (holdsEntry) {
            gui_test::MakeDeviceFile(u"\\Storage Card\\old.usms");
        }
        QStringList locations;
        SaveAsDialog dialog(kUsms, u"x.*", u"Save as", -1);
        Run(dialog, [&](SaveAsDialog* d) {
            locations = Entries(d, kIdcSaveAsLocation);
            gui_test::PressSoftKey(d, 1);
        });
        QCOMPARE(locations.join('|'), holdsEntry ? "Main memory|Storage Card" : "Main memory");
    }

    void cancelLeavesNoPath_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel soft key") << false;
        QTest::newRow("Escape") << true;
    }

    void cancelLeavesNoPath() {
        QFETCH(bool, escape);
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        SaveAsDialog dialog(kUsms, u"x.*", u"Save as", -1);
        const int result = Run(dialog, [&](SaveAsDialog* d) {
            gui_test::TypeName(d, kIdcSaveAsName, "kept");
            gui_test::ChooseEntry(d, kIdcSaveAsFolder, "Backups");
            if (escape) {
                QTest::keyClick(d, Qt::Key_Escape);
            } else {
                gui_test::PressSoftKey(d, 1);
            }
        });
        QCOMPARE(result, 2);
        QVERIFY(dialog.resultPath().empty());
    }

private:
    int Run(SaveAsDialog& dialog, std::function<void(SaveAsDialog*)> drive) {
        return host_->Run<SaveAsDialog>(dialog, std::move(drive));
    }

    std::unique_ptr<gui_test::DialogHost> host_;
};

MSGKEEPER_GUI_TEST_MAIN(SaveAsTest)
#include "save_as_test.moc"
