#include "dialogs/split_string.h"

std::vector<std::u16string> SplitString(std::u16string_view text, std::u16string_view separator) {
    std::vector<std::u16string> pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t start = 0;
    for (std::size_t found = text.find(separator); found != std::u16string_view::npos;
         found = text.find(separator, start)) {
        pieces.emplace_back(text.substr(start, found - start));
        start = found + separator.size();
    }
    pieces.emplace_back(text.substr(start));
    return pieces;
}
