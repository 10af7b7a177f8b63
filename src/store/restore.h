// Restoring a backup file into the store: every record becomes a message again in the folder
// that its path names, replacing a message of that folder with the same delivery time.
#pragma once

#include "model/folder_tokens.h"
#include "platform/wintypes.h"

#include <memory>
#include <string>

class MessageStore;
class StoreFolder;
struct JobView;

// Checks the file, reads its total into the job's counter and restores the records one by one,
// setting the job's current number first. On failure the job's result text holds the format's text
// for a failed check or total, "No.<n>:" and the reason for a failed record (the rest is then not
// read), or kStoppedText. Runs after the format's OpenForRead succeeded.
[[nodiscard]] bool restoreMessages(MessageStore& store, JobView& job, HANDLE handle);

// Reads one record and writes it into its folder; false with the reason in resultText, which
// the caller prefixes with "No.<n>:".
[[nodiscard]] bool restoreOneMessage(MessageStore& store, JobView& job, HANDLE handle,
                                     std::u16string& resultText);

// The folder a folder path names: a special folder (owned by the store) for a token alone, or
// a subfolder below it, created where missing (owned by the caller). Looking only, nothing is
// created: a folder the restore would create is valid with no folder yet.
enum class FolderUse { Create, LookOnly };
struct ResolvedFolder {
    bool valid = false;            // the path names a folder of this store, within the depth
    StoreFolder* folder = nullptr; // the folder; nullptr when invalid, or not there yet
    std::unique_ptr<StoreFolder> owned;
    std::u16string key; // the path with each subfolder's name as the restore names it
};
ResolvedFolder resolveFolderPath(MessageStore& store, const std::u16string& folderPath,
                                 FolderUse use = FolderUse::Create);
