// The Open dialog driven as a person would: the locations, folders and files it offers, the
// path of the file chosen, the box when none is, and the file list's height on resize.
#include "dialog_host.h"

#include "dialogs/open_file_dialog.h"
#include "framework/menu_bar.h"
#include "framework/screen.h"
#include "resources/resource_ids.h"

#include <QListWidget>
#include <QPushButton>

using namespace resources;

namespace {

// What the two lists show at one moment: "folders at chosen folder: files".
QString Lists(const OpenFileDialog* dialog) {
    return gui_test::Entries(dialog, kIdcOpenFolder).join('|') + " at " +
           gui_test::Chosen(dialog, kIdcOpenFolder) + ": " +
           gui_test::Entries(dialog, kIdcOpenFile).join('|');
}

void MakeFiles(std::initializer_list<const char16_t*> paths) {
    for (const char16_t* path : paths) {
        if (std::u16string(path).ends_with(u"\\")) {
            gui_test::MakeDeviceFolder(path);
        } else {
            gui_test::MakeDeviceFile(path);
        }
    }
}

// Confirms the file when it is listed; otherwise cancels rather than meet a box.
void OpenOrCancel(OpenFileDialog* dialog, const QString& file) {
    gui_test::PressSoftKey(dialog, gui_test::ClickListEntry(dialog, kIdcOpenFile, file) ? 0 : 1);
}

} // namespace

class OpenTest : public QObject {
    Q_OBJECT

private slots:
    void init() { host_ = std::make_unique<gui_test::DialogHost>(); }
    void cleanup() { host_.reset(); }

    // Root files sorted under the empty folder entry; a folder's files once it is chosen; a
    // location change rebuilds both lists and chooses the empty entry again.
    void listsFollowLocationAndFolder() {
        MakeFiles({u"\\My Documents\\Backups\\", u"\\My Documents\\Other\\",
                   u"\\My Documents\\c.usms", u"\\My Documents\\a.usms",
                   u"\\My Documents\\notes.txt", u"\\My Documents\\b.usms",
                   u"\\My Documents\\Backups\\a.usms", u"\\My Documents\\Other\\c.usms",
                   u"\\Storage Card\\CardDir\\", u"\\Storage Card\\e.usms",
                   u"\\Storage Card\\CardDir\\d.usms"});
        gui_test::SetCardFolder(u"Storage Card");
        QStringList start, seen;
        bool italic = false;
        bool covers = false;
        OpenFileDialog dialog(u"*.usms", u"Open", -1);
        const int result = Run(dialog, [&](OpenFileDialog* d) {
            start << gui_test::Entries(d, kIdcOpenLocation).join('|')
                  << QString::fromStdU16String(d->GetDlgItemText(kIdcOpenTitle))
                  << d->MenuBar()->Key(0)->text() + "|" + d->MenuBar()->Key(1)->text();
            italic = d->GetDlgItem(kIdcOpenTitle)->font().italic();
            covers = d->geometry() == host_->owner.geometry();
            seen << Lists(d);
            gui_test::ChooseEntry(d, kIdcOpenFolder, "Backups");
            seen << Lists(d);
            gui_test::ChooseEntry(d, kIdcOpenFolder, "Other");
            seen << Lists(d);
            gui_test::ChooseEntry(d, kIdcOpenLocation, "Storage Card");
            seen << Lists(d);
            gui_test::ChooseEntry(d, kIdcOpenFolder, "CardDir");
            seen << Lists(d);
            OpenOrCancel(d, "d.usms");
        });
        QCOMPARE(start, (QStringList{"Main memory|Storage Card", "Open", "Done|Cancel"}));
        QVERIFY(italic);
        QVERIFY(covers);
        QCOMPARE(seen, (QStringList{"|Backups|Other at : a.usms|b.usms|c.usms",
                                    "|Backups|Other at Backups: a.usms",
                                    "|Backups|Other at Other: c.usms", "|CardDir at : e.usms",
                                    "|CardDir at CardDir: d.usms"}));
        QCOMPARE(result, 1);
        QCOMPARE(QString::fromStdU16String(dialog.resultPath()), "\\Storage Card\\CardDir\\d.usms");
    }

    // A card that is not there lists nothing, and Done then shows the box and stays.
    void storageCardWithoutACard_data() {
        QTest::addColumn<bool>("named");
        QTest::newRow("card folder missing") << true;
        QTest::newRow("no registry value") << false; // the root would be the handset's own
    }

    void storageCardWithoutACard() {
        QFETCH(bool, named);
        if (named) {
            gui_test::SetCardFolder(u"Storage Card");
        }
        MakeFiles({u"\\My Documents\\Backups\\", u"\\My Documents\\a.usms"});
        QString onCard;
        gui_test::Box box;
        bool stillOpen = false;
        OpenFileDialog dialog(u"*.usms", u"Open", -1);
        const int result = Run(dialog, [&](OpenFileDialog* d) {
            gui_test::ClickListEntry(d, kIdcOpenFile, "a.usms");
            gui_test::ChooseEntry(d, kIdcOpenLocation, "Storage Card");
            onCard = Lists(d);
            gui_test::AnswerBox(box);
            gui_test::PressSoftKey(d, 0);
            stillOpen = d->isVisible();
            gui_test::PressSoftKey(d, 1);
        });
        QCOMPARE(onCard, QString(" at : "));
        QCOMPARE(box.count, 1);
        QCOMPARE(box.text, QString("This file cannot be used."));
        QCOMPARE(box.caption, QString());
        QVERIFY(stillOpen);
        QCOMPARE(result, 2);
        QVERIFY(dialog.resultPath().empty());
    }

    // Focus makes the first row current without choosing it; only a chosen row counts.
    void focusAloneChoosesNoFile() {
        MakeFiles({u"\\My Documents\\a.usms", u"\\My Documents\\b.usms"});
        gui_test::Box box;
        int currentOnFocus = -1;
        bool stillOpen = false;
        OpenFileDialog dialog(u"*.usms", u"Open", -1);
        const int result = Run(dialog, [&](OpenFileDialog* d) {
            auto* list = d->DlgItem<QListWidget>(kIdcOpenFile);
            QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
            QApplication::sendEvent(list, &focus);
            currentOnFocus = list->currentRow();
            gui_test::AnswerBox(box);
            gui_test::PressSoftKey(d, 0);
            stillOpen = d->isVisible();
            QTest::keyClick(list, Qt::Key_Down); // now a row is chosen: the second
            gui_test::PressSoftKey(d, stillOpen ? 0 : 1);
        });
        QCOMPARE(currentOnFocus, 0);
        QCOMPARE(box.text, QString("This file cannot be used."));
        QVERIFY(stillOpen);
        QCOMPARE(result, 1);
        QCOMPARE(QString::fromStdU16String(dialog.resultPath()), "\\My Documents\\b.usms");
    }

    // A hidden folder is no folder but may be a file; a plain folder matching the pattern is a
    // folder only; a file matching two patterns is listed twice.
    void entriesByAttributeAndPattern() {
        MakeFiles({u"\\My Documents\\.old\\", u"\\My Documents\\.x.usms\\",
                   u"\\My Documents\\Plain.usms\\", u"\\My Documents\\Shown\\",
                   u"\\My Documents\\.y.usms", u"\\My Documents\\a.usms",
                   u"\\My Documents\\ab.txt"});
        QString atStart;
        OpenFileDialog dialog(u"*.usms|a*", u"Open", -1);
        Run(dialog, [&](OpenFileDialog* d) {
            atStart = Lists(d);
            OpenOrCancel(d, "ab.txt");
        });
        QCOMPARE(atStart, QString("|Plain.usms|Shown at : .x.usms|.y.usms|a.usms|a.usms|ab.txt"));
        QCOMPARE(QString::fromStdU16String(dialog.resultPath()), "\\My Documents\\ab.txt");
    }

    // The file list reaches down to a margin above the soft keys, but keeps a least height.
    void fileListFollowsTheHeight_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("clientHeight");
        QTest::addColumn<int>("listHeight");
        QTest::newRow("480 x 640") << QSize(480, 640) << 500 << 360;
        QTest::newRow("480 x 640, too short") << QSize(480, 640) << 150 << 40;
        QTest::newRow("240 x 320") << QSize(240, 320) << 300 << 170;
        QTest::newRow("240 x 320, too short") << QSize(240, 320) << 100 << 20;
    }

    void fileListFollowsTheHeight() {
        QFETCH(QSize, screen);
        QFETCH(int, clientHeight);
        QFETCH(int, listHeight);
        const framework::ScopedScreenSize size(screen);
        QRect place;
        OpenFileDialog dialog(u"*.usms", u"Open", -1);
        Run(dialog, [&](OpenFileDialog* d) {
            QWidget* list = d->GetDlgItem(kIdcOpenFile);
            list->move(list->x(), 120);
            d->resize(d->width(), clientHeight + framework::SoftKeyBar::Height());
            place = list->geometry();
            gui_test::PressSoftKey(d, 1);
        });
        QCOMPARE(place.top(), 120);
        QCOMPARE(place.height(), listHeight);
    }

private:
    int Run(OpenFileDialog& dialog, std::function<void(OpenFileDialog*)> drive) {
        return host_->Run<OpenFileDialog>(dialog, std::move(drive));
    }

    std::unique_ptr<gui_test::DialogHost> host_;
};

MSGKEEPER_GUI_TEST_MAIN(OpenTest)
#include "open_test.moc"
