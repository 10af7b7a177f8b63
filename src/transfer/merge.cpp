#include "transfer/merge.h"

#include "files/file_access.h"
#include "files/message_prefix.h"
#include "files/unicode_backup_file.h"
#include "platform/unique_handle.h"
#include "transfer/backup_input.h"
#include "transfer/digest_set.h"
#include "transfer/digested_source.h"
#include "transfer/finish_writing.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

using Outcome = TransferOutcome;

// The output and what it holds so far.
struct Target {
    explicit Target(const StopCheck& check) : stop(check) {
        // The output takes its name only when complete, so a flush per record buys nothing.
        format.FlushEachRecord(false);
    }
    const StopCheck& stop;
    UnicodeBackupFile format;
    HANDLE handle = 0;
    DigestSet seen;
};

// Writes the one message if the output does not hold it yet.
Outcome TakeMessage(Target& target, DigestedRecord& item, MergeResult& result) {
    if (!item.digested) {
        result.error = kNoDigestText;
        return Outcome::OutputFailed;
    }
    if (!target.seen.Insert(item.digest)) {
        ++result.duplicates;
        return Outcome::Done;
    }
    if (result.written == std::numeric_limits<DWORD>::max()) {
        result.error = u"write total error, the files hold more messages than a backup can.";
        return Outcome::OutputFailed;
    }
    ++result.written;
    if (!target.format.WriteRecord(target.handle, item.record, result.error)) {
        result.error = MessagePrefix(result.written) + result.error;
        return Outcome::OutputFailed;
    }
    return Outcome::Done;
}

// Every message of one input that the output does not hold yet.
Outcome TakeFile(Target& target, DigestedSource& source, MergeResult& result) {
    // The table slot of a message a few places ahead is fetched while this one is handled: a
    // lookup in a table of millions of slots waits on memory otherwise.
    constexpr std::size_t kLookAhead = 8;
    for (;;) {
        DigestedRecord* item = nullptr;
        switch (source.Next(item, result.error)) {
        case ReadStep::End:
            result.skipped += source.Skipped();
            result.leftOut += source.LeftOut();
            return Outcome::Done;
        case ReadStep::Failed:
            if (source.FailureNeedsFile()) {
                result.error = ReadFailureText(source.file(), result.error);
            }
            return Outcome::InputFailed;
        case ReadStep::Record:
            break;
        }
        if (StopRequested(target.stop)) { // before the message in hand goes out
            return Outcome::Stopped;
        }
        if (const DigestedRecord* later = source.Peek(kLookAhead)) {
            target.seen.Prefetch(later->digest);
        }
        if (const Outcome taken = TakeMessage(target, *item, result); taken != Outcome::Done) {
            return taken;
        }
    }
}

Outcome TakeFiles(Target& target, const std::vector<std::u16string>& files, MergeResult& result) {
    if (!target.format.SkipValidationArea(target.handle, result.error) ||
        !target.format.WriteTotal(target.handle, 0, result.error)) {
        return Outcome::OutputFailed;
    }
    // Two files at a time: the one merged now and the next, already being read.
    std::unique_ptr<DigestedSource> sources[2];
    if (!files.empty()) {
        sources[0] = OpenDigestedSource(files[0]);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i + 1 < files.size()) {
            sources[(i + 1) % 2] = OpenDigestedSource(files[i + 1]);
        }
        DigestedSource& source = *sources[i % 2];
        // This file's workers start first; the next file's take the cores this one leaves.
        source.Prime();
        if (i + 1 < files.size()) {
            sources[(i + 1) % 2]->Prime();
        }
        if (const Outcome taken = TakeFile(target, source, result); taken != Outcome::Done) {
            if (taken == Outcome::InputFailed) {
                result.failedFile = source.file();
            }
            return taken;
        }
    }
    // The total is known only now: the header declares what the output holds.
    const bool declared = target.format.SkipValidationArea(target.handle, result.error) &&
                          target.format.WriteTotal(target.handle, result.written, result.error);
    return declared ? Outcome::Done : Outcome::OutputFailed;
}

// About how many different messages the files hold, from their sizes, so that the table of
// digests is sized once: a message takes some 230 to 430 bytes in each format, and files that
// are merged share some. Capped, so that a file of a few long messages cannot make it large;
// past the guess it grows.
std::size_t GuessMessages(const std::vector<std::u16string>& files) {
    constexpr std::uint64_t kBytesPerMessage = 384;
    constexpr std::uint64_t kMostGuessed = std::uint64_t{1} << 19;
    std::uint64_t bytes = 0;
    for (const std::u16string& file : files) {
        // A file that cannot be opened or measured here says why when it is read.
        const OwnedHandle handle(OpenForReading(file));
        if (!handle) {
            continue;
        }
        std::uint64_t size = 0;
        if (FileSize64(handle.get(), size)) {
            bytes += size;
        }
    }
    return static_cast<std::size_t>(std::min(bytes / kBytesPerMessage, kMostGuessed));
}

} // namespace

MergeResult MergeFiles(const std::vector<std::u16string>& files, const std::u16string& out,
                       const StopCheck& stop) {
    MergeResult result;
    Target target(stop);
    if (!target.format.OpenForWrite(out, target.handle, result.error)) {
        result.outcome = Outcome::OutputFailed;
        return result;
    }
    target.seen.Reserve(GuessMessages(files));
    result.outcome = TakeFiles(target, files, result);
    if (!FinishWriting(target.format, target.handle, result.outcome == Outcome::Done,
                       result.error) &&
        result.outcome == Outcome::Done) {
        result.outcome = Outcome::OutputFailed;
    }
    return result;
}
