// An archive in the making: messages are added one at a time (exact duplicates left out, as
// merge leaves them out), then the site is written into DIR.partial and renamed to DIR.
#pragma once

#include "archive/collection.h"
#include "archive/site_folder.h"
#include "transfer/digest_set.h"
#include "transfer/message_digest.h"
#include "transfer/stop_check.h"

#include <string>

namespace archive {

struct ArchiveCounts {
    unsigned long long messages = 0;   // in the archive
    unsigned long long duplicates = 0; // left out as copies of earlier ones
    std::size_t conversations = 0;
    std::size_t pages = 0; // conversation pages
};

// A call that fails sets error to the whole reason as the user reads it, naming the file or
// folder where one is at fault.
class ArchiveBuilder {
public:
    ArchiveBuilder() : collection_(folder_) {}

    // Checks DIR (it must not exist or be empty) and creates DIR.partial.
    [[nodiscard]] bool Open(const std::u16string& dir, std::u16string& error);
    [[nodiscard]] bool Add(MessageRecord& message, std::u16string& error);
    // The same for a message whose digest was worked out already.
    [[nodiscard]] bool Add(MessageRecord& message, const MessageDigest& digest,
                           std::u16string& error);

    enum class Outcome { Written, Failed, Stopped };
    // Writes the site and gives it its name. On any other outcome nothing stays; a stop leaves
    // error as it was.
    Outcome Finish(const StopCheck& stop, std::u16string& error);

    const ArchiveCounts& counts() const { return counts_; }

private:
    SiteFolder folder_;
    Collection collection_;
    MessageDigester digester_;
    DigestSet seen_;
    ArchiveCounts counts_;
};

} // namespace archive
