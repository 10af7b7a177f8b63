// Which messages are the same message, for merging files: the same folder path, delivery time
// and body, and the same other party (the sender number of a received message, otherwise the
// recipients' numbers in record order). Each message is held as a fixed-size digest of those
// parts, so that telling duplicates apart takes memory per message, not per text.
#pragma once

#include "model/message_record.h"

#include <array>
#include <cstdint>
#include <string>

// The first 16 bytes of SHA-256: collisions stay out of reach even for a file made to cause them.
using MessageDigest = std::array<std::uint8_t, 16>;

// Why messages cannot be digested, for every command that leaves out duplicates.
inline constexpr char16_t kNoDigestText[] =
    u"cannot tell duplicates apart: the crypto library gives no SHA-256.";

class MessageDigester {
public:
    // False when the crypto library fails to digest.
    [[nodiscard]] bool Digest(MessageRecord& message, MessageDigest& digest);

private:
    std::string parts_; // the serialized parts, kept to save an allocation per message
};
