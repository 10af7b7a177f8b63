// The messages of one input of a merge or an archive, each with its digest, in file order. A
// JSON Lines file is cut into batches of lines that worker threads map and digest, one per core;
// any other file is read and digested on one thread of its own, beside the merge.
#pragma once

#include "interchange/read_ahead.h"
#include "model/memory_record.h"
#include "transfer/message_digest.h"

#include <memory>
#include <string>

// A message with its digest, worked out before the merging thread sees it: that thread then
// only looks it up and writes.
struct DigestedRecord {
    MemoryRecord record;
    MessageDigest digest{};
    bool digested = false; // false when the crypto library gives no SHA-256
};

class DigestedSource {
public:
    virtual ~DigestedSource() = default;

    const std::u16string& file() const { return file_; }

    // The next message (valid until the next call), the end, or a failure with its text, which
    // the caller rewords with ReadFailureText when FailureNeedsFile says so.
    [[nodiscard]] virtual ReadStep Next(DigestedRecord*& item, std::u16string& error) = 0;
    // The message that many places after the one Next gave last, when it is read already;
    // nullptr otherwise. Valid until the next call of Next.
    virtual const DigestedRecord* Peek(std::size_t ahead) const = 0;
    // Starts reading, for a source whose reading waits for the first Next: called while the
    // file before it is merged, so that no core idles between the two. A failure to open shows
    // at that Next.
    virtual void Prime() {}
    // After a failure: whether its text still has to say which file failed.
    [[nodiscard]] virtual bool FailureNeedsFile() const = 0;
    // Elements that held no message (an XML file's <mms>), and characters U+0000 left out of
    // texts, in what was read so far.
    virtual unsigned long Skipped() const = 0;
    virtual unsigned long LeftOut() const = 0;

protected:
    explicit DigestedSource(const std::u16string& file) : file_(file) {}

private:
    const std::u16string file_;
};

// The source that suits the file's content; nothing is read before the first Next.
std::unique_ptr<DigestedSource> OpenDigestedSource(const std::u16string& file);
