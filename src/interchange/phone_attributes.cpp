#include "interchange/phone_attributes.h"

#include "interchange/text_codec.h"

#include <array>
#include <chrono>

namespace interchange {
namespace {

// 1970-01-01 as a FILETIME, and FILETIME units per millisecond.
constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;
constexpr std::uint64_t kUnitsPerMilli = 10000;
constexpr std::uint64_t kLastReadableMillis = 253402300799999ull; // 9999-12-31 23:59:59.999

std::u16string_view TokenOf(std::u16string_view folderPath) {
    return folderPath.substr(0, folderPath.find(u'\\'));
}

} // namespace

int TypeOfFolder(std::u16string_view folderPath, bool hasSenderNumber) {
    const std::u16string_view token = TokenOf(folderPath);
    if (token == u"Inbox") {
        return kTypeReceived;
    }
    if (token == u"Sentedbox") {
        return kTypeSent;
    }
    if (token == u"Draft") {
        return kTypeDraft;
    }
    if (token == u"Outbox") {
        return kTypeOutbox;
    }
    return hasSenderNumber ? kTypeReceived : kTypeSent;
}

std::optional<std::u16string> FolderOfType(std::int64_t type) {
    switch (type) {
    case 1:
        return u"Inbox";
    case 2:
        return u"Sentedbox";
    case 3:
        return u"Draft";
    case 4: // outbox
    case 5: // failed
    case 6: // queued
        return u"Outbox";
    default:
        return std::nullopt;
    }
}

DWORD FlagsOfType(std::int64_t type, bool read) {
    DWORD flags = read ? kReadFlag : 0;
    if (type != kTypeReceived) {
        flags |= kFromMeFlag;
    }
    if (type >= kTypeDraft) {
        flags |= kUnsentFlag;
    }
    return flags;
}

std::uint64_t UnixMillisOf(const FILETIME& time) {
    const std::uint64_t units = FileTimeToU64(time);
    return units < kUnixEpoch ? 0 : (units - kUnixEpoch) / kUnitsPerMilli;
}

std::optional<FILETIME> FileTimeOfUnixMillis(std::int64_t millis) {
    if (millis >= 0) {
        const auto after = static_cast<std::uint64_t>(millis);
        if (after > (~std::uint64_t{0} - kUnixEpoch) / kUnitsPerMilli) {
            return std::nullopt;
        }
        return U64ToFileTime(kUnixEpoch + after * kUnitsPerMilli);
    }
    // Negated in unsigned arithmetic, so that the smallest value does not overflow.
    const std::uint64_t before = ~static_cast<std::uint64_t>(millis) + 1;
    if (before > kUnixEpoch / kUnitsPerMilli) {
        return std::nullopt;
    }
    return U64ToFileTime(kUnixEpoch - before * kUnitsPerMilli);
}

std::string ReadableDate(std::uint64_t millis) {
    if (millis > kLastReadableMillis) {
        return {};
    }
    using namespace std::chrono;
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const sys_time<milliseconds> time{milliseconds{static_cast<std::int64_t>(millis)}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{floor<seconds>(time - day)};
    // "1 Mar 2024 00:00:00", written piece by piece: this runs for every message.
    std::string text;
    AppendNumber(text, static_cast<unsigned>(date.day()));
    text += ' ';
    text += kMonths[static_cast<unsigned>(date.month()) - 1];
    text += ' ';
    AppendNumber(text, static_cast<std::uint64_t>(static_cast<int>(date.year())));
    const long parts[] = {clock.hours().count(), clock.minutes().count(),
                          static_cast<long>(clock.seconds().count())};
    char separator = ' ';
    for (const long part : parts) {
        text += separator;
        text += static_cast<char>('0' + part / 10);
        text += static_cast<char>('0' + part % 10);
        separator = ':';
    }
    return text;
}

} // namespace interchange
