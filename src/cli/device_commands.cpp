#include "cli/device_commands.h"

#include "app/folder_selection.h"
#include "app/jobs.h"
#include "cli/console.h"
#include "devkit/demo_data.h"
#include "devkit/device_setup.h"
#include "export/local_time.h"
#include "model/address_items.h"
#include "platform/device.h"
#include "platform/utf.h"
#include "store/message_list.h"
#include "store/store_folder.h"
#include "store/store_message.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

std::u16string OneLine(std::u16string text, std::size_t width) {
    std::replace_if(
        text.begin(), text.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
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

void ListFolder(StoreFolder& folder) {
    console::Out(folder.folderPath() + u"\n");
    if (MessageList* list = folder.messages(10); list != nullptr && list->reset()) {
        while (list->next()) {
            StoreMessage& message = *list->current();
            const std::u16string sender =
                message.senderNumber().empty()
                    ? message.senderName()
                    : FormatSenderItem(message.senderName(), message.senderNumber());
            console::Out(u"  " + FormatLocalTime(message.deliveryTime()) + u"  " + sender + u"  " +
                         OneLine(message.body(), 60) + u"\n");
        }
    }
    if (auto* children = folder.subfolders(); children != nullptr) {
        for (const auto& child : *children) {
            ListFolder(*child);
        }
    }
}

bool SameToken(const std::string& a, std::u16string_view b) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    return lower(a) == lower(utf::Utf8(b));
}

// "Draft, Inbox, ..." for the hint on a wrong list.
std::string TokenList() {
    std::string list;
    for (const SpecialFolderInfo& info : kSpecialFolders) {
        list += (list.empty() ? "" : ", ") + utf::Utf8(info.token);
    }
    return list;
}

bool ParseFolders(const std::string& list, FolderSelection& selection) {
    selection = FolderSelection{};
    if (SameToken(list, u"none")) {
        return true;
    }
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string token = list.substr(start, comma - start);
        const auto it =
            std::find_if(kSpecialFolders.begin(), kSpecialFolders.end(),
                         [&](const SpecialFolderInfo& f) { return SameToken(token, f.token); });
        if (it == kSpecialFolders.end()) {
            return false;
        }
        selection.flag(it->folder) = 1;
        start = comma + 1;
    }
    return true;
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
    MessageStore store(kSmsStoreName);
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

int Settings(const std::string* folders) {
    if (!RequireDevice()) {
        return 1;
    }
    FolderSelection selection;
    if (folders != nullptr) {
        if (!ParseFolders(*folders, selection)) {
            console::Err("msgkeeper-cli: --folders takes " + TokenList() +
                         " separated by commas, or none\n");
            return 2;
        }
        if (!SaveFolderSelection(selection)) {
            console::Err("msgkeeper-cli: cannot write settings.dat\n");
            return 1;
        }
    } else {
        LoadFolderSelection(selection);
    }
    for (const SpecialFolderInfo& info : kSpecialFolders) {
        console::Out(utf::Utf8(info.token) + ": " +
                     (selection.flag(info.folder) != 0 ? "selected" : "not selected") + "\n");
    }
    return 0;
}
