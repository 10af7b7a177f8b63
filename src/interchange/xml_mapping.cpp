#include "interchange/xml_mapping.h"

#include "interchange/phone_attributes.h"
#include "interchange/text_codec.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>

namespace interchange {
namespace {

constexpr std::string_view kCompanion = "_utf16"; // the exact units of a text beside it
constexpr std::string_view kUnknownContact = "(Unknown)";
constexpr std::u16string_view kUnknownContact16 = u"(Unknown)";
constexpr std::uint64_t kMaxU32 = std::numeric_limits<DWORD>::max();
constexpr std::uint64_t kMaxU64 = std::numeric_limits<std::uint64_t>::max();

void Plain(std::string& out, std::string_view name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    out += value;
    out += '"';
}

void Number(std::string& out, std::string_view name, std::uint64_t value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendNumber(out, value);
    out += '"';
}

// A text attribute, and its exact units beside it when XML cannot hold them all.
void Text(std::string& out, std::string_view name, std::u16string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    const bool exact = AppendXmlAttribute(out, value);
    out += '"';
    if (!exact) {
        out += ' ';
        out += name;
        out += kCompanion;
        out += "=\"";
        AppendHexUnits(out, value);
        out += '"';
    }
}

std::string RecipientName(std::size_t index, std::string_view field) {
    std::string name = "mk_r";
    AppendNumber(name, index);
    name += '_';
    name += field;
    return name;
}

// The other party as the phone shows it: the sender of a received message, else the recipients.
void AppendParty(std::string& out, MessageRecord& message, int type) {
    std::u16string address;
    std::u16string contact;
    if (type == kTypeReceived) {
        address = message.senderNumber();
        contact = message.senderName();
    } else {
        for (const Recipient& recipient : message.recipients()) {
            const std::u16string_view separator = address.empty() ? u"" : u";";
            address += separator;
            address += recipient.address();
            if (!recipient.displayName().empty()) {
                contact += contact.empty() ? u"" : u";";
                contact += recipient.displayName();
            }
        }
    }
    Text(out, "address", address);
    out += " date=\"";
    AppendNumber(out, UnixMillisOf(message.deliveryTime()));
    out += "\" type=\"";
    AppendNumber(out, static_cast<std::uint64_t>(type));
    out += "\" subject=\"null\"";
    Text(out, "body", message.body());
    out += " toa=\"null\" sc_toa=\"null\" service_center=\"null\"";
    Plain(out, "read", (message.flags() & kReadFlag) != 0 ? "1" : "0");
    out += " status=\"-1\" locked=\"0\" date_sent=\"0\"";
    Plain(out, "readable_date", ReadableDate(UnixMillisOf(message.deliveryTime())));
    if (contact.empty()) {
        Plain(out, "contact_name", kUnknownContact);
    } else {
        Text(out, "contact_name", contact);
    }
}

// "(Unknown)" and "null" stand for no name in phone files, so a reader drops them.
bool ReadsAsNoName(std::u16string_view name) {
    return name == kUnknownContact16 || name == u"null";
}

// Whether the standard attributes alone give back the message's sender: a received message's
// sender is the other party; any other message has none.
bool SenderFollowsParty(MessageRecord& message, int type) {
    if (type != kTypeReceived) {
        return message.senderName().empty() && message.senderNumber().empty();
    }
    return !ReadsAsNoName(message.senderName());
}

// Whether the standard attributes alone give back the recipients: none for a received message,
// else the one recipient of type 1 that the address and contact name describe.
bool RecipientsFollowParty(const std::vector<Recipient>& recipients, int type) {
    if (type == kTypeReceived || recipients.empty()) {
        return recipients.empty();
    }
    const Recipient& only = recipients.front();
    return recipients.size() == 1 && only.type() == 1 && !only.address().empty() &&
           !ReadsAsNoName(only.displayName());
}

// Our own attributes, each only where the field differs from what a reader takes from the
// standard attributes alone: most messages need few of them, and the file stays small.
void AppendOwnAttributes(std::string& out, MessageRecord& message, const std::u16string& folderPath,
                         int type) {
    if (message.messageClass() != kSmsMessageClass) {
        Text(out, "mk_class", message.messageClass());
    }
    if (FolderOfType(type) != folderPath) {
        Text(out, "mk_folder", folderPath);
    }
    const std::uint64_t delivered = FileTimeToU64(message.deliveryTime());
    const std::optional<FILETIME> fromDate =
        FileTimeOfUnixMillis(static_cast<std::int64_t>(UnixMillisOf(message.deliveryTime())));
    if (!fromDate || FileTimeToU64(*fromDate) != delivered) {
        Number(out, "mk_delivered", delivered);
    }
    if (FileTimeToU64(message.lastModified()) != delivered) {
        Number(out, "mk_modified", FileTimeToU64(message.lastModified()));
    }
    if (message.flags() != FlagsOfType(type, (message.flags() & kReadFlag) != 0)) {
        Number(out, "mk_flags", message.flags());
    }
    if (message.size() != std::min<std::uint64_t>(message.body().size() * 2, kMaxU32)) {
        Number(out, "mk_size", message.size());
    }
    if (!SenderFollowsParty(message, type)) {
        Text(out, "mk_sender_name", message.senderName());
        Text(out, "mk_sender_number", message.senderNumber());
    }
    const std::vector<Recipient>& recipients = message.recipients();
    if (RecipientsFollowParty(recipients, type)) {
        return;
    }
    Number(out, "mk_recipients", recipients.size());
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        Text(out, RecipientName(i + 1, "address"), recipients[i].address());
        Text(out, RecipientName(i + 1, "name"), recipients[i].displayName());
        Number(out, RecipientName(i + 1, "type"), recipients[i].type());
    }
}

} // namespace

void AppendSmsElement(std::string& out, MessageRecord& message, const std::u16string& folderPath) {
    const int type = TypeOfFolder(folderPath, !message.senderNumber().empty());
    out += "  <sms protocol=\"0\"";
    AppendParty(out, message, type);
    AppendOwnAttributes(out, message, folderPath, type);
    out += " />\n";
}

namespace {

// Looks attributes up by name; each element has few, so a linear search is the quickest.
class AttributeView {
public:
    explicit AttributeView(const XmlAttributes& attributes) : attributes_(attributes) {
        // Phones write no companions: knowing that once saves half of the look-ups.
        for (const auto& attribute : attributes_) {
            companions_ = companions_ || attribute.first.ends_with(kCompanion);
        }
    }

    // The value of the attribute named name + suffix.
    const std::string_view* Find(std::string_view name, std::string_view suffix = {}) const {
        for (const auto& [key, value] : attributes_) {
            if (key.size() == name.size() + suffix.size() && key.starts_with(name) &&
                key.ends_with(suffix)) {
                return &value;
            }
        }
        return nullptr;
    }

    // A text attribute with its exact units preferred, decoded into text; false on malformed
    // units.
    bool TextOf(std::string_view name, XmlText& text, std::string& problem) const {
        text.present = false;
        if (const std::string_view* hex = companions_ ? Find(name, kCompanion) : nullptr) {
            if (!ParseHexUnits(*hex, text.units)) {
                problem = std::string(name) + std::string(kCompanion) +
                          " is not a sequence of four-digit hexadecimal units";
                return false;
            }
            text.present = true;
        } else if (const std::string_view* value = Find(name)) {
            FromXmlUtf8(*value, text.units);
            text.present = true;
        }
        return true;
    }

    bool UnsignedOf(std::string_view name, std::uint64_t maximum,
                    std::optional<std::uint64_t>& number, std::string& problem) const {
        const std::string_view* value = Find(name);
        if (value == nullptr) {
            return true;
        }
        std::uint64_t parsed = 0;
        if (!ParseUnsigned(*value, maximum, parsed)) {
            problem = std::string(name) + "=\"" + std::string(*value) +
                      "\" is not a whole number from 0 to " + std::to_string(maximum);
            return false;
        }
        number = parsed;
        return true;
    }

    bool SignedOf(std::string_view name, std::optional<std::int64_t>& number,
                  std::string& problem) const {
        const std::string_view* value = Find(name);
        if (value == nullptr) {
            return true;
        }
        std::int64_t parsed = 0;
        if (!ParseSigned(*value, parsed)) {
            problem = std::string(name) + "=\"" + std::string(*value) + "\" is not a whole number";
            return false;
        }
        number = parsed;
        return true;
    }

private:
    const XmlAttributes& attributes_;
    bool companions_ = false; // some attribute's name ends in the companion suffix
};

// The text, or an empty one when the element leaves it out.
const std::u16string& ValueOr(const XmlText& text) {
    static const std::u16string kNone;
    return text.present ? text.units : kNone;
}

// Takes the text's units into target, leaving target's old memory for the next element.
void TakeInto(std::u16string& target, XmlText& text) {
    if (text.present) {
        target.swap(text.units);
    } else {
        target.clear();
    }
}

// Our own recipients: mk_recipients entries of address, name and type.
bool MapOwnRecipients(const AttributeView& view, std::uint64_t count, SmsTexts& texts,
                      std::vector<Recipient>& recipients, std::string& problem) {
    for (std::uint64_t i = 1; i <= count; ++i) {
        XmlText& address = texts.recipientAddress;
        XmlText& name = texts.recipientName;
        std::optional<std::uint64_t> type;
        if (!view.TextOf(RecipientName(i, "address"), address, problem) ||
            !view.TextOf(RecipientName(i, "name"), name, problem) ||
            !view.UnsignedOf(RecipientName(i, "type"), kMaxU32, type, problem)) {
            return false;
        }
        if (!address.present && !name.present && !type) {
            problem = "mk_recipients=\"" + std::to_string(count) + "\" but recipient " +
                      std::to_string(i) + " is missing";
            return false;
        }
        recipients.emplace_back(ValueOr(address), ValueOr(name),
                                static_cast<DWORD>(type.value_or(1)));
    }
    return true;
}

// The standard attributes alone: the type names the folder and who the other party is.
bool MapStandard(const AttributeView& view, SmsTexts& texts, MessageFields& fields,
                 std::vector<Recipient>& recipients, bool ownRecipients, bool ownSender,
                 std::string& problem) {
    std::optional<std::int64_t> type;
    std::optional<std::int64_t> date;
    XmlText& address = texts.address;
    XmlText& contact = texts.contact;
    if (!view.SignedOf("type", type, problem) || !view.SignedOf("date", date, problem) ||
        !view.TextOf("address", address, problem) ||
        !view.TextOf("contact_name", contact, problem) ||
        !view.TextOf("body", texts.body, problem)) {
        return false;
    }
    const std::int64_t kind = type.value_or(kTypeReceived);
    const std::optional<std::u16string> folder = FolderOfType(kind);
    if (!folder) {
        problem = "type=\"" + std::to_string(kind) + "\" is not a message type (1 to 6)";
        return false;
    }
    const std::optional<FILETIME> time = FileTimeOfUnixMillis(date.value_or(0));
    if (date && !time) {
        problem = "date=\"" + std::to_string(*date) + "\" lies outside the times a message holds";
        return false;
    }
    if (contact.present && ReadsAsNoName(contact.units)) {
        contact.present = false;
    }
    const std::string_view* read = view.Find("read");
    fields.messageClass = kSmsMessageClass;
    fields.folderPath = *folder;
    fields.deliveryTime = date ? *time : FILETIME{};
    fields.lastModified = fields.deliveryTime;
    fields.flags = FlagsOfType(kind, read != nullptr && *read == "1");
    TakeInto(fields.body, texts.body);
    fields.size = static_cast<DWORD>(std::min<std::size_t>(fields.body.size() * 2, kMaxU32));
    const bool received = kind == kTypeReceived;
    if (received && !ownSender) {
        TakeInto(fields.senderNumber, address);
        TakeInto(fields.senderName, contact);
    }
    if (!received && !ownRecipients && address.present && !address.units.empty()) {
        recipients.emplace_back(address.units, ValueOr(contact), 1);
    }
    return true;
}

} // namespace

bool MapSmsAttributes(const XmlAttributes& attributes, SmsTexts& texts, MessageFields& fields,
                      std::vector<Recipient>& recipients, std::string& problem) {
    const AttributeView view(attributes);
    std::optional<std::uint64_t> recipientCount;
    if (!view.UnsignedOf("mk_recipients", kMaxRecipients, recipientCount, problem) ||
        !view.TextOf("mk_sender_name", texts.senderName, problem) ||
        !view.TextOf("mk_sender_number", texts.senderNumber, problem)) {
        if (problem.rfind("mk_recipients", 0) == 0) {
            problem += " (the most recipients a message may have)";
        }
        return false;
    }
    // Checked before any recipient is read, so that a count cannot make room for more
    // recipients than the element could describe.
    const std::uint64_t present = attributes.size() / 3;
    if (recipientCount && *recipientCount > present) {
        problem = "mk_recipients=\"" + std::to_string(*recipientCount) +
                  "\" is not a whole number from 0 to " + std::to_string(present) +
                  " (three attributes per recipient)";
        return false;
    }
    const bool ownSender = texts.senderName.present || texts.senderNumber.present;
    if (!MapStandard(view, texts, fields, recipients, recipientCount.has_value(), ownSender,
                     problem)) {
        return false;
    }
    if (ownSender) {
        TakeInto(fields.senderName, texts.senderName);
        TakeInto(fields.senderNumber, texts.senderNumber);
    }
    if (recipientCount && !MapOwnRecipients(view, *recipientCount, texts, recipients, problem)) {
        return false;
    }
    if (!view.TextOf("mk_class", texts.messageClass, problem) ||
        !view.TextOf("mk_folder", texts.folder, problem)) {
        return false;
    }
    std::optional<std::uint64_t> modified;
    std::optional<std::uint64_t> delivered;
    std::optional<std::uint64_t> flags;
    std::optional<std::uint64_t> size;
    if (!view.UnsignedOf("mk_modified", kMaxU64, modified, problem) ||
        !view.UnsignedOf("mk_delivered", kMaxU64, delivered, problem) ||
        !view.UnsignedOf("mk_flags", kMaxU32, flags, problem) ||
        !view.UnsignedOf("mk_size", kMaxU32, size, problem)) {
        return false;
    }
    if (texts.messageClass.present) {
        fields.messageClass.swap(texts.messageClass.units);
    }
    if (texts.folder.present) {
        fields.folderPath.swap(texts.folder.units);
    }
    if (delivered) {
        fields.deliveryTime = U64ToFileTime(*delivered);
        fields.lastModified = fields.deliveryTime;
    }
    if (modified) {
        fields.lastModified = U64ToFileTime(*modified);
    }
    if (flags) {
        fields.flags = static_cast<DWORD>(*flags);
    }
    if (size) {
        fields.size = static_cast<DWORD>(*size);
    }
    return true;
}

} // namespace interchange
