// The five special folders of the SMS store, in their one fixed order: the backup walk, the
// settings file's bytes and the store's destruction all follow it.
#pragma once

#include "platform/mapi/mapi.h"

#include <array>

enum class SpecialFolder { Draft, Inbox, Outbox, Sent, Deleted };

struct SpecialFolderInfo {
    SpecialFolder folder;
    const char16_t* token; // its name in folder paths and backup files, where case counts
    ULONG storeProperty;   // the store property holding its entry identifier
};

inline constexpr std::array<SpecialFolderInfo, 5> kSpecialFolders = {{
    {SpecialFolder::Draft, u"Draft", PR_CE_IPM_DRAFTS_ENTRYID},
    {SpecialFolder::Inbox, u"Inbox", PR_CE_IPM_INBOX_ENTRYID},
    {SpecialFolder::Outbox, u"Outbox", PR_IPM_OUTBOX_ENTRYID},
    {SpecialFolder::Sent, u"Sentedbox", PR_IPM_SENTMAIL_ENTRYID},
    {SpecialFolder::Deleted, u"Wastebox", PR_IPM_WASTEBASKET_ENTRYID},
}};
