#include "platform/find.h"

#include "platform/calendar.h"
#include "platform/device.h"
#include "platform/errors.h"
#include "platform/handles.h"
#include "platform/utf.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace {

struct Found {
    std::u16string name;
    DWORD attributes;
    std::uint64_t size;
    FILETIME written;
};

class SearchObject final : public handles::Object {
public:
    explicit SearchObject(std::vector<Found> entries) : entries_(std::move(entries)) {}
    bool Close() override { return true; }
    const Found* Next() { return next_ < entries_.size() ? &entries_[next_++] : nullptr; }

private:
    std::vector<Found> entries_;
    std::size_t next_ = 0;
};

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool Match(std::u16string_view name, std::u16string_view pattern) {
    // Iterative wildcard match with one backtracking point for the last "*".
    std::size_t n = 0, p = 0, star = std::u16string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++n, ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            mark = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

FILETIME ToFileTime(const struct timespec& time) {
    const std::int64_t seconds = calendar::kUnixEpochSeconds + time.tv_sec;
    const std::uint64_t ticks = static_cast<std::uint64_t>(seconds * calendar::kTicksPerSecond) +
                                static_cast<std::uint64_t>(time.tv_nsec) / 100;
    return U64ToFileTime(ticks);
}

DWORD AttributesOf(const std::string& name, const struct stat& info) {
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
    if (!name.empty() && name.front() == '.') {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    if ((info.st_mode & 0222) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

bool Collect(const std::filesystem::path& folder, const std::u16string& pattern,
             std::vector<Found>& found) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
        return false;
    }
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        const std::u16string wide = utf::FromHostBytes(name);
        if (wide.size() >= MAX_PATH || !Match(wide, pattern)) {
            continue;
        }
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0) {
            continue;
        }
        found.push_back(Found{wide, AttributesOf(name, info),
                              static_cast<std::uint64_t>(info.st_size), ToFileTime(info.st_mtim)});
    }
    // The host lists in no particular order; the handset's file system keeps names sorted.
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.name < b.name; });
    return true;
}

void Fill(const Found& entry, WIN32_FIND_DATAW& data) {
    data = WIN32_FIND_DATAW{};
    data.dwFileAttributes = entry.attributes;
    data.ftLastWriteTime = entry.written;
    data.ftCreationTime = entry.written;
    data.ftLastAccessTime = entry.written;
    data.nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(entry.size & 0xFFFFFFFFu);
    std::copy(entry.name.begin(), entry.name.end(), data.cFileName);
    data.cFileName[entry.name.size()] = u'\0';
}

} // namespace

bool MatchesFilePattern(const std::u16string& name, const std::u16string& pattern) {
    return pattern == u"*.*" ? true : Match(name, pattern);
}

HANDLE FindFirstFileW(LPCWSTR fileName, WIN32_FIND_DATAW* findData) {
    if (fileName == nullptr || findData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::u16string path(fileName);
    const std::size_t slash = path.find_last_of(u"\\/");
    const std::u16string folder = slash == std::u16string::npos ? u"" : path.substr(0, slash + 1);
    std::u16string pattern = slash == std::u16string::npos ? path : path.substr(slash + 1);
    if (pattern == u"*.*") {
        pattern = u"*";
    }
    std::filesystem::path host;
    if (!device::ToHostPath(folder.empty() ? u"." : folder, host)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<Found> found;
    if (!Collect(host, pattern, found)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (found.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<SearchObject>(std::move(found));
    Fill(*search->Next(), *findData);
    return handles::Add(std::move(search));
}

BOOL FindNextFileW(HANDLE findFile, WIN32_FIND_DATAW* findData) {
    const auto search = handles::FindAs<SearchObject>(findFile);
    if (!search || findData == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const Found* entry = search->Next();
    if (entry == nullptr) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(*entry, *findData);
    return TRUE;
}

BOOL FindClose(HANDLE findFile) {
    if (!handles::FindAs<SearchObject>(findFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    handles::Remove(findFile);
    return TRUE;
}
