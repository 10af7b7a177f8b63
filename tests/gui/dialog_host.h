// Driving the windows as a person would: acting on each modal window from inside the loop that
// runs it, typing, choosing entries and pressing soft keys, and laying out a test handset.
#pragma once

#include "app/windows/app_main.h"
#include "framework/dialog.h"
#include "framework/menu_bar.h"
#include "resources/resource_ids.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>

// Each test file is a program of its own, with the program's resources registered.
#define MSGKEEPER_GUI_TEST_MAIN(TestClass)                                                         \
    int main(int argc, char** argv) {                                                              \
        RegisterProgramResources();                                                                \
        QApplication application(argc, argv);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

namespace gui_test {

// Calls action with the modal window of type Window once it shows, from inside its modal loop.
template <typename Window> void WhenModal(std::function<void(Window*)> action, int tries = 2000) {
    QTimer::singleShot(5, qApp, [action = std::move(action), tries]() mutable {
        auto* window = dynamic_cast<Window*>(QApplication::activeModalWidget());
        if (window != nullptr && window->isVisible()) {
            action(window);
        } else if (tries > 0) {
            WhenModal<Window>(std::move(action), tries - 1);
        } else {
            qWarning("no modal window of the expected kind appeared");
        }
    });
}

// Answers the next message box with OK, after before() when given, and notes what it showed as
// "text|caption|icon", followed by "|outside" when it did not lie inside its owner's window (the
// handset's screen) and "|cut" when its text did not show whole.
void AnswerBox(QStringList& seen, std::function<void()> before = {});

// A failure's message: format with %1, %2, ... replaced by the arguments in turn.
template <typename... Args> QByteArray Say(const QString& format, const Args&... args) {
    QString text = format;
    ((text = text.arg(args)), ...);
    return text.toUtf8();
}

// Empty files, or folders for paths that end in a backslash.
void MakeFiles(std::initializer_list<const char16_t*> devicePaths);

// A fresh handset with the files given and a shown 480 x 640 window for a dialog to cover.
struct DialogHost {
    DialogHost(std::initializer_list<const char16_t*> files = {}) {
        MakeFiles(files);
        owner.setGeometry(0, 0, 480, 640);
        owner.show();
    }
    // Runs the dialog modally while drive acts on it; drive must end it.
    template <typename D> int Run(D& dialog, std::function<void(D*)> drive) {
        WhenModal<D>(std::move(drive));
        return dialog.DoModal(&owner);
    }
    TempDevice device;
    QWidget owner;
};

void TypeName(framework::Dialog* dialog, int editId, const QString& text);
// Chooses a drop-down entry with the arrow keys; false when it is not offered.
bool ChooseEntry(framework::Dialog* dialog, int comboId, const QString& text);
// Clicks a list box entry; false when it is not listed.
bool ClickListEntry(framework::Dialog* dialog, int listId, const QString& text);
// Presses the left (0) or right (1) soft key.
void PressSoftKey(framework::Dialog* dialog, int key);
// The soft keys' texts, as "Save|Cancel".
QString SoftKeys(const framework::Dialog* dialog);
// The entries of a drop-down list or list box, as "a|[b]" where a drop-down list's b is chosen.
QString Entries(const framework::Dialog* dialog, int id);
QString QText(const std::u16string& text);

// The template's controls of a window lie inside it, clear of its soft keys and of each other,
// and show their texts whole in their real fonts, or elided in the middle keeping their ends.
void CheckControls(const QWidget* window, const QWidget* softKeys);

std::filesystem::path HostPath(const std::u16string& devicePath);

// While it lives, answers commands' modal windows: each file or settings dialog through choose,
// each message box with OK. Notes them in seen as they come: "dialog", "progress" and the boxes'
// texts.
class CommandWatcher {
public:
    explicit CommandWatcher(std::function<void(framework::Dialog*)> choose);
    QStringList seen;

private:
    QTimer timer_;
    std::function<void(framework::Dialog*)> choose_;
    QPointer<QWidget> last_; // cleared when that window goes
};

} // namespace gui_test
