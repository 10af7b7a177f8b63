#include "interchange/json_fast_mapping.h"

#include "interchange/text_codec.h"
#include "model/message_record.h"
#include "platform/utf.h"

#include <simdjson.h>

#include <array>
#include <limits>
#include <optional>

namespace interchange {
namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

constexpr std::uint64_t kMaxU32 = std::numeric_limits<DWORD>::max();

// A "-0" where a value starts: simdjson reads it as the integer 0, while the exact way refuses
// it as a signed number. Such lines (or a "-0" inside a string that looks alike) go that way.
bool HasNegativeZero(std::string_view line) {
    for (std::size_t at = line.find("-0"); at != std::string_view::npos;
         at = line.find("-0", at + 2)) {
        std::size_t before = at;
        while (before > 0 &&
               (line[before - 1] == ' ' || line[before - 1] == '\t' || line[before - 1] == '\r')) {
            --before;
        }
        if (before > 0 &&
            (line[before - 1] == ':' || line[before - 1] == ',' || line[before - 1] == '[')) {
            return true;
        }
    }
    return false;
}

// The values of one object's known keys; a key that comes twice declines the line, since the
// exact way keeps the last one.
template <std::size_t N> class Slots {
public:
    explicit Slots(const std::array<std::string_view, N>& keys) : keys_(keys) {}

    bool Collect(const simdjson::dom::object& object) {
        // The search for each key starts after the last one found: keys in the order of the
        // table, as this program writes them, are each found at the first try.
        std::size_t next = 0;
        for (const auto field : object) {
            for (std::size_t tried = 0, i = next; tried < N; ++tried, i = i + 1 == N ? 0 : i + 1) {
                // The size and first letter tell the keys apart before a call to compare them.
                const std::string_view key = keys_[i];
                if (field.key.size() == key.size() && field.key[0] == key[0] && field.key == key) {
                    if (values_[i]) {
                        return false;
                    }
                    values_[i] = field.value;
                    next = i + 1 == N ? 0 : i + 1;
                    break;
                }
            }
        }
        return true;
    }

    const std::optional<element>& operator[](std::size_t i) const { return values_[i]; }

private:
    const std::array<std::string_view, N>& keys_;
    std::array<std::optional<element>, N> values_{};
};

// A text from its key (at i) and its "Utf16" companion, decoded into the memory text holds;
// when both are left out, the text stays or, for a whole message, is emptied. False to decline.
template <std::size_t N>
bool Text(const Slots<N>& slots, std::size_t i, std::size_t companion, std::u16string& text,
          bool whole) {
    if (const auto& units = slots[companion]) {
        std::string_view hex;
        return !units->get_string().get(hex) && ParseHexUnits(hex, text);
    }
    if (const auto& value = slots[i]) {
        std::string_view utf8;
        if (value->get_string().get(utf8)) {
            return false;
        }
        utf::ToUtf16(utf8, text);
    } else if (whole) {
        text.clear();
    }
    return true;
}

// A whole number from 0 to maximum, as the exact way reads it; false to decline.
template <std::size_t N>
bool Number(const Slots<N>& slots, std::size_t i, std::uint64_t maximum, std::uint64_t& number) {
    const auto& value = slots[i];
    if (!value) {
        return true;
    }
    std::uint64_t parsed = 0;
    const element_type type = value->type();
    if ((type != element_type::INT64 && type != element_type::UINT64) ||
        value->get_uint64().get(parsed) || parsed > maximum) {
        return false;
    }
    number = parsed;
    return true;
}

constexpr std::array<std::string_view, 4> kRecipientKeys = {"address", "addressUtf16",
                                                            "displayName", "displayNameUtf16"};

// The list's recipients from index first on: those already there are filled in place (their
// texts keep their memory), and any left over go.
bool Recipients(const std::optional<element>& list, std::vector<Recipient>& recipients,
                std::size_t first) {
    std::size_t next = first;
    if (list) {
        simdjson::dom::array entries;
        if (list->get_array().get(entries) || entries.size() > kMaxRecipients) {
            return false; // the exact path words the refusal
        }
        recipients.reserve(first + entries.size());
        // In the order this program writes them, the companions last.
        static constexpr std::array<std::string_view, 5> kKeys = {
            kRecipientKeys[0], kRecipientKeys[2], "type", kRecipientKeys[1], kRecipientKeys[3]};
        for (const element entry : entries) {
            if (next == recipients.size()) {
                recipients.emplace_back();
            }
            Recipient& recipient = recipients[next++];
            simdjson::dom::object object;
            Slots<5> slots(kKeys);
            std::uint64_t type = 1;
            if (entry.get_object().get(object) || !slots.Collect(object) ||
                !Text(slots, 0, 3, recipient.addressToFill(), true) ||
                !Text(slots, 1, 4, recipient.displayNameToFill(), true) ||
                !Number(slots, 2, kMaxU32, type)) {
                return false;
            }
            recipient.setType(static_cast<DWORD>(type));
        }
    }
    recipients.erase(recipients.begin() + static_cast<std::ptrdiff_t>(next), recipients.end());
    return true;
}

// In the order this program writes them, then the companions of the texts.
constexpr std::array<std::string_view, 15> kKeys = {"messageClass",
                                                    "folderPath",
                                                    "lastModified",
                                                    "deliveryTime",
                                                    "flags",
                                                    "size",
                                                    "senderName",
                                                    "senderNumber",
                                                    "body",
                                                    "recipients",
                                                    "messageClassUtf16",
                                                    "folderPathUtf16",
                                                    "senderNameUtf16",
                                                    "senderNumberUtf16",
                                                    "bodyUtf16"};
enum Key : std::size_t {
    kClass,
    kFolder,
    kModified,
    kDelivered,
    kFlags,
    kSize,
    kSenderName,
    kSenderNumber,
    kBody,
    kRecipients,
    kClassUnits,
    kFolderUnits,
    kSenderNameUnits,
    kSenderNumberUnits,
    kBodyUnits,
};

bool Fields(const Slots<kKeys.size()>& slots, MessageFields& fields, bool whole) {
    // Times, flags and size are 0 when left out; texts keep their values unless whole.
    std::uint64_t modified = 0;
    std::uint64_t delivered = 0;
    std::uint64_t flags = 0;
    std::uint64_t size = 0;
    if (!Text(slots, kClass, kClassUnits, fields.messageClass, whole) ||
        !Text(slots, kFolder, kFolderUnits, fields.folderPath, whole) ||
        !Text(slots, kSenderName, kSenderNameUnits, fields.senderName, whole) ||
        !Text(slots, kSenderNumber, kSenderNumberUnits, fields.senderNumber, whole) ||
        !Text(slots, kBody, kBodyUnits, fields.body, whole) ||
        !Number(slots, kModified, std::numeric_limits<std::uint64_t>::max(), modified) ||
        !Number(slots, kDelivered, std::numeric_limits<std::uint64_t>::max(), delivered) ||
        !Number(slots, kFlags, kMaxU32, flags) || !Number(slots, kSize, kMaxU32, size)) {
        return false;
    }
    fields.lastModified = U64ToFileTime(modified);
    fields.deliveryTime = U64ToFileTime(delivered);
    fields.flags = static_cast<DWORD>(flags);
    fields.size = static_cast<DWORD>(size);
    return true;
}

} // namespace

struct JsonFastMapping::Parser {
    simdjson::dom::parser parser;
};

JsonFastMapping::JsonFastMapping() : parser_(std::make_unique<Parser>()) {}

JsonFastMapping::~JsonFastMapping() = default;

static_assert(JsonFastMapping::kPadding >= simdjson::SIMDJSON_PADDING);

bool JsonFastMapping::Map(std::string_view line, MessageFields& fields,
                          std::vector<Recipient>& recipients) {
    padded_.assign(line);
    padded_.append(kPadding, '\0');
    return MapPadded(std::string_view(padded_.data(), line.size()), fields, recipients);
}

bool JsonFastMapping::MapPadded(std::string_view line, MessageFields& fields,
                                std::vector<Recipient>& recipients) {
    return Parse(line, fields, recipients, false);
}

bool JsonFastMapping::FillPadded(std::string_view line, MessageFields& fields,
                                 std::vector<Recipient>& recipients) {
    return Parse(line, fields, recipients, true);
}

bool JsonFastMapping::Parse(std::string_view line, MessageFields& fields,
                            std::vector<Recipient>& recipients, bool whole) {
    const bool mapped = MapParsed(line, fields, recipients, whole);
    // The parser keeps memory for the longest line it read, several times that line's size:
    // after a long one it starts afresh, so that each thread does not hold that much.
    if (line.size() > kLongLine) {
        parser_ = std::make_unique<Parser>();
    }
    return mapped;
}

bool JsonFastMapping::MapParsed(std::string_view line, MessageFields& fields,
                                std::vector<Recipient>& recipients, bool whole) {
    if (HasNegativeZero(line)) {
        return false;
    }
    element document;
    simdjson::dom::object object;
    Slots<kKeys.size()> slots(kKeys);
    if (parser_->parser.parse(line.data(), line.size(), false).get(document) ||
        document.get_object().get(object) || !slots.Collect(object)) {
        return false;
    }
    if (whole) {
        if (!Fields(slots, fields, true) || !Recipients(slots[kRecipients], recipients, 0)) {
            return false;
        }
        if (!slots[kClass] && !slots[kClassUnits]) {
            fields.messageClass.assign(kSmsMessageClass);
        }
        return true;
    }
    MessageFields mapped = fields;
    if (!slots[kClass] && !slots[kClassUnits]) {
        mapped.messageClass = kSmsMessageClass; // the class of every SMS, when a line leaves it out
    }
    const std::size_t listed = recipients.size();
    if (!Fields(slots, mapped, false) || !Recipients(slots[kRecipients], recipients, listed)) {
        recipients.erase(recipients.begin() + static_cast<std::ptrdiff_t>(listed),
                         recipients.end());
        return false;
    }
    fields = std::move(mapped);
    return true;
}

} // namespace interchange
