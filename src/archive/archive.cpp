#include "archive/archive.h"

#include "transfer/backup_input.h"
#include "transfer/digested_source.h"

namespace {

using Outcome = TransferOutcome;

// Every message of one input, read and digested beside the filing as merge reads it.
Outcome TakeFile(archive::ArchiveBuilder& builder, const std::u16string& file,
                 const StopCheck& stop, ArchiveResult& result) {
    const std::unique_ptr<DigestedSource> source = OpenDigestedSource(file);
    for (;;) {
        DigestedRecord* item = nullptr;
        switch (source->Next(item, result.error)) {
        case ReadStep::End:
            result.skipped += source->Skipped();
            result.leftOut += source->LeftOut();
            return Outcome::Done;
        case ReadStep::Failed:
            if (source->FailureNeedsFile()) {
                result.error = ReadFailureText(file, result.error);
            }
            return Outcome::InputFailed;
        case ReadStep::Record:
            break;
        }
        if (StopRequested(stop)) {
            return Outcome::Stopped;
        }
        if (!item->digested) {
            result.error = kNoDigestText;
            return Outcome::OutputFailed;
        }
        if (!builder.Add(item->record, item->digest, result.error)) {
            return Outcome::OutputFailed;
        }
    }
}

} // namespace

ArchiveResult ArchiveFiles(const std::vector<std::u16string>& files, const std::u16string& dir,
                           const StopCheck& stop) {
    ArchiveResult result;
    archive::ArchiveBuilder builder;
    if (!builder.Open(dir, result.error)) {
        result.outcome = Outcome::OutputFailed;
        return result;
    }
    for (const std::u16string& file : files) {
        result.outcome = TakeFile(builder, file, stop, result);
        if (result.outcome != Outcome::Done) {
            if (result.outcome == Outcome::InputFailed) {
                result.failedFile = file;
            }
            result.counts = builder.counts();
            return result;
        }
    }
    switch (builder.Finish(stop, result.error)) {
    case archive::ArchiveBuilder::Outcome::Written:
        break;
    case archive::ArchiveBuilder::Outcome::Stopped:
        result.outcome = Outcome::Stopped;
        break;
    case archive::ArchiveBuilder::Outcome::Failed:
        result.outcome = Outcome::OutputFailed;
        break;
    }
    result.counts = builder.counts();
    return result;
}
