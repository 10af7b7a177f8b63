// The Open dialog driven as a person would: the locations, folders and files it offers, the
// path of the file chosen, the box when none is, and the file list's height on resize.
#include "dialog_driving.h"
#include "gui_support.h"

#include "dialogs/open_file_dialog.h"
#include "framework/menu_bar.h"
#include "framework/screen.h"
#include "resources/resource_ids.h"
#include "support/temp_dir.h"

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

using namespace resources;
using gui_test::ComboCurrent;
using gui_test::ComboTexts;
using gui_test::ListTexts;

namespace {

struct OpenRun {
    int result = 0;
    QString path;
};

OpenRun RunOpen(QWidget* owner, std::function<void(OpenFileDialog*)> drive,
                std::u16string_view patterns = u"*.usms") {
    gui_test::WhenModal<OpenFileDialog>(std::move(drive));
    OpenFileDialog dialog(patterns, u"Open", -1);
    const int result = dialog.DoModal(owner);
    return OpenRun{result, QString::fromStdU16String(dialog.resultPath())};
}

// What the two lists show at one moment.
struct Lists {
    QStringList folders;
    QString folder;
    QStringList files;
    bool operator==(const Lists&) const = default;
};

Lists Shown(const OpenFileDialog* dialog) {
    return Lists{ComboTexts(dialog, kIdcOpenFolder), ComboCurrent(dialog, kIdcOpenFolder),
                 ListTexts(dialog, kIdcOpenFile)};
}

char* toString(const Lists& lists) {
    return qstrdup(
        qPrintable(QString("folders [%1] at \"%2\", files [%3]")
                       .arg(lists.folders.join(", "), lists.folder, lists.files.join(", "))));
}

} // namespace

class OpenTest : public QObject {
    Q_OBJECT

private slots:
    void init() { host_ = std::make_unique<gui_test::DialogHost>(); }
    void cleanup() { host_.reset(); }

    void fileInAFolderOfMainMemory() {
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        gui_test::MakeDeviceFile(u"\\My Documents\\Backups\\a.usms");
        QStringList locations, keys;
        QString title;
        bool covers = false;
        Lists inBackups;
        const OpenRun run = RunOpen(&host_->owner, [&](OpenFileDialog* dialog) {
            locations = ComboTexts(dialog, kIdcOpenLocation);
            title = QString::fromStdU16String(dialog->GetDlgItemText(kIdcOpenTitle));
            covers = dialog->geometry() == host_->owner.geometry();
            keys << dialog->MenuBar()->Key(0)->text() << dialog->MenuBar()->Key(1)->text();
            gui_test::ChooseEntry(dialog, kIdcOpenFolder, "Backups");
            inBackups = Shown(dialog);
            // Cancel rather than meet a box nobody answers when the file is missing.
            gui_test::PressSoftKey(
                dialog, gui_test::ClickListEntry(dialog, kIdcOpenFile, "a.usms") ? 0 : 1);
        });
        QCOMPARE(locations, (QStringList{"Main memory", "Storage Card"}));
        QCOMPARE(title, QString("Open"));
        QVERIFY(covers);
        QCOMPARE(keys, (QStringList{"Done", "Cancel"}));
        QCOMPARE(inBackups, (Lists{{"", "Backups"}, "Backups", {"a.usms"}}));
        QCOMPARE(run.result, 1);
        QCOMPARE(run.path, QString("\\My Documents\\Backups\\a.usms"));
    }

    void rootFilesUnderTheEmptyEntry() {
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        gui_test::MakeDeviceFile(u"\\My Documents\\Backups\\deep.usms");
        for (const char16_t* name : {u"c.usms", u"a.usms", u"notes.txt", u"b.usms"}) {
            gui_test::MakeDeviceFile(std::u16string(u"\\My Documents\\") + name);
        }
        Lists atStart;
        const OpenRun run = RunOpen(&host_->owner, [&](OpenFileDialog* dialog) {
            atStart = Shown(dialog);
            // Cancel rather than meet a box nobody answers when the file is missing.
            gui_test::PressSoftKey(
                dialog, gui_test::ClickListEntry(dialog, kIdcOpenFile, "b.usms") ? 0 : 1);
        });
        QCOMPARE(atStart, (Lists{{"", "Backups"}, "", {"a.usms", "b.usms", "c.usms"}}));
        QCOMPARE(run.path, QString("\\My Documents\\b.usms"));
    }

    void storageCardWithoutACard_data() {
        QTest::addColumn<bool>("named");
        QTest::newRow("card folder missing") << true;
        // Without a name the card's root would be the handset's own root: nothing is listed.
        QTest::newRow("no registry value") << false;
    }

    void storageCardWithoutACard() {
        QFETCH(bool, named);
        if (named) {
            gui_test::SetCardFolder(u"Storage Card");
        }
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        gui_test::MakeDeviceFile(u"\\My Documents\\a.usms");
        Lists onCard;
        QString boxText, boxCaption;
        bool stillOpen = false;
        const OpenRun run = RunOpen(&host_->owner, [&](OpenFileDialog* dialog) {
            gui_test::ClickListEntry(dialog, kIdcOpenFile, "a.usms");
            gui_test::ChooseEntry(dialog, kIdcOpenLocation, "Storage Card");
            onCard = Shown(dialog);
            gui_test::WhenModal<QMessageBox>([&](QMessageBox* box) {
                boxText = box->text();
                boxCaption = box->windowTitle();
                gui_test::PressOk(box);
            });
            gui_test::PressSoftKey(dialog, 0);
            QTRY_VERIFY(!boxText.isEmpty());
            stillOpen = dialog->isVisible();
            gui_test::PressSoftKey(dialog, 1);
        });
        QCOMPARE(onCard, (Lists{{""}, "", {}}));
        QCOMPARE(boxText, QString("This file cannot be used."));
        QCOMPARE(boxCaption, QString());
        QVERIFY(stillOpen);
        QCOMPARE(run.result, 2);
        QVERIFY(run.path.isEmpty());
    }

    // Focus makes the first row current without choosing it; only a chosen row counts.
    void focusAloneChoosesNoFile() {
        gui_test::MakeDeviceFile(u"\\My Documents\\a.usms");
        gui_test::MakeDeviceFile(u"\\My Documents\\b.usms");
        QString boxText;
        int currentOnFocus = -1;
        bool stillOpen = false;
        const OpenRun run = RunOpen(&host_->owner, [&](OpenFileDialog* dialog) {
            auto* list = dialog->DlgItem<QListWidget>(kIdcOpenFile);
            dialog->GetDlgItem(kIdcOpenFolder)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            currentOnFocus = list->hasFocus() ? list->currentRow() : -1;
            gui_test::WhenModal<QMessageBox>([&](QMessageBox* box) {
                boxText = box->text();
                gui_test::PressOk(box);
            });
            gui_test::PressSoftKey(dialog, 0);
            QTRY_VERIFY(!boxText.isEmpty());
            stillOpen = dialog->isVisible();
            QTest::keyClick(list, Qt::Key_Down); // now a row is chosen: the second
            gui_test::PressSoftKey(dialog, stillOpen ? 0 : 1);
        });
        QCOMPARE(currentOnFocus, 0);
        QCOMPARE(boxText, QString("This file cannot be used."));
        QVERIFY(stillOpen);
        QCOMPARE(run.result, 1);
        QCOMPARE(run.path, QString("\\My Documents\\b.usms"));
    }

    void hiddenFoldersAreNoFoldersButMayBeFiles() {
        gui_test::MakeDeviceFolder(u"\\My Documents\\.old");
        gui_test::MakeDeviceFolder(u"\\My Documents\\.x.usms");
        gui_test::MakeDeviceFolder(u"\\My Documents\\Plain.usms");
        gui_test::MakeDeviceFolder(u"\\My Documents\\Shown");
        gui_test::MakeDeviceFile(u"\\My Documents\\.y.usms");
        Lists atStart;
        RunOpen(&host_->owner, [&](OpenFileDialog* dialog) {
            atStart = Shown(dialog);
            gui_test::PressSoftKey(dialog, 1);
        });
        // A plain folder matching the pattern is offered as a folder only.
        QCOMPARE(atStart, (Lists{{"", "Plain.usms", "Shown"}, "", {".x.usms", ".y.usms"}}));
    }

    void changesRebuildTheLists() {
        gui_test::MakeDeviceFolder(u"\\My Documents\\Backups");
        gui_test::MakeDeviceFolder(u"\\My Documents\\Other");
        gui_test::MakeDeviceFile(u"\\My Documents\\r.usms");
        gui_test::MakeDeviceFile(u"\\My Documents\\Backups\\a.usms");
        gui_test::MakeDeviceFile(u"\\My Documents\\Other\\c.usms");
        gui_test::SetCardFolder(u"Storage Card");
        gui_test::MakeDeviceFolder(u"\\Storage Card\\CardDir");
        gui_test::MakeDeviceFile(u"\\Storage Card\\e.usms");
        gui_test::MakeDeviceFile(u"\\Storage Card\\CardDir\\d.usms");
        QList<Lists> seen;
        const OpenRun run = RunOpen(&host_->owner, [&](OpenFileDialog* dialog) {
            seen << Shown(dialog);
            gui_test::ChooseEntry(dialog, kIdcOpenFolder, "Backups");
            seen << Shown(dialog);
            gui_test::ChooseEntry(dialog, kIdcOpenFolder, "Other");
            seen << Shown(dialog);
            gui_test::ChooseEntry(dialog, kIdcOpenLocation, "Storage Card");
            seen << Shown(dialog);
            gui_test::ChooseEntry(dialog, kIdcOpenFolder, "CardDir");
            seen << Shown(dialog);
            // Cancel rather than meet a box nobody answers when the file is missing.
            gui_test::PressSoftKey(
                dialog, gui_test::ClickListEntry(dialog, kIdcOpenFile, "d.usms") ? 0 : 1);
        });
        QCOMPARE(seen.size(), 5);
        QCOMPARE(seen[0], (Lists{{"", "Backups", "Other"}, "", {"r.usms"}}));
        QCOMPARE(seen[1], (Lists{{"", "Backups", "Other"}, "Backups", {"a.usms"}}));
        QCOMPARE(seen[2], (Lists{{"", "Backups", "Other"}, "Other", {"c.usms"}}));
        QCOMPARE(seen[3], (Lists{{"", "CardDir"}, "", {"e.usms"}}));
        QCOMPARE(seen[4], (Lists{{"", "CardDir"}, "CardDir", {"d.usms"}}));
        QCOMPARE(run.path, QString("\\Storage Card\\CardDir\\d.usms"));
    }

    void fileMatchingTwoPatternsIsListedTwice() {
        gui_test::MakeDeviceFile(u"\\My Documents\\a.usms");
        gui_test::MakeDeviceFile(u"\\My Documents\\ab.txt");
        gui_test::MakeDeviceFile(u"\\My Documents\\z.usms");
        QStringList files;
        const OpenRun run = RunOpen(
            &host_->owner,
            [&](OpenFileDialog* dialog) {
                files = ListTexts(dialog, kIdcOpenFile);
                // Cancel rather than meet a box nobody answers when the file is missing.
                gui_test::PressSoftKey(
                    dialog, gui_test::ClickListEntry(dialog, kIdcOpenFile, "ab.txt") ? 0 : 1);
            },
            u"*.usms|a*");
        QCOMPARE(files, (QStringList{"a.usms", "a.usms", "ab.txt", "z.usms"}));
        QCOMPARE(run.path, QString("\\My Documents\\ab.txt"));
    }

    void fileListFollowsTheHeight_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("clientHeight");
        QTest::addColumn<int>("listHeight");
        QTest::newRow("480 x 640") << QSize(480, 640) << 500 << 360;
        QTest::newRow("480 x 640, too short") << QSize(480, 640) << 150 << 40;
        QTest::newRow("240 x 320") << QSize(240, 320) << 300 << 170;
        QTest::newRow("240 x 320, too short") << QSize(240, 320) << 100 << 20;
    }

    // The client area ends where the soft keys begin, as on the handset.
    void fileListFollowsTheHeight() {
        QFETCH(QSize, screen);
        QFETCH(int, clientHeight);
        QFETCH(int, listHeight);
        const framework::ScopedScreenSize size(screen);
        int height = -1;
        int top = -1;
        RunOpen(&host_->owner, [&](OpenFileDialog* dialog) {
            QWidget* list = dialog->GetDlgItem(kIdcOpenFile);
            list->move(list->x(), 120);
            dialog->resize(dialog->width(), clientHeight + framework::SoftKeyBar::Height());
            height = list->height();
            top = list->y();
            gui_test::PressSoftKey(dialog, 1);
        });
        QCOMPARE(top, 120);
        QCOMPARE(height, listHeight);
    }

private:
    std::unique_ptr<gui_test::DialogHost> host_;
};

int RunOpenTests(int argc, char** argv) {
    OpenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "open_test.moc"
