// Pointing at salvage, which keeps what reads: after a phone XML or JSON Lines file's read
// error, and after a restore that failed at a damaged record.
#pragma once

#include <string>

// True when a read error says the file itself is damaged: a record or element that does not
// read, or a record of no message class.
[[nodiscard]] bool IsDamagedFileText(const std::u16string& error);

// Says on stderr that salvage keeps the messages of file that read, when error is a phone
// file's read error ("read xml error, ...", "read json error, ...") met before any record.
void SuggestSalvage(const std::u16string& error, const std::u16string& file);
