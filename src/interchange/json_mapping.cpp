#include "interchange/json_mapping.h"

#include "interchange/text_codec.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <string_view>

namespace interchange {
namespace {

constexpr std::uint64_t kMaxU32 = std::numeric_limits<DWORD>::max();
constexpr std::uint64_t kMaxU64 = std::numeric_limits<std::uint64_t>::max();

void Key(std::string& out, std::string_view key) {
    out += '"';
    out += key;
    out += "\":";
}

void Text(std::string& out, std::string_view key, std::u16string_view value) {
    Key(out, key);
    if (!AppendJsonString(out, value)) {
        out += ",\"";
        out += key;
        out += "Utf16\":\"";
        AppendHexUnits(out, value);
        out += '"';
    }
}

void Number(std::string& out, std::string_view key, std::uint64_t value) {
    Key(out, key);
    AppendNumber(out, value);
}

bool TextOf(const nlohmann::json& object, const std::string& key, std::u16string& text,
            std::string& problem) {
    const auto units = object.find(key + "Utf16");
    if (units != object.end()) {
        if (!units->is_string() || !ParseHexUnits(units->get_ref<const std::string&>(), text)) {
            problem = "\"" + key + "Utf16\" must be a string of four-digit hexadecimal units";
            return false;
        }
        return true;
    }
    const auto value = object.find(key);
    if (value == object.end()) {
        return true;
    }
    if (!value->is_string()) {
        problem = "\"" + key + "\" must be a string";
        return false;
    }
    text = FromUtf8(value->get_ref<const std::string&>());
    return true;
}

bool NumberOf(const nlohmann::json& object, const std::string& key, std::uint64_t maximum,
              std::uint64_t& number, std::string& problem) {
    const auto value = object.find(key);
    if (value == object.end()) {
        return true;
    }
    if (!value->is_number_unsigned() || value->get<std::uint64_t>() > maximum) {
        problem = "\"" + key + "\" must be a whole number from 0 to " + std::to_string(maximum);
        return false;
    }
    number = value->get<std::uint64_t>();
    return true;
}

bool TimeOf(const nlohmann::json& object, const std::string& key, FILETIME& time,
            std::string& problem) {
    std::uint64_t units = 0;
    if (!NumberOf(object, key, kMaxU64, units, problem)) {
        return false;
    }
    time = U64ToFileTime(units);
    return true;
}

bool RecipientsOf(const nlohmann::json& object, std::vector<Recipient>& recipients,
                  std::string& problem) {
    const auto list = object.find("recipients");
    if (list == object.end()) {
        return true;
    }
    if (!list->is_array()) {
        problem = "\"recipients\" must be a list";
        return false;
    }
    if (list->size() > kMaxRecipients) {
        problem = "more than " + std::to_string(kMaxRecipients) + " \"recipients\"";
        return false;
    }
    for (const nlohmann::json& entry : *list) {
        if (!entry.is_object()) {
            problem = "each of \"recipients\" must be an object";
            return false;
        }
        std::u16string address;
        std::u16string displayName;
        std::uint64_t type = 1;
        if (!TextOf(entry, "address", address, problem) ||
            !TextOf(entry, "displayName", displayName, problem) ||
            !NumberOf(entry, "type", kMaxU32, type, problem)) {
            return false;
        }
        recipients.emplace_back(std::move(address), std::move(displayName),
                                static_cast<DWORD>(type));
    }
    return true;
}

} // namespace

void AppendJsonLine(std::string& out, MessageRecord& message, const std::u16string& folderPath) {
    out += '{';
    Text(out, "messageClass", message.messageClass());
    out += ',';
    Text(out, "folderPath", folderPath);
    out += ',';
    Number(out, "lastModified", FileTimeToU64(message.lastModified()));
    out += ',';
    Number(out, "deliveryTime", FileTimeToU64(message.deliveryTime()));
    out += ',';
    Number(out, "flags", message.flags());
    out += ',';
    Number(out, "size", message.size());
    out += ',';
    Text(out, "senderName", message.senderName());
    out += ',';
    Text(out, "senderNumber", message.senderNumber());
    out += ',';
    Text(out, "body", message.body());
    out += ",\"recipients\":[";
    bool first = true;
    for (const Recipient& recipient : message.recipients()) {
        out += first ? "{" : ",{";
        first = false;
        Text(out, "address", recipient.address());
        out += ',';
        Text(out, "displayName", recipient.displayName());
        out += ',';
        Number(out, "type", recipient.type());
        out += '}';
    }
    out += "]}\n";
}

bool MapJsonObject(const nlohmann::json& object, MessageFields& fields,
                   std::vector<Recipient>& recipients, std::string& problem) {
    if (!object.is_object()) {
        problem = "a line must hold one object";
        return false;
    }
    std::uint64_t flags = 0;
    std::uint64_t size = 0;
    fields.messageClass = kSmsMessageClass; // the class of every SMS, when a line leaves it out
    if (!TextOf(object, "messageClass", fields.messageClass, problem) ||
        !TextOf(object, "folderPath", fields.folderPath, problem) ||
        !TimeOf(object, "lastModified", fields.lastModified, problem) ||
        !TimeOf(object, "deliveryTime", fields.deliveryTime, problem) ||
        !NumberOf(object, "flags", kMaxU32, flags, problem) ||
        !NumberOf(object, "size", kMaxU32, size, problem) ||
        !TextOf(object, "senderName", fields.senderName, problem) ||
        !TextOf(object, "senderNumber", fields.senderNumber, problem) ||
        !TextOf(object, "body", fields.body, problem) ||
        !RecipientsOf(object, recipients, problem)) {
        return false;
    }
    fields.flags = static_cast<DWORD>(flags);
    fields.size = static_cast<DWORD>(size);
    return true;
}

} // namespace interchange
