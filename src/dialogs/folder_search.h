// Directory searches for the file dialogs: a search handle that closes itself, and the two
// listings the dialogs show, in the order the platform finds the entries.
#pragma once

#include "platform/find.h"
#include "platform/unique_handle.h"

#include <string>
#include <vector>

class FolderSearch {
public:
    // Starts the search of a pattern such as "\My Documents\*.*".
    explicit FolderSearch(const std::u16string& pattern);

    // Whether the search holds an entry now.
    [[nodiscard]] bool Found() const { return found_; }
    const WIN32_FIND_DATAW& Entry() const { return entry_; }
    // Moves to the next entry; false (and Found() false) after the last.
    bool Next();

private:
    OwnedFind handle_;
    WIN32_FIND_DATAW entry_;
    bool found_ = false;
};

// The folders directly in root ("\My Documents\") whose attribute word is exactly
// FILE_ATTRIBUTE_DIRECTORY: a hidden, system or read-only folder is left out. An empty root
// lists nothing.
std::vector<std::u16string> ListFolders(const std::u16string& root);
// The entries in folder (ending in "\") that match pattern and are not plain folders: files,
// and folders with further attributes. An empty folder path lists nothing.
std::vector<std::u16string> ListFiles(const std::u16string& folder, const std::u16string& pattern);
