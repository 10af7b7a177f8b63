#include "cli/device_commands.h"

#include "app/folder_selection.h"
#include "app/lock_refusal.h"
#include "cli/console.h"
#include "cli/folder_list.h"
#include "cli/visible_text.h"
#include "devkit/demo_data.h"
#include "devkit/device_setup.h"
#include "export/local_time.h"
#include "files/file_access.h"
#include "model/address_items.h"
#include "platform/device.h"
#include "platform/handset_lock.h"
#include "platform/utf.h"
#include "store/backup_walk.h"
#include "store/message_list.h"
#include "store/message_store.h"
#include "store/store_folder.h"
#include "store/store_message.h"

#include <algorithm>
#include <filesystem>

namespace {

// The text on one line with its control characters shown, cut to width units.
std::u16string OneLine(const std::u16string& shown, std::size_t width) {
    std::u16string text = VisibleText(shown);
    if (text.size() > width) {
        // Do not split a surrogate pair at the cut.
        std::size_t cut = width;
        if (utf::IsHighSurrogate(text[cut - 1])) {
            --cut;
        }
        text = text.substr(0, cut);
    }
    return text;
}

void ListMessages(StoreFolder& folder) {
    console::Out(VisibleText(folder.folderPath()) + u"\n");
    if (MessageList* list = folder.messages(10); list != nullptr && list->reset()) {
        while (list->next()) {
            StoreMessage& message = *list->current();
            const std::u16string sender =
                message.senderNumber().empty()
                    ? message.senderName()
                    : FormatSenderItem(message.senderName(), message.senderNumber());
            console::Out(u"  " + FormatLocalTime(message.deliveryTime()) + u"  " +
                         VisibleText(sender) + u"  " + OneLine(message.body(), 60) + u"\n");
        }
    }
}

// Any depth the store holds, without recursion; a subfolder list that cannot be read is
// passed over.
void ListFolder(StoreFolder& folder) {
    walkFolders(
        folder,
        [](StoreFolder& each) {
            ListMessages(each);
            return true;
        },
        [](StoreFolder&) { return true; });
}

} // namespace

bool RequireDevice() {
    if (devkit::DeviceExists()) {
        return true;
    }
    console::Err("msgkeeper-cli: no handset at " + device::Folder().string() +
                 "; run 'msgkeeper-cli device init' first\n");
    return false;
}

int DeviceInit(bool demo) {
    // Setting up and filling a handset is a job on it: a backup beside it would save a part.
    const HandsetLock lock(device::Folder());
    if (!lock.held()) {
        console::Err(LockRefusalText(lock) + u"\n");
        return 1;
    }
    if (!devkit::SetUpDevice()) {
        console::Err("msgkeeper-cli: cannot set up the handset at " + device::Folder().string() +
                     "\n");
        return 1;
    }
    if (demo) {
        std::string reason;
        if (!AddDemoMessages(reason)) {
            console::Err("msgkeeper-cli: " + reason + "\n");
            return 1;
        }
    }
    console::Out("handset ready at " + device::Folder().string() + "\n");
    return 0;
}

int DeviceList() {
    if (!RequireDevice()) {
        return 1;
    }
    MessageStore store(kSmsStoreName, StoreAccess::ReadOnly);
    if (!store.isOpen()) {
        console::Err(u"SMS Account Initialization Failed.\n");
        return 1;
    }
    for (const SpecialFolderInfo& info : kSpecialFolders) {
        if (StoreFolder* folder = store.specialFolder(info.folder); folder != nullptr) {
            ListFolder(*folder);
        }
    }
    return 0;
}

int Settings(const FolderSelection* folders) {
    if (!RequireDevice()) {
        return 1;
    }
    FolderSelection selection;
    if (folders != nullptr) {
        selection = *folders;
        if (!SaveFolderSelection(selection)) {
            const std::u16string reason = ErrorText();
            console::Err(u"msgkeeper-cli: cannot write settings.dat on the handset at " +
                         utf::FromHostBytes(device::Folder().string()) +
                         (reason.empty() ? u"" : u": " + reason) + u"\n");
            return 1;
        }
    } else {
        LoadFolderSelection(selection);
    }
    console::Out(DescribeSelection(selection));
    return 0;
}
