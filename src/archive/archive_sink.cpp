#include "archive/archive_sink.h"

namespace archive {

bool ArchiveSink::OpenForWrite(std::u16string path, HANDLE& /*handle*/, std::u16string& error) {
    builder_ = std::make_unique<ArchiveBuilder>();
    complete_ = false;
    stopped_ = false;
    counts_ = {};
    if (!builder_->Open(path, error)) {
        builder_.reset();
        return false;
    }
    return true;
}

bool ArchiveSink::WriteRecord(HANDLE /*handle*/, MessageRecord& message, std::u16string& error) {
    return builder_ != nullptr && builder_->Add(message, error);
}

bool ArchiveSink::WriteValidation(HANDLE /*handle*/, std::u16string& /*error*/) {
    complete_ = builder_ != nullptr;
    return complete_;
}

bool ArchiveSink::CloseAfterWrite(HANDLE /*handle*/, std::u16string& error) {
    if (builder_ == nullptr) {
        return true;
    }
    bool written = true;
    if (complete_) {
        const ArchiveBuilder::Outcome outcome = builder_->Finish(stop_, error);
        stopped_ = outcome == ArchiveBuilder::Outcome::Stopped;
        if (stopped_) {
            error = u"the archive was stopped before it was complete";
        }
        written = outcome == ArchiveBuilder::Outcome::Written;
    }
    counts_ = builder_->counts();
    builder_.reset(); // an unfinished site goes with it
    return written;
}

} // namespace archive
