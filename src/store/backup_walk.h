// The backup walk over the store: counting a folder's messages with all its subfolders, and
// handing every message of a folder, then of its subfolders depth-first, to the job's format.
#pragma once

#include "platform/wintypes.h"

#include <functional>
#include <string>

class StoreFolder;
struct JobView;

// Enters top and every folder below it, depth-first: a folder, then each of its subfolders in
// hierarchy order with everything below it. Uses no stack space per level, so any depth the
// store holds is walked. enter returns false to stop; unlisted is called for a folder whose
// subfolders cannot be listed and returns whether to go on without them. True when the walk
// reached its end.
bool walkFolders(StoreFolder& top, const std::function<bool(StoreFolder&)>& enter,
                 const std::function<bool(StoreFolder&)>& unlisted);

// Rows of the folder's contents table plus those of every subfolder, depth-first. A list that
// cannot be made counts 0; the walk then stops with its text.
DWORD countFolderMessages(StoreFolder& folder);

// Writes the folder's messages, then its subfolders', raising the current number before
// each record. On failure resultText holds "No.<n>:" with the number written before this
// folder was entered, followed by the reason; or kStoppedText when the job was asked to stop.
[[nodiscard]] bool backupFolder(JobView& job, HANDLE handle, StoreFolder& folder,
                                std::u16string& resultText);
