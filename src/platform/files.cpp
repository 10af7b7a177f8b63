#include "platform/files.h"

#include "platform/device.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/file_object.h"
#include "platform/host_locks.h"

#include <cerrno>
#include <fcntl.h>
#include <list>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

using files::FileObject;

namespace {

// Every open file, for the share-mode check that Windows makes on each open.
struct OpenFiles {
    std::mutex mutex;
    std::list<std::weak_ptr<FileObject>> files;
};

OpenFiles& openFiles() {
    static OpenFiles o;
    return o;
}

bool Conflicts(const FileObject& open, DWORD access, DWORD share) {
    const bool theyRead = (open.access() & GENERIC_READ) != 0;
    const bool theyWrite = (open.access() & GENERIC_WRITE) != 0;
    const bool weRead = (access & GENERIC_READ) != 0;
    const bool weWrite = (access & GENERIC_WRITE) != 0;
    return (theyRead && (share & FILE_SHARE_READ) == 0) ||
           (theyWrite && (share & FILE_SHARE_WRITE) == 0) ||
           (weRead && (open.share() & FILE_SHARE_READ) == 0) ||
           (weWrite && (open.share() & FILE_SHARE_WRITE) == 0);
}

// True when the file may be opened with this access and share mode beside the open handles.
bool SharingAllows(const struct stat& info, DWORD access, DWORD share) {
    OpenFiles& o = openFiles();
    const std::lock_guard lock(o.mutex);
    for (auto it = o.files.begin(); it != o.files.end();) {
        const std::shared_ptr<FileObject> file = it->lock();
        if (!file) {
            it = o.files.erase(it);
            continue;
        }
        if (file->isOpen() && file->Covers(info.st_dev, info.st_ino) &&
            Conflicts(*file, access, share)) {
            return false;
        }
        ++it;
    }
    return true;
}

void Remember(const std::shared_ptr<FileObject>& file) {
    OpenFiles& o = openFiles();
    const std::lock_guard lock(o.mutex);
    o.files.push_back(file);
}

int OpenFlags(DWORD access, DWORD disposition, bool& valid) {
    valid = true;
    int flags = O_CLOEXEC;
    const bool read = (access & GENERIC_READ) != 0;
    const bool write = (access & GENERIC_WRITE) != 0;
    flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case OPEN_EXISTING:
    case TRUNCATE_EXISTING:
        break;
    default:
        valid = false;
        break;
    }
    return flags;
}

// A missing file whose folder is missing too is a path error, as on the handset.
void SetOpenError(int error, const std::filesystem::path& host) {
    if (error == ENOENT && host.has_parent_path()) {
        std::error_code ignored;
        if (!std::filesystem::is_directory(host.parent_path(), ignored)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return;
        }
    }
    files::SetLastErrorFromErrno(error);
}

// The formats read strings one unit per call, so the lookup of the last handle used on this
// thread is cached. Removing any handle changes the generation, which empties every cache
// before the object can go; a handle is used by one thread at a time, so the pointer cannot
// go stale between the check and the use.
struct LookupCache {
    HANDLE handle = 0;
    std::uint64_t generation = 0;
    FileObject* object = nullptr;
};

thread_local LookupCache lookupCache;

FileObject* FindFile(HANDLE file) {
    const std::uint64_t generation = handles::Generation();
    LookupCache& cache = lookupCache;
    if (cache.object != nullptr && cache.handle == file && cache.generation == generation) {
        return cache.object;
    }
    const auto object = handles::FindAs<FileObject>(file);
    cache = LookupCache{file, generation, nullptr};
    if (!object || !object->isOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The handle table keeps the object alive until the handle is removed.
    cache.object = object.get();
    return cache.object;
}

} // namespace

namespace {

bool HostPathOf(LPCWSTR fileName, std::filesystem::path& host) {
    if (fileName == nullptr || *fileName == u'\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (!device::ToHostPath(fileName, host)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return true;
}

std::filesystem::path FolderOf(const std::filesystem::path& host) {
    return host.has_parent_path() ? host.parent_path() : std::filesystem::path(".");
}

// A refused open; the descriptors it made close as their owners go.
HANDLE Refuse(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

HANDLE RefuseErrno(int error) {
    files::SetLastErrorFromErrno(error);
    return INVALID_HANDLE_VALUE;
}

// The share mode holds against this process's handles and, through a lock, other processes'.
// False with the last error set: ERROR_SHARING_VIOLATION when another handle or process holds
// the file, the system's reason when its lock could not be tried.
bool ShareModeAllows(const UniqueFd& fd, const struct stat& info, DWORD access, DWORD share) {
    if (!SharingAllows(info, access, share)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    const LockAttempt lock = host_locks::LockForShareMode(fd, access, share);
    // A file system without flock cannot share files between processes; the handles of this
    // process are still checked against each other.
    return lock.state == LockState::Taken || (lock.state == LockState::NotTried &&
                                              (lock.error == ENOLCK || lock.error == EOPNOTSUPP));
}

HANDLE OpenHost(const std::filesystem::path& host, DWORD access, DWORD share, DWORD disposition) {
    bool valid = false;
    const int flags = OpenFlags(access, disposition, valid);
    if (!valid) {
        return Refuse(ERROR_INVALID_PARAMETER);
    }
    struct stat info {};
    const bool existed = ::stat(host.c_str(), &info) == 0;
    if (existed && host_locks::IsSystemFile(info)) {
        return Refuse(ERROR_SHARING_VIOLATION);
    }
    UniqueFd fd(::open(host.c_str(), flags, 0666));
    if (!fd) {
        const int error = errno;
        SetOpenError(error, host);
        return INVALID_HANDLE_VALUE;
    }
    if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return RefuseErrno(S_ISDIR(info.st_mode) ? EISDIR : errno);
    }
    if (!ShareModeAllows(fd, info, access, share)) {
        return INVALID_HANDLE_VALUE;
    }
    const bool truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (truncate && ::ftruncate(fd.get(), 0) != 0) {
        return RefuseErrno(errno);
    }
    const bool created = !existed && (flags & O_CREAT) != 0;
    auto object = std::make_shared<FileObject>(std::move(fd), access, share, info.st_dev,
                                               info.st_ino, created, FolderOf(host));
    Remember(object);
    SetLastError(ERROR_SUCCESS);
    return handles::Add(std::move(object));
}

} // namespace

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, void* /*security*/,
                   DWORD creationDisposition, DWORD /*flagsAndAttributes*/,
                   HANDLE /*templateFile*/) {
    if (faults::ShouldFailFile(faults::FileOp::Create)) {
        return INVALID_HANDLE_VALUE;
    }
    std::filesystem::path host;
    if (!HostPathOf(fileName, host)) {
        return INVALID_HANDLE_VALUE;
    }
    return OpenHost(host, desiredAccess, shareMode, creationDisposition);
}

namespace {

// Opens an existing target for writing, which checks its permissions, and takes its share mode
// for the time that its replacement is written; empty with the last error set when refused.
UniqueFd GuardTarget(const std::filesystem::path& host, DWORD share, struct stat& target) {
    UniqueFd guard(::open(host.c_str(), O_WRONLY | O_CLOEXEC));
    if (!guard || ::fstat(guard.get(), &target) != 0) {
        const int error = errno;
        SetOpenError(error, host);
        return {};
    }
    if (!ShareModeAllows(guard, target, GENERIC_WRITE, share)) {
        return {};
    }
    return guard;
}

// The new file beside the target; a link planted at its name is not followed. A refusal
// closes the target's guard with the replacement.
HANDLE CreateBeside(files::Replacement replacement, DWORD share, const struct stat* target) {
    UniqueFd fd(
        ::open(replacement.partial.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd) {
        const int error = errno;
        SetOpenError(error, replacement.partial);
        return INVALID_HANDLE_VALUE;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return RefuseErrno(errno);
    }
    if (!ShareModeAllows(fd, info, GENERIC_WRITE, share)) {
        return INVALID_HANDLE_VALUE;
    }
    if (::ftruncate(fd.get(), 0) != 0 ||
        (target != nullptr && ::fchmod(fd.get(), target->st_mode & 07777) != 0)) {
        return RefuseErrno(errno);
    }
    const std::filesystem::path folder = FolderOf(replacement.target);
    auto object = std::make_shared<FileObject>(std::move(fd), GENERIC_WRITE, share, info.st_dev,
                                               info.st_ino, true, folder, std::move(replacement));
    Remember(object);
    SetLastError(ERROR_SUCCESS);
    return handles::Add(std::move(object));
}

} // namespace

HANDLE CreateReplacingFileW(LPCWSTR fileName, DWORD shareMode) {
    if (faults::ShouldFailFile(faults::FileOp::Create)) {
        return INVALID_HANDLE_VALUE;
    }
    std::filesystem::path host;
    if (!HostPathOf(fileName, host)) {
        return INVALID_HANDLE_VALUE;
    }
    std::error_code ignored;
    if (std::filesystem::is_symlink(host, ignored)) {
        host = std::filesystem::weakly_canonical(host, ignored); // replace the file, keep the link
    }
    struct stat target {};
    const bool exists = ::stat(host.c_str(), &target) == 0;
    if (exists && !S_ISREG(target.st_mode)) {
        return OpenHost(host, GENERIC_WRITE, shareMode, CREATE_ALWAYS); // a device or folder
    }
    if (exists && host_locks::IsSystemFile(target)) {
        return Refuse(ERROR_SHARING_VIOLATION);
    }
    files::Replacement replacement{host, files::PartialPathFor(host), {}, 0, 0};
    if (exists) {
        replacement.guard = GuardTarget(host, shareMode, target);
        if (!replacement.guard) {
            return INVALID_HANDLE_VALUE;
        }
        replacement.guardDevice = target.st_dev;
        replacement.guardInode = target.st_ino;
    }
    return CreateBeside(std::move(replacement), shareMode, exists ? &target : nullptr);
}

BOOL MarkFileComplete(HANDLE file) {
    FileObject* const object = FindFile(file);
    if (!object) {
        return FALSE;
    }
    object->MarkComplete();
    return TRUE;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* /*overlapped*/) {
    if (read != nullptr) {
        *read = 0;
    }
    if (faults::ShouldFailFile(faults::FileOp::Read)) {
        return FALSE;
    }
    FileObject* const object = FindFile(file);
    if (!object) {
        return FALSE;
    }
    if (buffer == nullptr && toRead > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD count = 0;
    const bool ok =
        object->Read(buffer, faults::TransferLimit(faults::FileOp::Read, toRead), count);
    if (read != nullptr) {
        *read = count;
    }
    return ok ? TRUE : FALSE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
               void* /*overlapped*/) {
    if (written != nullptr) {
        *written = 0;
    }
    if (faults::ShouldFailFile(faults::FileOp::Write)) {
        return FALSE;
    }
    FileObject* const object = FindFile(file);
    if (!object) {
        return FALSE;
    }
    if (buffer == nullptr && toWrite > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD count = 0;
    const bool ok =
        object->Write(buffer, faults::TransferLimit(faults::FileOp::Write, toWrite), count);
    if (written != nullptr) {
        *written = count;
    }
    return ok ? TRUE : FALSE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
    if (faults::ShouldFailFile(faults::FileOp::Seek)) {
        return INVALID_SET_FILE_POINTER;
    }
    FileObject* const object = FindFile(file);
    if (!object) {
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit value, as on the handset.
    std::int64_t move = distance;
    if (distanceHigh != nullptr) {
        move = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
            static_cast<std::uint32_t>(distance));
    }
    std::uint64_t position = 0;
    if (!object->Seek(move, moveMethod, position)) {
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(position >> 32);
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
    if (faults::ShouldFailFile(faults::FileOp::Size)) {
        return INVALID_FILE_SIZE;
    }
    FileObject* const object = FindFile(file);
    if (!object) {
        return INVALID_FILE_SIZE;
    }
    std::uint64_t size = 0;
    if (!object->Size(size)) {
        return INVALID_FILE_SIZE;
    }
    if (sizeHigh != nullptr) {
        *sizeHigh = static_cast<DWORD>(size >> 32);
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL FlushFileBuffers(HANDLE file) {
    if (faults::ShouldFailFile(faults::FileOp::Flush)) {
        // A flush that fails has lost the bytes it was to hand over, as a real one has: the
        // file must not take its target's place at the close.
        const DWORD error = GetLastError();
        if (FileObject* const object = FindFile(file)) {
            object->LoseWrites(error);
        }
        SetLastError(error);
        return FALSE;
    }
    FileObject* const object = FindFile(file);
    if (!object) {
        return FALSE;
    }
    return object->Flush() ? TRUE : FALSE;
}

BOOL CloseHandle(HANDLE object) {
    if (faults::ShouldFailFile(faults::FileOp::Close)) {
        // A failed close still gives the handle back, as the kernel does; a file that was
        // to replace another does not.
        if (auto removed = handles::Remove(object)) {
            if (auto* file = dynamic_cast<FileObject*>(removed.get())) {
                file->Abandon();
            } else {
                static_cast<void>(removed->Close()); // this close is failing anyway
            }
        }
        return FALSE;
    }
    const auto removed = handles::Remove(object);
    if (!removed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return removed->Close() ? TRUE : FALSE;
}

int OpenFileHandleCount() {
    return FileObject::OpenCount();
}
