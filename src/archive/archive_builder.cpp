#include "archive/archive_builder.h"

#include "archive/site_pages.h"
#include "platform/time.h"
#include "platform/time_zone.h"

#include <array>
#include <cstdio>

namespace archive {

namespace {

// Now, in local time as the pages show times.
std::string MadeText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%04u-%02u-%02u %02u:%02u", unsigned{now.wYear},
                  unsigned{now.wMonth}, unsigned{now.wDay}, unsigned{now.wHour},
                  unsigned{now.wMinute});
    return text.data();
}

} // namespace

bool ArchiveBuilder::Open(const std::u16string& dir, std::u16string& error) {
    return folder_.Create(dir, error) && folder_.OpenSpill(error);
}

bool ArchiveBuilder::Add(MessageRecord& message, std::u16string& error) {
    MessageDigest digest;
    if (!digester_.Digest(message, digest)) {
        error = kNoDigestText;
        return false;
    }
    return Add(message, digest, error);
}

bool ArchiveBuilder::Add(MessageRecord& message, const MessageDigest& digest,
                         std::u16string& error) {
    if (!seen_.Insert(digest)) {
        ++counts_.duplicates;
        return true;
    }
    if (!collection_.Add(message, error)) {
        return false;
    }
    ++counts_.messages;
    return true;
}

ArchiveBuilder::Outcome ArchiveBuilder::Finish(const StopCheck& stop, std::u16string& error) {
    collection_.Arrange();
    counts_.conversations = collection_.conversations().size();
    SiteFacts facts;
    facts.zone = LocalZoneText();
    facts.made = MadeText();
    switch (WritePages(collection_, folder_, facts, stop, counts_.pages, error)) {
    case WriteOutcome::Written:
        return folder_.Commit(error) ? Outcome::Written : Outcome::Failed;
    case WriteOutcome::Stopped:
        return Outcome::Stopped;
    case WriteOutcome::Failed:
        break;
    }
    return Outcome::Failed;
}

} // namespace archive
