// Driving the file dialogs as a person would: typing the name, choosing drop-down and list
// entries, pressing the soft keys, and reading what the lists show. Also the handset's storage
// card and folders, as the tests lay them out.
#pragma once

#include "framework/dialog.h"
#include "support/temp_dir.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>

namespace gui_test {

// A fresh handset and a shown 480 x 640 window for a file dialog to cover.
struct DialogHost {
    DialogHost() {
        owner.setGeometry(0, 0, 480, 640);
        owner.show();
    }
    TempDevice device;
    QWidget owner;
};

// Replaces the Name box's text by typing.
void TypeName(framework::Dialog* dialog, int editId, const QString& text);
// Chooses a drop-down entry by its text with the arrow keys; false when it is not offered.
bool ChooseEntry(framework::Dialog* dialog, int comboId, const QString& text);
// Clicks a list box entry; false when it is not listed.
bool ClickListEntry(framework::Dialog* dialog, int listId, const QString& text);
// Presses the left (0) or right (1) soft key.
void PressSoftKey(framework::Dialog* dialog, int key);

QStringList ComboTexts(const framework::Dialog* dialog, int comboId);
QString ComboCurrent(const framework::Dialog* dialog, int comboId);
QStringList ListTexts(const framework::Dialog* dialog, int listId);

// Writes the registry value naming the storage card's folder.
void SetCardFolder(const std::u16string& folder);
// Creates a host folder below the device folder for a device path, with its parents.
std::filesystem::path MakeDeviceFolder(const std::u16string& devicePath);
// Creates an empty file for a device path.
void MakeDeviceFile(const std::u16string& devicePath);

// Answers the modal windows of commands while it lives: each Save-as or Open dialog through
// choose, each message box with OK (its text noted); progress dialogs are counted.
class CommandWatcher {
public:
    explicit CommandWatcher(std::function<void(framework::Dialog*)> choose);
    CommandWatcher(const CommandWatcher&) = delete;
    CommandWatcher& operator=(const CommandWatcher&) = delete;

    int FileDialogs() const { return fileDialogs_; }
    int ProgressDialogs() const { return progressDialogs_; }
    const QStringList& Boxes() const { return boxes_; }

private:
    void Poll();

    QTimer timer_;
    std::function<void(framework::Dialog*)> choose_;
    QPointer<QWidget> lastFileDialog_;
    QPointer<QWidget> lastProgress_;
    bool choosing_ = false;
    int fileDialogs_ = 0;
    int progressDialogs_ = 0;
    QStringList boxes_;
};

} // namespace gui_test
