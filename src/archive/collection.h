// The messages of an archive grouped by conversation. Texts go to the site folder's scratch
// file as they arrive; memory keeps a small entry per message and a summary per conversation,
// so that any number of messages, in any order across files, fits in a fixed budget.
#pragma once

#include "archive/site_folder.h"
#include "model/message_record.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace archive {

// One message as memory holds it; its texts are in the scratch file at offset.
struct Entry {
    std::uint64_t time = 0; // FILETIME
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    std::uint32_t sequence = 0;     // in reading order, which breaks ties of time
    std::uint32_t conversation = 0; // as first added
    bool received = false;
};

// The texts of an entry, read back from the scratch file.
struct EntryText {
    std::string body;
    std::string mark;
};

// What memory keeps of a conversation: with one message each, 100,000 of them must fit too.
struct Conversation {
    std::string name;          // the latest non-empty contact name, UTF-8, once arranged
    std::u16string latestName; // that name while messages are added
    std::uint64_t nameTime = 0;
    std::string numbers; // the first kShownNumbers, ", " between, and how many more; UTF-8
    std::string file;    // the first page's name without ".html"
    std::uint64_t lastTime = 0;
    std::uint32_t lastSequence = 0;
    std::uint32_t first = 0; // its entries, in time order once arranged: order()[first, +count)
    std::uint32_t count = 0;
};

inline constexpr std::size_t kShownNumbers = 20;
inline constexpr std::size_t kShownNameUnits = 200;
inline constexpr std::size_t kLastTextUnits = 100;

// A call that fails sets error to the whole reason as the user reads it.
class Collection {
public:
    explicit Collection(SiteFolder& folder) : folder_(folder) {}

    [[nodiscard]] bool Add(MessageRecord& message, std::u16string& error);
    [[nodiscard]] bool Read(const Entry& entry, EntryText& text, std::u16string& error) const;

    // Makes each conversation's name, gives its page a name, sorts each one's entries by time
    // and the conversations by their latest message, most recent first.
    void Arrange();

    const std::vector<Conversation>& conversations() const { return conversations_; }
    const std::vector<Entry>& entries() const { return entries_; }
    // Message at (0, 1, ...) of a conversation in time order, once arranged.
    const Entry& At(const Conversation& conversation, std::size_t at) const {
        return entries_[order_[conversation.first + at]];
    }
    // The start of the conversation's latest message, for the list of conversations.
    [[nodiscard]] bool LastText(const Conversation& conversation, std::string& text,
                                std::u16string& error) const;

private:
    using Key = std::array<std::uint8_t, 16>;
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };

    SiteFolder& folder_;
    std::vector<Entry> entries_;
    std::vector<Conversation> conversations_;
    std::vector<std::uint32_t> order_; // entries by conversation, then time
    std::vector<Key> keys_;            // per conversation, until arranged
    std::unordered_map<Key, std::uint32_t, KeyHash> byKey_;
    std::string record_; // kept to save an allocation per message
};

// The start of a text for one line: at most units UTF-16 units, a pair never split, line
// breaks and tabs as spaces, "…" when cut.
std::u16string LineStart(std::u16string_view text, std::size_t units);

} // namespace archive
