#include "archive/site_folder.h"

#include "platform/utf.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {

namespace {

constexpr char kSpillName[] = ".records";
constexpr std::size_t kSpillBlock = std::size_t{1} << 20;

std::u16string Shown(const std::filesystem::path& path) {
    return utf::FromHostBytes(path.string());
}

std::u16string SystemText(int code) {
    return utf::Utf16(std::strerror(code));
}

// All of bytes, or false with errno set.
bool WriteAll(const UniqueFd& fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd.get(), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

SiteFolder::~SiteFolder() {
    spill_.reset();
    if (created_ && !committed_) {
        std::error_code ignored;
        std::filesystem::remove_all(partial_, ignored);
    }
}

std::u16string SiteFolder::Failure(const std::filesystem::path& path, const char* what) const {
    return Shown(path) + u": " + utf::Utf16(what) + u", " + SystemText(errno);
}

bool SiteFolder::Create(const std::u16string& dir, std::u16string& error) {
    std::string bytes;
    if (!utf::ToHostBytes(dir, bytes) || bytes.empty()) {
        error = u"the folder name cannot be used; choose another";
        return false;
    }
    while (bytes.size() > 1 && bytes.back() == '/') {
        bytes.pop_back();
    }
    dir_ = bytes;
    partial_ = bytes + ".partial";
    struct stat info {};
    if (::lstat(dir_.c_str(), &info) == 0) {
        std::error_code failed;
        if (!S_ISDIR(info.st_mode)) {
            error = Shown(dir_) + u" exists and is no folder; name a new or empty folder";
            return false;
        }
        if (!std::filesystem::is_empty(dir_, failed) || failed) {
            error = Shown(dir_) + u" is not empty; name a new or empty folder";
            return false;
        }
    } else if (errno != ENOENT) {
        error = Failure(dir_, "cannot look at the folder");
        return false;
    }
    if (::mkdir(partial_.c_str(), 0777) != 0) {
        error = errno == EEXIST ? Shown(partial_) + u" is left from an archive that did not "
                                                    u"finish; remove it and try again"
                                : Failure(partial_, "cannot create the folder");
        return false;
    }
    created_ = true;
    return true;
}

bool SiteFolder::Write(std::string_view name, std::string_view bytes, std::u16string& error) {
    UniqueFd file;
    return Begin(name, file, error) && Put(file, name, bytes, error);
}

bool SiteFolder::Begin(std::string_view name, UniqueFd& file, std::u16string& error) {
    const std::filesystem::path path = partial_ / name;
    file.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!file) {
        error = Failure(path, "cannot write the file");
    }
    return static_cast<bool>(file);
}

bool SiteFolder::Put(const UniqueFd& file, std::string_view name, std::string_view bytes,
                     std::u16string& error) {
    if (!WriteAll(file, bytes)) {
        error = Failure(partial_ / name, "cannot write the file");
        return false;
    }
    return true;
}

bool SiteFolder::OpenSpill(std::u16string& error) {
    const std::filesystem::path path = partial_ / kSpillName;
    spill_.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!spill_) {
        error = Failure(path, "cannot write the file");
        return false;
    }
    return true;
}

bool SiteFolder::Append(std::string_view bytes, std::uint64_t& offset, std::u16string& error) {
    offset = spillSize_;
    spillSize_ += bytes.size();
    pending_.append(bytes);
    if (pending_.size() >= kSpillBlock) {
        if (!WriteAll(spill_, pending_)) {
            error = Failure(partial_ / kSpillName, "cannot write the file");
            return false;
        }
        pending_.clear();
    }
    return true;
}

bool SiteFolder::ReadBack(std::uint64_t offset, std::size_t size, std::string& bytes,
                          std::u16string& error) {
    bytes.resize(size);
    const std::uint64_t written = spillSize_ - pending_.size();
    std::size_t done = 0;
    while (done < size && offset + done < written) {
        const ssize_t got = ::pread(spill_.get(), bytes.data() + done,
                                    std::min<std::uint64_t>(size - done, written - offset - done),
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error = Failure(partial_ / kSpillName, "cannot read the file back");
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    if (done < size) { // the rest is still in memory
        const std::uint64_t from = offset + done - written;
        pending_.copy(bytes.data() + done, size - done, static_cast<std::size_t>(from));
    }
    return true;
}

bool SiteFolder::Commit(std::u16string& error) {
    spill_.reset();
    pending_.clear();
    std::error_code failed;
    std::filesystem::remove(partial_ / kSpillName, failed);
    // Over an empty DIR, rename replaces it; over anything else it fails and DIR stays.
    if (::rename(partial_.c_str(), dir_.c_str()) != 0) {
        error = errno == ENOTEMPTY || errno == EEXIST
                    ? Shown(dir_) + u" is no longer empty; name a new or empty folder"
                    : Failure(dir_, "cannot give the folder its name");
        return false;
    }
    committed_ = true;
    return true;
}

} // namespace archive
