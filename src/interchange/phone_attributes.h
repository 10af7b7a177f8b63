// What the phone XML's standard attributes mean for our messages: folder tokens and message
// types, FILETIMEs and Unix milliseconds, the read flag and the flags a message gets without ours.
#pragma once

#include "platform/wintypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace interchange {

inline constexpr DWORD kReadFlag = 0x1;   // read by the user
inline constexpr DWORD kUnsentFlag = 0x8; // not sent yet (drafts, outbox)
inline constexpr DWORD kFromMeFlag = 0x20;

// Message types of the phone XML.
inline constexpr int kTypeReceived = 1;
inline constexpr int kTypeSent = 2;
inline constexpr int kTypeDraft = 3;
inline constexpr int kTypeOutbox = 4;

// The type for a message of this folder path. Wastebox has no type of its own: a message with a
// sender number was received (1), any other was sent (2).
int TypeOfFolder(std::u16string_view folderPath, bool hasSenderNumber);
// The folder token for a type: 1 Inbox, 2 Sentedbox, 3 Draft, 4 to 6 Outbox; none for others.
[[nodiscard]] std::optional<std::u16string> FolderOfType(std::int64_t type);
// The flags of a message that the file gives only a type and a read mark for.
DWORD FlagsOfType(std::int64_t type, bool read);

// Milliseconds since 1970 for a FILETIME; 0 for times before 1970.
std::uint64_t UnixMillisOf(const FILETIME& time);
// The FILETIME of a count of milliseconds since 1970; none when it lies outside FILETIME.
[[nodiscard]] std::optional<FILETIME> FileTimeOfUnixMillis(std::int64_t millis);
// "1 Mar 2024 00:00:00" in UTC; empty after the year 9999.
std::string ReadableDate(std::uint64_t millis);

} // namespace interchange
