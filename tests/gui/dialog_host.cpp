#include "dialog_host.h"

#include "app/windows/progress_dialog.h"
#include "platform/device.h"

#include "framework/drop_down_list.h"
#include "framework/elided_text.h"
#include "framework/list_box.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>

namespace gui_test {

namespace {

// The box's text label shows every line of its text, and no word runs past its right edge.
bool TextWhole(const QMessageBox* box) {
    const auto* label = box->findChild<const QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (label == nullptr || !box->rect().contains(label->geometry())) {
        return false;
    }
    const QFontMetrics metrics(label->font());
    const QRect needed =
        metrics.boundingRect(label->contentsRect(), Qt::TextWordWrap, label->text());
    return needed.width() <= label->contentsRect().width() &&
           needed.height() <= label->contentsRect().height();
}

// A name shown whole, or shortened so that its start and its whole end (its last word and
// extension) stay; an end too wide for the list is cut from its left, after the first
// character alone.
bool WholeOrKeepingEnd(const QString& shown, const QString& text) {
    const qsizetype cut = shown.indexOf(QChar(0x2026));
    const QString start = shown.left(cut);
    const QString end = shown.mid(cut + 1);
    const QString wholeEnd = framework::NameEnd(text);
    return shown == text || (cut > 0 && text.startsWith(start) && text.endsWith(end) &&
                             (end == wholeEnd || (start.size() == 1 && wholeEnd.endsWith(end))));
}

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
    } else if (const auto* list = dynamic_cast<const framework::ListBox*>(control)) {
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        const QFontMetrics metrics(list->font());
        for (int i = 0; i < list->count(); ++i) {
            const QRect place = list->visualItemRect(list->item(i));
            QVERIFY2(place.left() >= 0 && place.right() < list->viewport()->width(),
                     qPrintable(name));
            const QString shown = list->ShownText(i);
            QVERIFY2(WholeOrKeepingEnd(shown, list->item(i)->text()) &&
                         metrics.horizontalAdvance(shown) <= place.width(),
                     qPrintable(shown));
        }
    }
}

} // namespace

void AnswerBox(QStringList& seen, std::function<void()> before) {
    WhenModal<QMessageBox>([&seen, before = std::move(before)](QMessageBox* box) {
        if (before) {
            before();
        }
        QApplication::processEvents(); // the box's own layout requests
        const QWidget* owner =
            box->parentWidget() != nullptr ? box->parentWidget()->window() : nullptr;
        const bool inside =
            owner != nullptr &&
            QRect(owner->mapToGlobal(QPoint()), owner->size()).contains(box->frameGeometry());
        const QStringList icons{"", "information", "warning", "error", "question"};
        seen << box->text() + "|" + box->windowTitle() + "|" + icons.value(box->icon()) +
                    (inside ? "" : "|outside") + (TextWhole(box) ? "" : "|cut");
        box->button(QMessageBox::Ok)->click();
    });
}

void TypeName(framework::Dialog* dialog, int editId, const QString& text) {
    auto* edit = dialog->DlgItem<QLineEdit>(editId);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

bool ChooseEntry(framework::Dialog* dialog, int comboId, const QString& text) {
    auto* combo = dialog->DlgItem<QComboBox>(comboId);
    const int wanted = combo->findText(text, Qt::MatchExactly);
    for (int step = 0; wanted >= 0 && combo->currentIndex() != wanted && step < combo->count();
         ++step) {
        QTest::keyClick(combo, combo->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    }
    return wanted >= 0 && combo->currentIndex() == wanted;
}

bool ClickListEntry(framework::Dialog* dialog, int listId, const QString& text) {
    auto* list = dialog->DlgItem<QListWidget>(listId);
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty()) {
        return false;
    }
    list->scrollToItem(found.front());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.front()).center());
    return list->currentItem() == found.front();
}

void PressSoftKey(framework::Dialog* dialog, int key) {
    QTest::mouseClick(dialog->MenuBar()->Key(key), Qt::LeftButton);
}

QString SoftKeys(const framework::Dialog* dialog) {
    return dialog->MenuBar()->Key(0)->text() + "|" + dialog->MenuBar()->Key(1)->text();
}

QString Entries(const framework::Dialog* dialog, int id) {
    QStringList texts;
    if (const auto* combo = dialog->DlgItem<QComboBox>(id)) {
        for (int i = 0; i < combo->count(); ++i) {
            texts << (i == combo->currentIndex() ? "[" + combo->itemText(i) + "]"
                                                 : combo->itemText(i));
        }
    } else if (const auto* list = dialog->DlgItem<QListWidget>(id)) {
        for (int i = 0; i < list->count(); ++i) {
            texts << list->item(i)->text();
        }
    }
    return texts.join('|');
}

QString QText(const std::u16string& text) {
    return QString::fromStdU16String(text);
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

std::filesystem::path HostPath(const std::u16string& devicePath) {
    std::filesystem::path host;
    device::ToHostPath(devicePath, host);
    return host;
}

void MakeFiles(std::initializer_list<const char16_t*> devicePaths) {
    for (const std::u16string path : devicePaths) {
        if (path.ends_with(u'\\')) {
            std::filesystem::create_directories(HostPath(path));
        } else {
            WriteHostFile(HostPath(path), "");
        }
    }
}

// A box may come up while a file dialog is being driven, so boxes are answered always.
CommandWatcher::CommandWatcher(std::function<void(framework::Dialog*)> choose)
    : choose_(std::move(choose)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen << box->text();
            box->button(QMessageBox::Ok)->click();
            return;
        }
        if (modal == nullptr || modal == last_ || !modal->isVisible()) {
            return;
        }
        last_ = modal;
        if (dynamic_cast<ProgressDialog*>(modal) != nullptr) {
            seen << "progress";
        } else if (auto* dialog = dynamic_cast<framework::Dialog*>(modal)) {
            seen << "dialog";
            choose_(dialog);
        }
    });
    timer_.start(5);
}

} // namespace gui_test
