// The Save-as dialog driven as a person would: the lists it offers, the path it returns for
// the name, folder, type and location chosen, the refused names and cancelling.
#include "dialog_driving.h"
#include "gui_support.h"

#include "dialogs/save_as_dialog.h"
#include "framework/menu_bar.h"
#include "resources/resource_ids.h"
#include "support/temp_dir.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

using namespace resources;
using gui_test::ComboCurrent;
using gui_test::ComboTexts;

namespace {

constexpr char16_t kUsms[] = u"Unicode SMS Manager File(*.usms)|*.usms";

struct SaveRun {
    int result = 0;
    QString path;
};

// Runs the dialog over owner while drive acts on it; drive must end it.
SaveRun RunSaveAs(QWidget* owner, const std::u16string& filter,
                  std::function<void(SaveAsDialog*)> drive,
                  std::u16string_view defaultName = u"Msgkeeper_200935147.*") {
    gui_test::WhenModal<SaveAsDialog>(std::move(drive));
    SaveAsDialog dialog(filter, defaultName, u"Save as", -1);
    const int result = dialog.DoModal(owner);
    return SaveRun{result, QString::fromStdU16String(dialog.resultPath())};
}

struct BoxSeen {
    int count = 0;
    QString text;
    QString caption;
};

void AnswerBox(BoxSeen& seen) {
    gui_test::WhenModal<QMessageBox>([&seen](QMessageBox* box) {
        ++seen.count;
        seen.text = box->text();
        seen.caption = box->windowTitle();
        gui_test::PressOk(box);
    });
}

} // namespace

class SaveAsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { host_ = std::make_unique<gui_test::DialogHost>(); }
    void cleanup() { host_.reset(); }

    void startShowsStemTypesAndLocations() {
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        QStringList types, locations, folders;
        QString name, title, folder, type;
        bool italic = false;
        bool covers = false;
        QStringList keys;
        const SaveRun run = RunSaveAs(
            &host_->owner, u"A File(*.a)|*.a|B File(*.b)|*.b|Orphan", [&](SaveAsDialog* dialog) {
                types = ComboTexts(dialog, kIdcSaveAsType);
                type = ComboCurrent(dialog, kIdcSaveAsType);
                locations = ComboTexts(dialog, kIdcSaveAsLocation);
                folders = ComboTexts(dialog, kIdcSaveAsFolder);
                folder = ComboCurrent(dialog, kIdcSaveAsFolder);
                name = dialog->DlgItem<QLineEdit>(kIdcSaveAsName)->text();
                title = QString::fromStdU16String(dialog->GetDlgItemText(kIdcSaveAsTitle));
                italic = dialog->GetDlgItem(kIdcSaveAsTitle)->font().italic();
                covers = dialog->geometry() == host_->owner.geometry();
                keys << dialog->MenuBar()->Key(0)->text() << dialog->MenuBar()->Key(1)->text();
                gui_test::PressSoftKey(dialog, 0);
            });
        QCOMPARE(types, (QStringList{"A File(*.a)", "B File(*.b)"}));
        QCOMPARE(type, QString("A File(*.a)"));
        QCOMPARE(locations, QStringList{"Main memory"});
        QCOMPARE(folders, (QStringList{"NONE", "Backups"}));
        QCOMPARE(folder, QString("NONE"));
        QCOMPARE(name, QString("Msgkeeper_200935147"));
        QCOMPARE(title, QString("Save as"));
        QVERIFY(italic);
        QVERIFY(covers);
        QCOMPARE(keys, (QStringList{"Save", "Cancel"}));
        QCOMPARE(run.result, 1);
        QCOMPARE(run.path, QString("\\My Documents\\Msgkeeper_200935147.a"));
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
        int chosenType = -2;
        bool chosen = true;
        const SaveRun run = RunSaveAs(&host_->owner, filter.toStdU16String(), [&](SaveAsDialog* d) {
            gui_test::TypeName(d, kIdcSaveAsName, name);
            if (!type.isEmpty()) {
                chosen = gui_test::ChooseEntry(d, kIdcSaveAsType, type) && chosen;
            }
            chosen = gui_test::ChooseEntry(d, kIdcSaveAsFolder, folder) && chosen;
            gui_test::PressSoftKey(d, 0);
            chosenType = d->typeIndex();
        });
        QVERIFY(chosen);
        QCOMPARE(run.result, 1);
        QCOMPARE(run.path, path);
        QCOMPARE(chosenType, typeIndex);
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
        BoxSeen box;
        QString kept;
        bool stillOpen = false;
        const SaveRun run = RunSaveAs(&host_->owner, kUsms, [&](SaveAsDialog* dialog) {
            gui_test::TypeName(dialog, kIdcSaveAsName, name);
            AnswerBox(box);
            gui_test::PressSoftKey(dialog, 0);
            QTRY_COMPARE(box.count, 1);
            stillOpen = dialog->isVisible();
            kept = dialog->DlgItem<QLineEdit>(kIdcSaveAsName)->text();
            gui_test::PressSoftKey(dialog, 1);
        });
        QCOMPARE(box.text, QString("This file name cannot be used.It contains one or more of the "
                                   "following disallowed characters:\\/:*?\"<>|."));
        QCOMPARE(box.caption, QString());
        QVERIFY(stillOpen);
        QCOMPARE(kept, name);
        QCOMPARE(run.result, 2);
        QVERIFY(run.path.isEmpty());
    }

    void onlyPlainFoldersDirectlyInTheRootAreListed() {
        gui_test::MakeDeviceFolder(u"\\My Documents\\Zeta");
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups\\Inner");
        gui_test::MakeDeviceFolder(u"\\My Documents\\Alpha");
        gui_test::MakeDeviceFolder(u"\\My Documents\\.hidden");
        const std::filesystem::path locked = gui_test::MakeDeviceFolder(u"\\My Documents\\Locked");
        std::filesystem::permissions(locked,
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
        gui_test::MakeDeviceFile(u"\\My Documents\\file.usms");
        QStringList folders;
        RunSaveAs(&host_->owner, kUsms, [&](SaveAsDialog* dialog) {
            folders = ComboTexts(dialog, kIdcSaveAsFolder);
            gui_test::PressSoftKey(dialog, 1);
        });
        QCOMPARE(folders, (QStringList{"NONE", "Alpha", "Backups", "Zeta"}));
    }

    void locationChangeRebuildsTheFolders() {
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        gui_test::SetCardFolder(u"Storage Card");
        gui_test::MakeDeviceFolder(u"\\Storage Card\\CardDir");
        QStringList onCard, backInMain;
        QString selectedOnCard;
        const SaveRun run = RunSaveAs(&host_->owner, kUsms, [&](SaveAsDialog* dialog) {
            gui_test::ChooseEntry(dialog, kIdcSaveAsFolder, "Backups");
            gui_test::ChooseEntry(dialog, kIdcSaveAsLocation, "Storage Card");
            onCard = ComboTexts(dialog, kIdcSaveAsFolder);
            selectedOnCard = ComboCurrent(dialog, kIdcSaveAsFolder);
            gui_test::ChooseEntry(dialog, kIdcSaveAsLocation, "Main memory");
            backInMain = ComboTexts(dialog, kIdcSaveAsFolder);
            gui_test::ChooseEntry(dialog, kIdcSaveAsLocation, "Storage Card");
            gui_test::ChooseEntry(dialog, kIdcSaveAsFolder, "CardDir");
            gui_test::TypeName(dialog, kIdcSaveAsName, "x");
            gui_test::PressSoftKey(dialog, 0);
        });
        QCOMPARE(onCard, (QStringList{"NONE", "CardDir"}));
        QCOMPARE(selectedOnCard, QString("NONE"));
        QCOMPARE(backInMain, (QStringList{"NONE", "Backups"}));
        QCOMPARE(run.path, QString("\\Storage Card\\CardDir\\x.usms"));
    }

    void storageCardOfferedOnlyWhenItHoldsSomething_data() {
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<bool>("holdsEntry");
        QTest::addColumn<bool>("offered");
        // Without a name the root would be the handset's own root, which is no card.
        QTest::newRow("no registry value") << false << false << false << false;
        QTest::newRow("folder missing") << true << false << false << false;
        QTest::newRow("folder empty") << true << true << false << false;
        QTest::newRow("folder with a file") << true << true << true << true;
    }

    void storageCardOfferedOnlyWhenItHoldsSomething() {
        QFETCH(bool, named);
        QFETCH(bool, folderExists);
        QFETCH(bool, holdsEntry);
        QFETCH(bool, offered);
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
        RunSaveAs(&host_->owner, kUsms, [&](SaveAsDialog* dialog) {
            locations = ComboTexts(dialog, kIdcSaveAsLocation);
            gui_test::PressSoftKey(dialog, 1);
        });
        QCOMPARE(locations.contains("Storage Card"), offered);
        QCOMPARE(locations.front(), QString("Main memory"));
    }

    void cancelLeavesNoPath_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel soft key") << false;
        QTest::newRow("Escape") << true;
    }

    void cancelLeavesNoPath() {
        QFETCH(bool, escape);
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        const SaveRun run = RunSaveAs(&host_->owner, kUsms, [&](SaveAsDialog* dialog) {
            gui_test::TypeName(dialog, kIdcSaveAsName, "kept");
            gui_test::ChooseEntry(dialog, kIdcSaveAsFolder, "Backups");
            if (escape) {
                QTest::keyClick(dialog, Qt::Key_Escape);
            } else {
                gui_test::PressSoftKey(dialog, 1);
            }
        });
        QCOMPARE(run.result, 2);
        QVERIFY(run.path.isEmpty());
        QVERIFY(
            !std::filesystem::exists(gui_test::HostPath(u"\\My Documents\\Backups\\kept.usms")));
    }

private:
    std::unique_ptr<gui_test::DialogHost> host_;
};

int RunSaveAsTests(int argc, char** argv) {
    SaveAsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "save_as_test.moc"
