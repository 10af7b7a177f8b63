#include "model/folder_tokens.h"

#include <algorithm>

bool IsRestorableFolderPath(std::u16string_view path) {
    const std::u16string_view top = path.substr(0, path.find(u'\\'));
    const auto levels = static_cast<std::size_t>(std::count(path.begin(), path.end(), u'\\'));
    return levels <= kMaxSubfolderDepth &&
           std::find(kFolderTokens.begin(), kFolderTokens.end(), top) != kFolderTokens.end();
}
