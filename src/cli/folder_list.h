// The folder lists of the command line: "Draft,Inbox" (tokens in any case, any order) or
// "none", turned into a FolderSelection.
#pragma once

#include "app/folder_selection.h"

#include <optional>
#include <string>
#include <string_view>

// None when a name is not a folder token.
[[nodiscard]] std::optional<FolderSelection> ParseFolderList(std::string_view list);
// How many of the five folders are selected.
int SelectedCount(const FolderSelection& selection);
// "Draft: selected\n..." for each folder in walk order.
std::string DescribeSelection(const FolderSelection& selection);

inline constexpr char kFolderListHelp[] =
    "Draft, Inbox, Outbox, Sentedbox, Wastebox separated by commas, or none";
