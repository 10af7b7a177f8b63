// Layout as the user sees it: every control inside its window and clear of the soft keys, no two
// overlapping, and every text whole in its real font, in the main view at both display scales
// and in the handset's dialogs with the texts they show.
#include "dialog_host.h"

#include "app/windows/folder_settings_dialog.h"
#include "app/windows/main_frame.h"
#include "app/windows/main_view.h"
#include "app/windows/progress_dialog.h"
#include "dialogs/open_file_dialog.h"
#include "dialogs/save_as_dialog.h"
#include "framework/drop_down_list.h"
#include "framework/menu_bar.h"
#include "framework/screen.h"
#include "resources/resource_ids.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>

#include <atomic>

using namespace resources;

namespace {

// A text shown whole, or elided in the middle so that its start and at least keptEnd of its
// last characters stay.
bool WholeOrMiddleElided(const QString& shown, const QString& text, int keptEnd) {
    const qsizetype cut = shown.indexOf(QChar(0x2026));
    return shown == text ||
           (cut > 0 && text.startsWith(shown.left(cut)) && shown.size() - cut - 1 >= keptEnd &&
            text.endsWith(shown.mid(cut + 1)));
}

void CheckText(const QWidget* control) {
    const QString name = control->objectName();
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        const QFontMetrics metrics(label->font());
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width() &&
                     metrics.height() <= label->height(),
                 qPrintable(label->text()));
    } else if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
        QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
    } else if (const auto* combo = dynamic_cast<const framework::DropDownList*>(control)) {
        QVERIFY2(WholeOrMiddleElided(combo->ShownText(), combo->currentText(), 6),
                 qPrintable(combo->ShownText()));
    } else if (const auto* list = qobject_cast<const QListWidget*>(control)) {
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        const QFontMetrics metrics(list->font());
        for (int i = 0; i < list->count(); ++i) {
            const QRect place = list->visualItemRect(list->item(i));
            QVERIFY2(place.left() >= 0 && place.right() < list->viewport()->width(),
                     qPrintable(name));
            const QString text = list->item(i)->text();
            const QString shown = metrics.elidedText(text, list->textElideMode(), place.width());
            QVERIFY2(WholeOrMiddleElided(shown, text, 5), qPrintable(shown));
        }
    }
}

// The template's controls of a window: inside it, clear of its soft keys and of each other,
// showing their texts.
void CheckControls(const QWidget* window, const QWidget* softKeys) {
    QList<const QWidget*> controls;
    for (const QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->objectName().startsWith("control") && child->isVisible()) {
            controls << child;
        }
    }
    QVERIFY(controls.size() >= 4);
    for (const QWidget* control : controls) {
        const QString name = control->objectName();
        QVERIFY2(window->rect().contains(control->geometry()), qPrintable(name + " outside"));
        QVERIFY2(softKeys == nullptr || !control->geometry().intersects(softKeys->geometry()),
                 qPrintable(name + " under the soft keys"));
        for (const QWidget* other : controls) {
            QVERIFY2(other == control || !control->geometry().intersects(other->geometry()),
                     qPrintable(name + " overlaps " + other->objectName()));
        }
        CheckText(control);
    }
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init() { device_ = std::make_unique<TempDevice>(); }
    void cleanup() { device_.reset(); }

    // At each scale, and after a wider window lays the view out anew, title centred.
    void mainView_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("240 x 320") << QSize(240, 320);
        QTest::newRow("480 x 640") << QSize(480, 640);
    }

    void mainView() {
        QFETCH(QSize, screen);
        const framework::ScopedScreenSize size(screen);
        MainFrame frame;
        QVERIFY(frame.CreateEx(u"Brennomatic Msg Keeper v3.1"));
        frame.show();
        QCOMPARE(frame.size(), screen);
        for (const int width : {screen.width(), screen.width() + 60}) {
            frame.resize(width, screen.height());
            const MainView* view = frame.View();
            QCOMPARE(view->width(), width);
            CheckControls(view, nullptr);
            const QWidget* title = view->GetDlgItem(kIdcMainTitle);
            QVERIFY(qAbs(title->geometry().center().x() - width / 2) <= 1);
        }
    }

    // Title, bar, counter and footer from the top down.
    void progressDialog() {
        const framework::ScopedScreenSize size(QSize(480, 640));
        gui_test::DialogHost host;
        std::atomic<DWORD> done{0}, total{3}, current{1};
        const std::u16string result = u"Backup Completed.";
        ProgressDialog dialog(done, total, current, result, -1);
        host.Run<ProgressDialog>(dialog, [&](ProgressDialog* d) {
            CheckControls(d, nullptr);
            int top = -1;
            for (const int id :
                 {kIdcProgressTitle, kIdcProgressBar, kIdcProgressCounter, kIdcProgressFooter}) {
                QVERIFY(d->GetDlgItem(id)->y() > top);
                top = d->GetDlgItem(id)->geometry().bottom();
            }
            done.store(1);
            gui_test::Box box;
            gui_test::AnswerBox(box);
            d->SendTimerMessage(ProgressDialog::kTimerId);
        });
    }

    void fileAndSettingsDialogsAtScaleTwo() {
        const framework::ScopedScreenSize size(QSize(480, 640));
        gui_test::DialogHost host;
        gui_test::MakeFiles(
            {u"\\My Documents\\Msgkeeper_200935140712345678.usms", u"\\My Documents\\a.usms"});
        int checked = 0;
        int files = 0;
        const auto check = [&](framework::Dialog* shown) {
            CheckControls(shown, shown->MenuBar());
            ++checked;
            files += std::max(shown->ListGetCount(kIdcOpenFile), 0);
            shown->EndDialog(2);
        };
        SaveAsDialog saveAs(u"Unicode SMS Manager File(*.usms)|*.usms", u"Msgkeeper_200935147.*",
                            u"Save as", -1);
        host.Run<framework::Dialog>(saveAs, check);
        OpenFileDialog open(u"*.usms", u"Open", -1);
        host.Run<framework::Dialog>(open, check);
        FolderSettingsDialog settings;
        host.Run<framework::Dialog>(settings, check);
        QCOMPARE(checked, 3);
        QCOMPARE(files, 2);
    }

private:
    std::unique_ptr<TempDevice> device_;
};

MSGKEEPER_GUI_TEST_MAIN(LayoutTest)
#include "layout_test.moc"
