// Messages for the archive's tests, with what the archive must make of them: conversations
// whose numbers are written in several ways, one of several thousand messages, one of
// hostile texts, a group, one without a number, folder marks, and a word deep in the pile.
#pragma once

#include "model/memory_record.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace samples {

// The texts that must be shown as text and make nothing of their own.
extern const std::vector<std::u16string> kHostileBodies;
// Mallory's contact name, hostile too.
extern const char16_t kHostileName[];
// The one message that holds this word, spelt with accents ("Zébrafïnch").
extern const char16_t kDeepWord[];

struct Sample {
    std::vector<MemoryRecord> messages;                  // in the order a file holds them
    std::map<std::u16string, std::size_t> conversations; // messages by name, as the index shows
    std::vector<std::u16string> newestFirst;             // names, by each one's latest message
    std::size_t annaCount = 0;       // Anna's messages, "Anna 1" ... in time order
    std::size_t deepNumber = 0;      // the deep word's message in its conversation (1, 2, ...)
    std::u16string deepConversation; // its conversation's name
};

// total messages, at least 3,000; Anna gets 2,500 of them.
Sample MakeSample(std::size_t total);

// Writes messages as a Unicode backup; false when that fails.
bool WriteBackup(std::vector<MemoryRecord>& messages, const std::filesystem::path& file);

} // namespace samples
