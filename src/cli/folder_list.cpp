#include "cli/folder_list.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

struct Token {
    std::string_view name;
    BYTE FolderSelection::*field;
};
constexpr std::array<Token, 5> kTokens = {{{"Draft", &FolderSelection::draft},
                                           {"Inbox", &FolderSelection::inbox},
                                           {"Outbox", &FolderSelection::outbox},
                                           {"Sentedbox", &FolderSelection::sent},
                                           {"Wastebox", &FolderSelection::deleted}}};

bool SameToken(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::optional<FolderSelection> ParseFolderList(std::string_view list) {
    FolderSelection selection;
    if (SameToken(list, "none")) {
        return selection;
    }
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view token = list.substr(start, comma - start);
        const auto it = std::find_if(kTokens.begin(), kTokens.end(),
                                     [&](const Token& t) { return SameToken(token, t.name); });
        if (it == kTokens.end()) {
            return std::nullopt;
        }
        selection.*(it->field) = 1;
        start = comma + 1;
    }
    return selection;
}

int SelectedCount(const FolderSelection& selection) {
    return static_cast<int>(std::count_if(
        kTokens.begin(), kTokens.end(), [&](const Token& t) { return selection.*(t.field) != 0; }));
}

std::string DescribeSelection(const FolderSelection& selection) {
    std::string text;
    for (const Token& token : kTokens) {
        text += std::string(token.name) + ": " +
                (selection.*(token.field) != 0 ? "selected" : "not selected") + "\n";
    }
    return text;
}
