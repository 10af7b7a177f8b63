#include "dialogs/folder_search.h"

// The search starts in the body, once entry_ exists to take the first entry.
FolderSearch::FolderSearch(const std::u16string& pattern) {
    handle_ = OwnedFind(FindFirstFileW(pattern.c_str(), &entry_));
    found_ = handle_.valid();
}

bool FolderSearch::Next() {
    found_ = found_ && FindNextFileW(handle_.get(), &entry_) != FALSE;
    return found_;
}

namespace {

// Every entry name of a search whose attribute word passes the test.
template <typename Test>
std::vector<std::u16string> Names(const std::u16string& pattern, Test keep) {
    std::vector<std::u16string> names;
    for (FolderSearch search(pattern); search.Found(); search.Next()) {
        if (keep(search.Entry().dwFileAttributes)) {
            names.emplace_back(search.Entry().cFileName);
        }
    }
    return names;
}

} // namespace

std::vector<std::u16string> ListFolders(const std::u16string& root) {
    if (root.empty()) {
        return {};
    }
    return Names(root + u"*.*",
                 [](DWORD attributes) { return attributes == FILE_ATTRIBUTE_DIRECTORY; });
}

std::vector<std::u16string> ListFiles(const std::u16string& folder, const std::u16string& pattern) {
    if (folder.empty()) {
        return {};
    }
    return Names(folder + pattern,
                 [](DWORD attributes) { return attributes != FILE_ATTRIBUTE_DIRECTORY; });
}
