#include "archive/archive.h"

#include "interchange/read_ahead.h"
#include "transfer/backup_input.h"
#include "transfer/convert_input.h"

namespace {

using Outcome = ArchiveResult::Outcome;

// Every message of one input, read on a second thread while the last one is filed.
Outcome TakeFile(archive::ArchiveBuilder& builder, const std::u16string& file,
                 const StopCheck& stop, ArchiveResult& result) {
    ConvertInput input(file);
    if (!input.Open(file, result.error)) {
        result.error = ReadFailureText(file, result.error);
        return Outcome::InputFailed;
    }
    ReadAhead<MemoryRecord> ahead(
        [&input](DWORD number, MemoryRecord& record, std::u16string& error) {
            return input.Next(number, record, error);
        },
        &RecordWeight);
    for (;;) {
        MemoryRecord* record = nullptr;
        switch (ahead.Next(record, result.error)) {
        case ReadStep::End:
            result.skipped += input.Skipped();
            result.leftOut += input.LeftOut();
            return Outcome::Written;
        case ReadStep::Failed:
            if (input.OnePass()) {
                result.error = ReadFailureText(file, result.error);
            }
            return Outcome::InputFailed;
        case ReadStep::Record:
            break;
        }
        if (StopRequested(stop)) {
            return Outcome::Stopped;
        }
        if (!builder.Add(*record, result.error)) {
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
        if (result.outcome != Outcome::Written) {
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
