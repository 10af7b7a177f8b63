// The five special folders of the SMS store, in their one fixed order: the backup walk, the
// settings file's bytes and the store's destruction all follow it.
#pragma once

#include "model/folder_tokens.h"
#include "platform/mapi/mapi.h"

#include <array>

enum class SpecialFolder { Draft, Inbox, Outbox, Sent, Deleted };

struct SpecialFolderInfo {
    SpecialFolder folder;
    const char16_t* token; // its name in folder paths and backup files, where case counts
    ULONG storeProperty;   // the store property holding its entry identifier
};

inline constexpr std::array<SpecialFolderInfo, 5> kSpecialFolders = {{
    {SpecialFolder::Draft, kFolderTokens[0].data(), PR_CE_IPM_DRAFTS_ENTRYID},
    {SpecialFolder::Inbox, kFolderTokens[1].data(), PR_CE_IPM_INBOX_ENTRYID},
    {SpecialFolder::Outbox, kFolderTokens[2].data(), PR_IPM_OUTBOX_ENTRYID},
    {SpecialFolder::Sent, kFolderTokens[3].data(), PR_IPM_SENTMAIL_ENTRYID},
    {SpecialFolder::Deleted, kFolderTokens[4].data(), PR_IPM_WASTEBASKET_ENTRYID},
}};
