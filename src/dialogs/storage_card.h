// The two places a file can live on the handset: main memory and the storage card, whose
// folder the registry names.
#pragma once

#include <string>

inline constexpr char16_t kMainMemoryRoot[] = u"\\My Documents\\";
inline constexpr char16_t kCardKeyPath[] = u"System\\StorageManager\\Profiles\\PCMCIA";
inline constexpr char16_t kCardFolderValue[] = u"Folder";

// "\" + the registry's card folder + "\"; "\\" when the value is missing or unreadable.
std::u16string StorageCardRoot();
// True when a search of the folder finds any entry; a folder that is missing or holds nothing
// counts as absent.
[[nodiscard]] bool IsFolderPresent(const std::u16string& path);

// The root of a location: 0 main memory, 1 the storage card; empty for any other index and
// for a card whose folder has no name, so that nothing is searched there.
std::u16string LocationRoot(int location);
// A storage card to offer: its folder is named and holds at least one entry.
[[nodiscard]] bool IsStorageCardPresent();
