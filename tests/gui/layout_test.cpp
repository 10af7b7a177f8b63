// Layout: the main view's eight steps at both display scales, the progress dialog's table, and
// the texts of the template dialogs measured in their real fonts.
#include "dialog_driving.h"
#include "gui_support.h"

#include "app/windows/folder_settings_dialog.h"
#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "app/windows/progress_dialog.h"
#include "dialogs/open_file_dialog.h"
#include "dialogs/save_as_dialog.h"
#include "framework/drop_down_list.h"
#include "framework/label.h"
#include "framework/screen.h"
#include "resources/resource_ids.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <memory>

using namespace resources;

namespace {

int Right(const QWidget* w) {
    return w->x() + w->width();
}
int Bottom(const QWidget* w) {
    return w->y() + w->height();
}

// A text control fitted to its text in its font.
bool FittedToText(const QLabel* label) {
    const QFontMetrics metrics(label->font());
    return label->size() == QSize(metrics.horizontalAdvance(label->text()), metrics.height());
}

void CheckFont(const QWidget* widget, int pixels, bool bold, bool italic) {
    QCOMPARE(widget->font().pixelSize(), pixels);
    QCOMPARE(widget->font().bold(), bold);
    QCOMPARE(widget->font().italic(), italic);
}

// The first of a pair centred on the height of a button.
void CheckPairCentredOn(const QWidget* first, const QWidget* second, const QWidget* button) {
    const int pairHeight = Bottom(second) - first->y();
    QCOMPARE(first->y(), button->y() + (button->height() - pairHeight) / 2);
    QCOMPARE(second->y(), Bottom(first) + 5 * framework::DisplayScale());
}

void CheckMainView(const MainView& view) {
    const int s = framework::DisplayScale();
    const int width = view.width();
    const auto* title = view.DlgItem<QLabel>(kIdcMainTitle);
    const QWidget* backup = view.GetDlgItem(kIdcBackupButton);
    const auto* backupCaption = view.DlgItem<QLabel>(kIdcBackupCaption);
    const auto* backupDetail = view.DlgItem<QLabel>(kIdcBackupDetail);
    const QWidget* restore = view.GetDlgItem(kIdcRestoreButton);
    const auto* restoreCaption = view.DlgItem<QLabel>(kIdcRestoreCaption);
    const auto* restoreDetail = view.DlgItem<QLabel>(kIdcRestoreDetail);
    const auto* footer = view.DlgItem<QLabel>(kIdcMainFooter);

    CheckFont(title, 15 * s, true, true);
    CheckFont(backupCaption, 14 * s, true, false);
    CheckFont(backupDetail, 13 * s, false, false);
    CheckFont(restoreCaption, 14 * s, true, false);
    CheckFont(restoreDetail, 13 * s, false, false);
    CheckFont(footer, 12 * s, false, false);
    for (const QLabel* label :
         {title, backupCaption, backupDetail, restoreCaption, restoreDetail, footer}) {
        QVERIFY2(FittedToText(label), qPrintable(label->text()));
    }
    QCOMPARE(backup->size(), QSize(72 * s, 72 * s));
    QCOMPARE(restore->size(), QSize(72 * s, 72 * s));

    QCOMPARE(title->x(), (width - title->width()) / 2);
    QCOMPARE(title->y(), 15 * s);
    QCOMPARE(backup->y(), Bottom(title) + 20 * s);
    QCOMPARE(backupCaption->x(), Right(backup) + 5 * s);
    QCOMPARE(backupDetail->x(), backupCaption->x());
    CheckPairCentredOn(backupCaption, backupDetail, backup);
    QCOMPARE(restore->x(), Right(backup) + 70 * s);
    QCOMPARE(restore->y(), Bottom(backup) + 25 * s);
    QCOMPARE(Right(restoreCaption), restore->x() - 5 * s);
    QCOMPARE(Right(restoreDetail), restore->x() - 5 * s);
    CheckPairCentredOn(restoreCaption, restoreDetail, restore);

    QRect block;
    for (const QWidget* w : {backup, static_cast<const QWidget*>(backupCaption),
                             static_cast<const QWidget*>(backupDetail), restore,
                             static_cast<const QWidget*>(restoreCaption),
                             static_cast<const QWidget*>(restoreDetail)}) {
        block = block.united(w->geometry());
    }
    QCOMPARE(block.x(), (width - block.width()) / 2);
    QCOMPARE(footer->x(), (width - footer->width()) / 2);
    QCOMPARE(footer->y(), Bottom(restore) + 15 * s);
}

// A text shown whole, or elided in the middle so that its start and its end stay.
bool WholeOrMiddleElided(const QString& shown, const QString& text, int keptEnd) {
    const qsizetype cut = shown.indexOf(QChar(0x2026));
    return shown == text ||
           (cut > 0 && text.startsWith(shown.left(cut)) && shown.size() - cut - 1 >= keptEnd &&
            text.endsWith(shown.mid(cut + 1)));
}

// Every label shows its whole text in its own font, clear of the other controls; check boxes
// have room for box and text; drop-down and list entries are whole or keep their ends.
void CheckTextsFit(const QWidget* dialog) {
    QList<const QWidget*> controls;
    for (const QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->objectName().startsWith("control")) {
            controls << child;
        }
    }
    QVERIFY(!controls.isEmpty());
    for (const QWidget* control : controls) {
        const QString name = control->objectName();
        if (const auto* label = qobject_cast<const QLabel*>(control)) {
            const QFontMetrics metrics(label->font());
            const QRect text(label->pos(),
                             QSize(metrics.horizontalAdvance(label->text()), metrics.height()));
            QVERIFY2(text.width() <= label->width() && text.height() <= label->height(),
                     qPrintable(label->text()));
            for (const QWidget* other : controls) {
                QVERIFY2(other == control || !text.intersects(other->geometry()),
                         qPrintable(label->text() + " runs under " + other->objectName()));
            }
        } else if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
        } else if (const auto* combo = dynamic_cast<const framework::DropDownList*>(control)) {
            QVERIFY2(WholeOrMiddleElided(combo->ShownText(), combo->currentText(), 6),
                     qPrintable(combo->ShownText()));
        } else if (const auto* list = qobject_cast<const QListWidget*>(control)) {
            QVERIFY(!list->horizontalScrollBar()->isVisible());
            QCOMPARE(list->textElideMode(), Qt::ElideMiddle);
            const QFontMetrics metrics(list->font());
            for (int i = 0; i < list->count(); ++i) {
                const QRect place = list->visualItemRect(list->item(i));
                QVERIFY2(place.left() >= 0 && place.right() < list->viewport()->width(),
                         qPrintable(name));
                const QString text = list->item(i)->text();
                const QString shown = metrics.elidedText(text, Qt::ElideMiddle, place.width());
                QVERIFY2(WholeOrMiddleElided(shown, text, 5), qPrintable(shown));
            }
        }
    }
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init() { device_ = std::make_unique<TempDevice>(); }
    void cleanup() { device_.reset(); }

    void mainViewFollowsTheEightSteps_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("narrowerWidth");
        QTest::newRow("240 x 320") << QSize(240, 320) << 1 << 200;
        QTest::newRow("480 x 640") << QSize(480, 640) << 2 << 400;
    }

    void mainViewFollowsTheEightSteps() {
        QFETCH(QSize, screen);
        QFETCH(int, scale);
        QFETCH(int, narrowerWidth);
        const framework::ScopedScreenSize size(screen);
        QCOMPARE(framework::DisplayScale(), scale);
        MainFrame frame;
        QVERIFY(frame.CreateEx(u"Brennomatic Msg Keeper v3.1"));
        frame.show();
        QCOMPARE(frame.size(), screen);
        CheckMainView(*frame.View());
        if (QTest::currentTestFailed()) {
            return;
        }
        // Every size change lays the view out anew.
        frame.resize(narrowerWidth, screen.height());
        QCOMPARE(frame.View()->width(), narrowerWidth);
        CheckMainView(*frame.View());
    }

    void progressDialogTableAtScaleTwo() {
        const framework::ScopedScreenSize size(QSize(480, 640));
        QWidget owner;
        owner.setGeometry(0, 0, 480, 640);
        owner.show();
        std::atomic<DWORD> done{0};
        std::atomic<DWORD> total{3};
        std::atomic<DWORD> current{1};
        const std::u16string result = u"Backup Completed.";
        bool checked = false;
        gui_test::WhenModal<ProgressDialog>([&](ProgressDialog* dialog) {
            [&] {
                QCOMPARE(dialog->geometry(), owner.geometry());
                const auto* title = dialog->DlgItem<QLabel>(kIdcProgressTitle);
                const QWidget* bar = dialog->GetDlgItem(kIdcProgressBar);
                const auto* counter = dialog->DlgItem<QLabel>(kIdcProgressCounter);
                const auto* footer = dialog->DlgItem<QLabel>(kIdcProgressFooter);
                CheckFont(title, 28, false, true);
                CheckFont(counter, 28, false, false);
                CheckFont(footer, 24, false, false);
                QVERIFY(FittedToText(title));
                QVERIFY(FittedToText(footer));
                QCOMPARE(title->pos(), QPoint((480 - title->width()) / 2, 30));
                QCOMPARE(bar->geometry(), QRect(48, Bottom(title) + 20, 384, 40));
                QCOMPARE(counter->geometry(),
                         QRect(0, Bottom(bar) + 20, 480, QFontMetrics(counter->font()).height()));
                QCOMPARE(footer->pos(), QPoint((480 - footer->width()) / 2, Bottom(counter) + 20));
                checked = true;
            }();
            done.store(1);
            gui_test::WhenModal<QMessageBox>([](QMessageBox* box) { gui_test::PressOk(box); });
            dialog->SendTimerMessage(ProgressDialog::kTimerId);
        });
        ProgressDialog dialog(done, total, current, result, -1);
        QCOMPARE(dialog.DoModal(&owner), 1);
        QVERIFY(checked);
    }

    // Measured on the dialogs as built: the handset's dialogs with the texts they show.
    void templateTextsFitAtScaleTwo() {
        const framework::ScopedScreenSize size(QSize(480, 640));
        gui_test::DialogHost host;
        for (const char16_t* name : {u"Msgkeeper_200935140712345678.usms", u"a.usms"}) {
            gui_test::MakeDeviceFile(std::u16string(u"\\My Documents\\") + name);
        }
        int checked = 0;
        int files = 0;
        const auto run = [&](auto& dialog) {
            using Dialog = std::remove_reference_t<decltype(dialog)>;
            gui_test::WhenModal<Dialog>([&](Dialog* shown) {
                CheckTextsFit(shown);
                ++checked;
                files += std::max(shown->ListGetCount(kIdcOpenFile), 0);
                shown->EndDialog(2);
            });
            dialog.DoModal(&host.owner);
        };
        SaveAsDialog saveAs(u"Unicode SMS Manager File(*.usms)|*.usms", u"Msgkeeper_200935147.*",
                            u"Save as", -1);
        run(saveAs);
        OpenFileDialog open(u"*.usms", u"Open", -1);
        run(open);
        FolderSettingsDialog settings;
        run(settings);
        QCOMPARE(checked, 3);
        QCOMPARE(files, 2);
    }

private:
    std::unique_ptr<TempDevice> device_;
};

int RunLayoutTests(int argc, char** argv) {
    LayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "layout_test.moc"
