#include "archive/collection.h"

#include "archive/conversation.h"
#include "platform/utf.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace archive {

namespace {

std::uint64_t TimeOf(const FILETIME& time) {
    return std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime;
}

// SHA-256 of the key's UTF-16 units, cut to 16 bytes: collisions stay out of reach even for a
// file made to cause them, so the map and the page names need not hold the key itself.
bool Digest(const std::u16string& key, std::array<std::uint8_t, 16>& digest) {
    unsigned char full[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(key.data(), key.size() * sizeof(char16_t), full, &size, EVP_sha256(), nullptr) !=
            1 ||
        size < digest.size()) {
        return false;
    }
    std::memcpy(digest.data(), full, digest.size());
    return true;
}

void AppendSize(std::string& out, std::size_t size) {
    const auto value = static_cast<std::uint32_t>(size);
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof value);
}

std::uint32_t SizeAt(const std::string& in, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, in.data() + at, sizeof value);
    return value;
}

std::string Hex(const std::array<std::uint8_t, 16>& digest, std::size_t bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 0xF];
    }
    return text;
}

} // namespace

std::size_t Collection::KeyHash::operator()(const Key& key) const {
    std::size_t hash = 0;
    std::memcpy(&hash, key.data(), sizeof hash);
    return hash;
}

std::u16string LineStart(std::u16string_view text, std::size_t units) {
    std::u16string line(text.substr(0, units));
    if (text.size() > units) {
        if (utf::IsHighSurrogate(line.back())) {
            line.pop_back();
        }
        line += u'\u2026';
    }
    std::replace_if(
        line.begin(), line.end(), [](char16_t c) { return c == u'\r' || c == u'\n' || c == u'\t'; },
        u' ');
    return line;
}

bool Collection::Add(MessageRecord& message, std::u16string& error) {
    if (entries_.size() == std::numeric_limits<std::uint32_t>::max()) {
        error = u"the files hold more messages than an archive can";
        return false;
    }
    const Party party = PartyOf(message);
    Key key{};
    if (!Digest(ConversationKey(party.numbers), key)) {
        error = u"cannot group the messages: the crypto library gives no SHA-256";
        return false;
    }
    const auto [at, added] = byKey_.try_emplace(key, conversations_.size());
    if (added) {
        Conversation conversation;
        for (std::size_t i = 0; i < std::min(party.numbers.size(), kShownNumbers); ++i) {
            conversation.numbers += (i == 0 ? "" : ", ") + utf::Utf8(party.numbers[i]);
        }
        if (party.numbers.size() > kShownNumbers) {
            conversation.numbers +=
                " and " + std::to_string(party.numbers.size() - kShownNumbers) + " more";
        }
        conversations_.push_back(std::move(conversation));
        keys_.push_back(key);
    }
    Conversation& conversation = conversations_[at->second];

    Entry entry;
    entry.time = TimeOf(message.deliveryTime());
    entry.sequence = static_cast<std::uint32_t>(entries_.size());
    entry.received = party.received;
    entry.conversation = at->second;
    const std::string body = utf::Utf8(message.body());
    const std::string mark = utf::Utf8(FolderMark(message.folderPath()));
    record_.clear();
    AppendSize(record_, body.size());
    record_ += body;
    record_ += mark;
    if (record_.size() > std::numeric_limits<std::uint32_t>::max()) {
        error = u"a message is too long for an archive";
        return false;
    }
    entry.size = static_cast<std::uint32_t>(record_.size());
    if (!folder_.Append(record_, entry.offset, error)) {
        return false;
    }
    // Only the latest name and message are noted: the name is made once, in Arrange, and the
    // last text when the index is written.
    if (!party.name.empty() &&
        (conversation.latestName.empty() || entry.time >= conversation.nameTime)) {
        if (party.name.compare(0, kShownNameUnits + 1, conversation.latestName) != 0) {
            conversation.latestName = party.name.substr(0, kShownNameUnits + 1);
        }
        conversation.nameTime = entry.time;
    }
    if (conversation.count == 0 || entry.time >= conversation.lastTime) {
        conversation.lastTime = entry.time;
        conversation.lastSequence = entry.sequence;
    }
    ++conversation.count;
    entries_.push_back(entry);
    return true;
}

bool Collection::Read(const Entry& entry, EntryText& text, std::u16string& error) const {
    std::string bytes;
    if (!folder_.ReadBack(entry.offset, entry.size, bytes, error)) {
        return false;
    }
    const std::uint32_t bodySize = SizeAt(bytes, 0);
    text.body.assign(bytes, sizeof bodySize, bodySize);
    text.mark.assign(bytes, sizeof bodySize + bodySize);
    return true;
}

bool Collection::LastText(const Conversation& conversation, std::string& text,
                          std::u16string& error) const {
    EntryText read;
    if (!Read(entries_[conversation.lastSequence], read, error)) {
        return false;
    }
    text = utf::Utf8(LineStart(utf::Utf16(read.body), kLastTextUnits));
    return true;
}

void Collection::Arrange() {
    // Short page names, longer ones for all if two conversations would share one.
    std::unordered_map<std::string, std::uint32_t> names;
    bool clash = false;
    for (std::uint32_t i = 0; i < conversations_.size() && !clash; ++i) {
        clash = !names.try_emplace(Hex(keys_[i], 6), i).second;
    }
    std::uint32_t first = 0;
    for (std::uint32_t i = 0; i < conversations_.size(); ++i) {
        Conversation& conversation = conversations_[i];
        conversation.file = "c-" + Hex(keys_[i], clash ? 16 : 6);
        conversation.name = utf::Utf8(LineStart(conversation.latestName, kShownNameUnits));
        std::u16string().swap(conversation.latestName);
        conversation.first = first;
        first += conversation.count;
    }
    std::vector<Key>().swap(keys_);
    decltype(byKey_)().swap(byKey_);
    // Each conversation's entries in one range of order_, then sorted by time there.
    order_.resize(entries_.size());
    std::vector<std::uint32_t> filled(conversations_.size());
    for (std::uint32_t i = 0; i < entries_.size(); ++i) {
        const std::uint32_t c = entries_[i].conversation;
        order_[conversations_[c].first + filled[c]++] = i;
    }
    for (const Conversation& conversation : conversations_) {
        const auto begin = order_.begin() + conversation.first;
        std::sort(begin, begin + conversation.count, [this](std::uint32_t a, std::uint32_t b) {
            return entries_[a].time != entries_[b].time ? entries_[a].time < entries_[b].time
                                                        : a < b;
        });
    }
    std::sort(conversations_.begin(), conversations_.end(),
              [](const Conversation& a, const Conversation& b) {
                  return a.lastTime != b.lastTime ? a.lastTime > b.lastTime
                                                  : a.lastSequence > b.lastSequence;
              });
}

} // namespace archive
