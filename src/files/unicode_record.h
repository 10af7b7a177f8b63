// Reading one message record of the Unicode backup with bounded memory. A first pass walks the
// record without keeping it, to learn where it ends and how long each text is; a second pass
// reads it into values of exactly that size. A damaged record fails in the first pass, before
// anything is built, and no text or list grows by doubling while it is read.
#pragma once

#include "model/message_fields.h"
#include "model/recipient.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <vector>

namespace unicode_record {

// The largest record that is read back, in file bytes; a larger one fails with the platform's
// "not enough storage" error. Far above what the message store can hold in one message.
inline constexpr std::uint64_t kMaxRecordBytes = std::uint64_t{1} << 30;

// Reads the record at the file position and leaves the position at its end. False with the
// last error set when the record is incomplete, too large, or a call fails; fields and
// recipients are then unchanged.
[[nodiscard]] bool Read(HANDLE file, MessageFields& fields, std::vector<Recipient>& recipients);

} // namespace unicode_record
