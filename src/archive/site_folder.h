// The folder an archive is written into: DIR.partial beside DIR, filled with files whose names
// the archive chooses, then renamed to DIR when complete. DIR must not exist or be empty;
// nothing is written outside DIR.partial until the rename.
#pragma once

#include "platform/unique_fd.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace archive {

// A call that fails sets error to the whole reason as the user reads it, naming the path at
// fault where there is one.
class SiteFolder {
public:
    SiteFolder() = default;
    // Removes DIR.partial unless Commit succeeded.
    ~SiteFolder();
    SiteFolder(const SiteFolder&) = delete;
    SiteFolder& operator=(const SiteFolder&) = delete;

    // Checks DIR and creates DIR.partial; false with a text that says what to do.
    [[nodiscard]] bool Create(const std::u16string& dir, std::u16string& error);
    // Writes a new file of that name (the archive's own) in the folder.
    [[nodiscard]] bool Write(std::string_view name, std::string_view bytes, std::u16string& error);
    // The same in parts, for a file too large to hold whole: Begin, then Put each part.
    [[nodiscard]] bool Begin(std::string_view name, UniqueFd& file, std::u16string& error);
    [[nodiscard]] bool Put(const UniqueFd& file, std::string_view name, std::string_view bytes,
                           std::u16string& error);
    // Makes the files durable and gives the folder its name.
    [[nodiscard]] bool Commit(std::u16string& error);

    // A scratch file inside the folder for records that do not stay in memory; removed by
    // Commit. Append returns the record's offset.
    [[nodiscard]] bool OpenSpill(std::u16string& error);
    [[nodiscard]] bool Append(std::string_view bytes, std::uint64_t& offset, std::u16string& error);
    [[nodiscard]] bool ReadBack(std::uint64_t offset, std::size_t size, std::string& bytes,
                                std::u16string& error);

private:
    std::u16string Failure(const std::filesystem::path& path, const char* what) const;

    std::filesystem::path dir_;
    std::filesystem::path partial_;
    bool created_ = false;
    bool committed_ = false;
    UniqueFd spill_;
    std::uint64_t spillSize_ = 0;
    std::string pending_; // spill bytes not yet written: one write per block, not per message
};

} // namespace archive
