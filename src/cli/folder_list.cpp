#include "cli/folder_list.h"

#include "platform/utf.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

bool SameToken(std::string_view a, std::u16string_view b) {
    // The tokens are ASCII; a byte of another character never equals one of theirs.
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char16_t y) {
        return y < 0x80 && std::tolower(static_cast<unsigned char>(x)) ==
                               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::optional<FolderSelection> ParseFolderList(std::string_view list) {
    FolderSelection selection;
    if (SameToken(list, u"none")) {
        return selection;
    }
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view token = list.substr(start, comma - start);
        const auto it =
            std::find_if(kSpecialFolders.begin(), kSpecialFolders.end(),
                         [&](const SpecialFolderInfo& f) { return SameToken(token, f.token); });
        if (it == kSpecialFolders.end()) {
            return std::nullopt;
        }
        selection.flag(it->folder) = 1;
        start = comma + 1;
    }
    return selection;
}

int SelectedCount(const FolderSelection& selection) {
    return static_cast<int>(
        std::count_if(kSpecialFolders.begin(), kSpecialFolders.end(),
                      [&](const SpecialFolderInfo& f) { return selection.flag(f.folder) != 0; }));
}

std::string DescribeSelection(const FolderSelection& selection) {
    std::string text;
    for (const SpecialFolderInfo& info : kSpecialFolders) {
        text += utf::Utf8(info.token) + ": " +
                (selection.flag(info.folder) != 0 ? "selected" : "not selected") + "\n";
    }
    return text;
}
