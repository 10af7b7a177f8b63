#include "model/memory_record.h"

MemoryRecord::MemoryRecord(MessageFields fields, std::vector<Recipient> recipients)
    : fields_(std::move(fields)), recipients_(std::move(recipients)), hasFolder_(true) {}

const MessageFolder* MemoryRecord::folder() const {
    if (!hasFolder_) {
        return nullptr;
    }
    if (folders_.empty()) {
        const std::u16string& path = fields_.folderPath;
        for (std::size_t start = 0;;) {
            const std::size_t end = path.find(u'\\', start);
            const MessageFolder* parent = folders_.empty() ? nullptr : folders_.back().get();
            folders_.push_back(std::make_unique<MemoryFolder>(
                path.substr(start,
                            end == std::u16string::npos ? std::u16string::npos : end - start),
                parent));
            if (end == std::u16string::npos) {
                break;
            }
            start = end + 1;
        }
    }
    return folders_.back().get();
}

void MemoryRecord::setFolderPath(const std::u16string& path) {
    folders_.clear();
    fields_.folderPath = path;
    hasFolder_ = true;
}
