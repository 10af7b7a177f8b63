#include "cli/device_commands.h"

#include "app/folder_selection.h"
#include "app/jobs.h"
#include "cli/console.h"
#include "export/local_time.h"
#include "model/address_items.h"
#include "platform/device.h"
#include "platform/mapi/demo_data.h"
#include "platform/mapi/mapi_admin.h"
#include "platform/registry.h"
#include "platform/utf.h"
#include "store/backup_walk.h"
#include "store/message_list.h"
#include "store/store_folder.h"
#include "store/store_message.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

namespace {

constexpr char16_t kCardKey[] = u"System\\StorageManager\\Profiles\\PCMCIA";
constexpr char16_t kCardFolder[] = u"Storage Card";

// The storage card's folder name, set once; the card is present when that folder exists.
bool EnsureRegistry() {
    HKEY key = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCardKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != 0) {
        return false;
    }
    DWORD size = 0;
    bool ok = true;
    if (RegQueryValueExW(key, u"Folder", nullptr, nullptr, nullptr, &size) != 0) {
        const std::u16string value(kCardFolder);
        ok = RegSetValueExW(key, u"Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))) == 0;
    }
    RegCloseKey(key);
    return ok;
}

std::u16string OneLine(std::u16string text, std::size_t width) {
    std::replace_if(
        text.begin(), text.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
    if (text.size() > width) {
        // Do not split a surrogate pair at the cut.
        std::size_t cut = width;
        if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) {
            --cut;
        }
        text = text.substr(0, cut);
    }
    return text;
}

void ListMessages(StoreFolder& folder) {
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
}

// Any depth the store holds, without recursion; a subfolder list that cannot be read is
// passed over.
void ListFolder(StoreFolder& folder) {
    WalkFolders(
        folder,
        [](StoreFolder& each) {
            ListMessages(each);
            return true;
        },
        [](StoreFolder&) { return true; });
}

struct Token {
    const char* name;
    BYTE FolderSelection::*field;
};
constexpr std::array<Token, 5> kTokens = {{{"Draft", &FolderSelection::draft},
                                           {"Inbox", &FolderSelection::inbox},
                                           {"Outbox", &FolderSelection::outbox},
                                           {"Sentedbox", &FolderSelection::sent},
                                           {"Wastebox", &FolderSelection::deleted}}};

bool SameToken(std::string a, std::string b) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    return lower(std::move(a)) == lower(std::move(b));
}

bool ParseFolders(const std::string& list, FolderSelection& selection) {
    selection = FolderSelection{};
    if (SameToken(list, "none")) {
        return true;
    }
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string token = list.substr(start, comma - start);
        const auto it = std::find_if(kTokens.begin(), kTokens.end(),
                                     [&](const Token& t) { return SameToken(token, t.name); });
        if (it == kTokens.end()) {
            return false;
        }
        selection.*(it->field) = 1;
        start = comma + 1;
    }
    return true;
}

} // namespace

bool RequireDevice() {
    if (std::filesystem::exists(mapi_admin::DatabasePath())) {
        return true;
    }
    console::Err("msgkeeper-cli: no handset at " + device::Folder().string() +
                 "; run 'msgkeeper-cli device init' first\n");
    return false;
}

int DeviceInit(bool demo) {
    if (!device::EnsureLayout() || !mapi_admin::EnsureDeviceStore() || !EnsureRegistry()) {
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
    for (StoreFolder* folder : {store.draftFolder(), store.inboxFolder(), store.outboxFolder(),
                                store.sentFolder(), store.deletedFolder()}) {
        if (folder != nullptr) {
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
            console::Err("msgkeeper-cli: --folders takes Draft, Inbox, Outbox, Sentedbox, "
                         "Wastebox separated by commas, or none\n");
            return 2;
        }
        if (!SaveFolderSelection(selection)) {
            console::Err("msgkeeper-cli: cannot write settings.dat\n");
            return 1;
        }
    } else {
        LoadFolderSelection(selection);
    }
    for (const Token& token : kTokens) {
        console::Out(std::string(token.name) + ": " +
                     (selection.*(token.field) != 0 ? "selected" : "not selected") + "\n");
    }
    return 0;
}
