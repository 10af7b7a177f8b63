#include "platform/device.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/file_lock.h"
#include "platform/file_object.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/host_locks.h"
#include "platform/registry.h"
#include "platform/unique_fd.h"
#include "platform/unique_handle.h"
#include "platform/utf.h"
#include "support/other_user.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace {

// Opens to read by default.
HANDLE Open(const std::u16string& path, DWORD access = GENERIC_READ, DWORD share = FILE_SHARE_READ,
            DWORD disposition = OPEN_EXISTING) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, 0);
}

void Write(HANDLE h, const std::string& bytes) {
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    EXPECT_EQ(written, bytes.size());
}

std::string Read(HANDLE h, DWORD count) {
    std::string buffer(count, '\0');
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(h, buffer.data(), count, &read, nullptr));
    buffer.resize(read);
    return buffer;
}

TEST(PlatformFiles, BufferedTransfersKeepPositionSizeAndContentExact) {
    TempDir dir;
    const HANDLE h = Open(dir.file("a.bin"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes.push_back(static_cast<char>(i % 251));
        Write(h, bytes.substr(bytes.size() - 1));
    }
    // The size and the position account for bytes still held in the write buffer.
    EXPECT_EQ(GetFileSize(h, nullptr), 200000u);
    EXPECT_EQ(SetFilePointer(h, 1, nullptr, FILE_BEGIN), 1u);
    Write(h, "XY");
    EXPECT_EQ(SetFilePointer(h, 199998, nullptr, FILE_BEGIN), 199998u);
    Write(h, "END!");
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 200002u);
    ASSERT_TRUE(CloseHandle(h));
    bytes = bytes.substr(0, 1) + "XY" + bytes.substr(3, 199995) + "END!";

    const HANDLE r = Open(dir.file("a.bin"));
    std::string back;
    for (std::string c; !(c = Read(r, 1)).empty();) {
        back += c;
        if (back.size() == 70000) { // positioning mixed with buffered reads stays exact
            EXPECT_EQ(SetFilePointer(r, 0, nullptr, FILE_CURRENT), 70000u);
        }
    }
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    EXPECT_EQ(SetFilePointer(r, 10, nullptr, FILE_BEGIN), 10u);
    EXPECT_EQ(Read(r, 3), bytes.substr(10, 3));
    EXPECT_TRUE(CloseHandle(r));
}

// The error of a refused call, taken at once; ERROR_SUCCESS for a call that went through (and
// a handle it gave is closed).
DWORD Refusal(bool refused) {
    return refused ? GetLastError() : ERROR_SUCCESS;
}
DWORD OpenRefusal(HANDLE h) {
    return h == INVALID_HANDLE_VALUE ? GetLastError() : Refusal(!CloseHandle(h));
}

TEST(PlatformFiles, ShareModesHoldBetweenHandlesAndProcesses) {
    TempDir dir;
    const std::u16string path = dir.file("s.bin");
    const HANDLE writer = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ERROR_SHARING_VIOLATION, OpenRefusal(Open(path)));
    Write(writer, "data");
    ASSERT_TRUE(CloseHandle(writer));

    const HANDLE reader = Open(path);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ERROR_SHARING_VIOLATION, OpenRefusal(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS)));
    // Share modes must hold across processes.
    EXPECT_EQ(ExitStatus(InChild([&path] {
                  return OpenRefusal(Open(path)) == ERROR_SUCCESS && // another reader is welcome
                         ERROR_SHARING_VIOLATION ==
                             OpenRefusal(CreateReplacingFileW(path.c_str(), 0)) &&
                         ERROR_SHARING_VIOLATION ==
                             OpenRefusal(Open(path, GENERIC_WRITE, 0, OPEN_EXISTING));
              })),
              0);
    EXPECT_EQ(Read(reader, 10), "data"); // the refused creates truncated nothing
    ASSERT_TRUE(CloseHandle(reader));
    EXPECT_EQ(ExitStatus(InChild([&path] {
                  const HANDLE h = CreateReplacingFileW(path.c_str(), 0);
                  return h != INVALID_HANDLE_VALUE && MarkFileComplete(h) && CloseHandle(h);
              })),
              0);
    EXPECT_EQ(ReadHostFile(dir.path() / "s.bin"), ""); // replaced once nobody held it
}

// A share-mode lock says which of three things it met, with the last error to match: taken
// beside another reader, held by an open file whose mode conflicts, or not tried at all (here a
// descriptor that is not open), which must not read as a busy file.
TEST(HostLocks, ALockTrySaysTakenHeldByAnotherOrNotTried) {
    TempDir dir;
    const std::filesystem::path path = dir.path() / "l.bin";
    WriteHostFile(path, "x");
    const auto open = [&path] { return UniqueFd(::open(path.c_str(), O_RDWR | O_CLOEXEC)); };
    const UniqueFd reader = open();
    ASSERT_EQ(host_locks::LockForShareMode(reader, GENERIC_READ, FILE_SHARE_READ).state,
              LockState::Taken);
    struct Case {
        const char* name;
        UniqueFd fd;
        DWORD access;
        DWORD share;
        LockState state;
        int error;
        DWORD lastError; // ERROR_HANDLE_EOF: left as it was
    };
    Case cases[] = {
        {"another reader", open(), GENERIC_READ, FILE_SHARE_READ, LockState::Taken, 0,
         ERROR_HANDLE_EOF},
        {"a writer", open(), GENERIC_WRITE, FILE_SHARE_READ, LockState::HeldByAnother, 0,
         ERROR_SHARING_VIOLATION},
        {"a reader that shares nothing", open(), GENERIC_READ, 0, LockState::HeldByAnother, 0,
         ERROR_SHARING_VIOLATION},
        {"no descriptor", UniqueFd(), GENERIC_READ, FILE_SHARE_READ, LockState::NotTried, EBADF,
         ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(ERROR_HANDLE_EOF);
        const LockAttempt lock = host_locks::LockForShareMode(c.fd, c.access, c.share);
        EXPECT_EQ(std::make_tuple(lock.state, lock.error, GetLastError()),
                  std::make_tuple(c.state, c.error, c.lastError));
    }
}

// Any name that fits the folder can be replaced: a name too long for ".partial" after it is
// written under a shortened one, the same each time, which a killed run's leftover then takes.
// A disk that fills after k bytes, whichever call hands them over (a write past the buffer, a
// flush, the close): the replacement fails, the earlier file stays byte for byte and no partial
// file remains, also when the caller goes on writing and marks the file complete.
TEST(PlatformFiles, AReplacementTakesTheNameWholeOrNotAtAll) {
    TempDir dir;
    for (const std::size_t length : {10u, 247u, 248u, 255u}) {
        SCOPED_TRACE(length);
        const std::string name = std::string(length - 5, 'n') + ".usms";
        const std::filesystem::path partial = files::PartialPathFor(dir.path() / name);
        EXPECT_LE(partial.filename().string().size(), 255u);
        EXPECT_EQ(partial.parent_path(), dir.path());
        EXPECT_EQ(partial, files::PartialPathFor(dir.path() / name));
        WriteHostFile(partial, "left by a killed run, longer than the new file");
        const std::u16string path = utf::Utf16((dir.path() / name).string());
        HANDLE h = CreateReplacingFileW(path.c_str(), 0);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
        Write(h, "new");
        EXPECT_TRUE(MarkFileComplete(h) && CloseHandle(h));
        EXPECT_EQ(ReadHostFile(dir.path() / name), "new");
        EXPECT_FALSE(std::filesystem::exists(partial));
    }
    // Two long names that share their start get different partial names.
    const std::string start(250, 'x');
    EXPECT_NE(files::PartialPathFor(dir.path() / (start + "a")),
              files::PartialPathFor(dir.path() / (start + "b")));
    const std::string earlier(6972, 'e');
    enum class Then { Close, Flush, WriteMore }; // before the close
    using enum Then;
    // The bytes written (more than a megabyte do not fit the write buffer), the room, and then.
    // With room for every byte the same writes replace the file.
    constexpr std::size_t kLarge = 2'500'000;
    constexpr std::uint64_t kBuffer = std::uint64_t{1} << 20;
    const std::tuple<std::size_t, std::uint64_t, Then> cases[] = {{8000, 0, Close},
                                                                  {8000, 1, Close},
                                                                  {8000, 7999, Close},
                                                                  {8000, 4096, Flush},
                                                                  {kLarge, 100, WriteMore},
                                                                  {kLarge, 0, Close},
                                                                  {kLarge, kBuffer - 1, Close},
                                                                  {kLarge, kBuffer, WriteMore},
                                                                  {kLarge, kLarge - 1, Flush},
                                                                  {8000, 8000, Close}};
    for (const auto& [size, room, then] : cases) {
        SCOPED_TRACE(std::to_string(size) + " bytes, room " + std::to_string(room));
        const std::string bytes(size, 'n');
        WriteHostFile(dir.path() / "out.txt", earlier);
        const faults::FileFaultGuard disarm;
        faults::ArmDiskFull(room);
        HANDLE h = CreateReplacingFileW(dir.file("out.txt").c_str(), 0);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        // One call per 1000 bytes, as the exports write; a refused call is not retried. Later
        // writes of a small file stay in the buffer, so the full disk shows at the flush or close.
        for (std::size_t at = 0; at < size; at += 1000) {
            const std::string piece = bytes.substr(at, 1000);
            // Any of these may fail on the full disk: what counts is what the name shows.
            static_cast<void>(
                WriteFile(h, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr));
        }
        if (then == Flush) {
            EXPECT_FALSE(FlushFileBuffers(h));
        }
        if (then == WriteMore) {
            faults::DisarmFileFaults(); // room again: later writes succeed
            Write(h, "tail");
        }
        EXPECT_TRUE(MarkFileComplete(h));
        const bool fits = room >= size;
        EXPECT_EQ(Refusal(!CloseHandle(h)), fits ? ERROR_SUCCESS : ERROR_DISK_FULL);
        EXPECT_TRUE(ReadHostFile(dir.path() / "out.txt") == (fits ? bytes : earlier));
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.txt.partial"));
    }
}

// Flushing hands bytes to the system; the one sync of a file's data comes with its close, and a
// new name in a folder costs one more.
TEST(PlatformFiles, DataIsSyncedOnceWhenAWrittenFileCloses) {
    TempDir dir;
    WriteHostFile(dir.path() / "x", "x");
    const std::tuple<DWORD, DWORD, bool, int> cases[] = {
        // access, disposition, writes, syncs
        {GENERIC_WRITE, CREATE_NEW, true, 2},    {GENERIC_WRITE, CREATE_NEW, false, 2},
        {GENERIC_WRITE, OPEN_EXISTING, true, 1}, {GENERIC_WRITE, OPEN_EXISTING, false, 0},
        {GENERIC_READ, OPEN_EXISTING, false, 0},
    };
    int n = 0;
    for (const auto& [access, disposition, write, syncs] : cases) {
        faults::ResetFileCounts();
        const HANDLE h =
            Open(dir.file(disposition == CREATE_NEW ? "new" + std::to_string(++n) : "x"), access,
                 FILE_SHARE_READ, disposition);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        for (int i = 0; write && i < 100; ++i) {
            Write(h, "record");
            ASSERT_TRUE(FlushFileBuffers(h));
        }
        EXPECT_EQ(faults::FileCallCount(faults::FileOp::Sync), 0);
        ASSERT_TRUE(CloseHandle(h));
        EXPECT_EQ(faults::FileCallCount(faults::FileOp::Sync), syncs) << n;
    }
}

// The handset's databases belong to the system: no handle reaches them, by any path.
TEST(PlatformFiles, RefusedCallsSetTheirErrors) {
    TempDevice device;
    for (const char* name : {"mail.db", "mail.db-wal", "registry.db"}) {
        WriteHostFile(device.path() / name, "store");
        for (const std::u16string& path :
             {u"\\" + utf::Utf16(name), utf::Utf16((device.path() / name).string())}) {
            EXPECT_EQ(ERROR_SHARING_VIOLATION, OpenRefusal(CreateReplacingFileW(path.c_str(), 0)));
            EXPECT_EQ(ERROR_SHARING_VIOLATION,
                      OpenRefusal(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS)));
            EXPECT_EQ(ERROR_SHARING_VIOLATION, OpenRefusal(Open(path)));
        }
        EXPECT_EQ(ReadHostFile(device.path() / name), "store");
        EXPECT_FALSE(std::filesystem::exists(device.path() / (std::string(name) + ".partial")));
    }
    WriteHostFile(device.path() / "ro", "abc");
    const HANDLE readOnly = Open(u"\\ro");
    const HANDLE closed = Open(u"\\x", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_TRUE(CloseHandle(closed));
    DWORD n = 0;
    // Rows of the same error never follow each other, so that a call that sets none shows.
    // clang-format off
    const std::pair<DWORD, DWORD> cases[] = {
        {OpenRefusal(Open(u"\\missing")), ERROR_FILE_NOT_FOUND},
        {Refusal(!CloseHandle(0)), ERROR_INVALID_HANDLE},
        {OpenRefusal(Open(u"\\no\\such\\x", GENERIC_WRITE, 0, CREATE_ALWAYS)),
         ERROR_PATH_NOT_FOUND},
        {Refusal(!CloseHandle(INVALID_HANDLE_VALUE)), ERROR_INVALID_HANDLE},
        {OpenRefusal(Open(utf::Utf16(device.path().string()))), ERROR_ACCESS_DENIED},
        {Refusal(!CloseHandle(closed)), ERROR_INVALID_HANDLE},
        {OpenRefusal(Open(u"\\..\\escape", GENERIC_WRITE, 0, CREATE_ALWAYS)),
         ERROR_INVALID_NAME},
        {Refusal(!WriteFile(closed, "a", 1, &n, nullptr)), ERROR_INVALID_HANDLE},
        {Refusal(!WriteFile(readOnly, "z", 1, &n, nullptr)), ERROR_ACCESS_DENIED},
        {Refusal(SetFilePointer(readOnly, -1, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER),
         ERROR_NEGATIVE_SEEK},
    };
    // clang-format on
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].first, cases[i].second) << "row " << i;
    }
    EXPECT_TRUE(CloseHandle(readOnly));
    std::filesystem::path host;
    EXPECT_FALSE(device::ToHostPath(u"\\My Documents\\..\\..\\etc\\passwd", host));
    ASSERT_TRUE(device::ToHostPath(u"relative/host.txt", host));
    EXPECT_EQ(host, std::filesystem::path("relative/host.txt"));
}

using Entry = std::pair<std::u16string, DWORD>; // name and attributes

std::vector<Entry> Search(const std::u16string& pattern) {
    std::vector<Entry> found;
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &data)) {
        found.emplace_back(data.cFileName, data.dwFileAttributes);
    }
    EXPECT_EQ(FindClose(search), search != INVALID_HANDLE_VALUE);
    return found;
}

TEST(Find, ListsEntriesWithHostAttributesInNameOrder) {
    const TempDevice device;
    EXPECT_TRUE(Search(u"\\My Documents\\*.*").empty());
    EXPECT_TRUE(Search(u"\\Storage Card\\*.*").empty());
    const auto docs = device.path() / "My Documents";
    for (const char* folder : {"Backups", ".hidden", "Locked"}) {
        std::filesystem::create_directories(docs / folder);
    }
    ::chmod((docs / "Locked").c_str(), 0555);
    for (const char* name : {"b.usms", "a.USMS", "b.usms.bak", "c\xFF.usms"}) {
        WriteHostFile(docs / name, "x");
    }
    const DWORD folder = FILE_ATTRIBUTE_DIRECTORY, file = FILE_ATTRIBUTE_NORMAL;
    const std::vector<Entry> all = Search(u"\\My Documents\\*.*");
    ::chmod((docs / "Locked").c_str(), 0755);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(std::vector<Entry>(all.begin(), all.begin() + 4),
              (std::vector<Entry>{{u".hidden", folder | FILE_ATTRIBUTE_HIDDEN},
                                  {u"Backups", folder},
                                  {u"Locked", folder | FILE_ATTRIBUTE_READONLY},
                                  {u"a.USMS", file}}));
    // The match ignores case, as on the handset; a name that is not UTF-8 keeps its byte.
    EXPECT_EQ(Search(u"\\My Documents\\*.USMS"),
              (std::vector<Entry>{{u"a.USMS", file}, {u"b.usms", file}, {u"c\xDCFF.usms", file}}));
    for (const auto& [name, pattern, match] : {std::tuple{u"abcabc", u"*abc", true},
                                               {u"xy.txt", u"?.txt", false},
                                               {u"noext", u"*.*", true}}) {
        EXPECT_EQ(MatchesFilePattern(name, pattern), match) << utf::Utf8(pattern);
    }
}

// Counts the closes of each handle value, so that a missed or a second close shows.
std::map<HANDLE, int> closes;
struct CountingClose {
    static bool Close(HANDLE handle) { return ++closes[handle] == 1; }
};
using Counted = UniqueHandle<CountingClose>;

TEST(UniqueHandle, ClosesEachHandleOnceWhateverRoadItTakes) {
    closes.clear();
    {
        Counted first(0x10);
        Counted moved(std::move(first)); // the source must not close it as well
        EXPECT_EQ(first.get(), 0u);
        Counted replaced(0x20);
        replaced = std::move(moved); // closes 0x20 at once and takes over 0x10
        EXPECT_EQ(closes, (std::map<HANDLE, int>{{0x20, 1}}));
        EXPECT_EQ(replaced.get(), 0x10u);
        Counted released(0x30);
        EXPECT_EQ(released.release(), 0x30u); // the caller's now: never closed here
        Counted early(0x40);
        EXPECT_TRUE(early.close());
        EXPECT_FALSE(early.close()); // nothing left to close
        Counted failed(INVALID_HANDLE_VALUE);
        EXPECT_FALSE(failed.close());
    }
    EXPECT_EQ(closes, (std::map<HANDLE, int>{{0x10, 1}, {0x20, 1}, {0x40, 1}}));
}

// A descriptor is closed once: by its last owner, at once by close, which reports the result,
// and never after release.
TEST(UniqueFd, ClosesEachDescriptorOnceAndReportsAnEarlyClose) {
    const auto isOpen = [](int fd) { return ::fcntl(fd, F_GETFD) != -1; };
    UniqueFd first(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int fd = first.get();
    ASSERT_TRUE(isOpen(fd));
    {
        const UniqueFd moved(std::move(first)); // the source must not close it as well
        EXPECT_FALSE(first);
        EXPECT_TRUE(isOpen(fd));
    }
    EXPECT_FALSE(isOpen(fd));
    UniqueFd early(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int earlyFd = early.get();
    EXPECT_EQ(early.close(), 0);
    EXPECT_FALSE(early);
    EXPECT_FALSE(isOpen(earlyFd));
    errno = 0;
    EXPECT_EQ(early.close(), -1); // nothing left to close
    EXPECT_EQ(errno, EBADF);
    UniqueFd released(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int kept = released.release(); // the caller's now: never closed here
    released.reset();
    EXPECT_TRUE(isOpen(kept));
    EXPECT_EQ(::close(kept), 0);
}

HKEY CreateKey(const char16_t* name, DWORD expectedDisposition) {
    HKEY key = 0;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, &disposition),
              0);
    EXPECT_EQ(disposition, expectedDisposition);
    return key;
}

TEST(Registry, KeysAreCreatedAndValuesPersist) {
    const TempDevice device;
    const HKEY key = CreateKey(u"System\\StorageManager\\Profiles\\PCMCIA", REG_CREATED_NEW_KEY);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Folder", nullptr, nullptr, nullptr, &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    const std::u16string value = u"Storage Card";
    ASSERT_EQ(RegSetValueExW(key, u"Folder", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * 2)),
              0);
    EXPECT_EQ(RegCloseKey(key), 0);

    const HKEY again =
        CreateKey(u"system\\storagemanager\\profiles\\pcmcia", REG_OPENED_EXISTING_KEY);
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExW(again, u"Folder", nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ((std::pair<DWORD, DWORD>(type, size)), (std::pair<DWORD, DWORD>(REG_SZ, 26)));
    std::vector<char16_t> text(size / 2);
    BYTE* const data = reinterpret_cast<BYTE*>(text.data());
    DWORD smallSize = 4;
    EXPECT_EQ(RegQueryValueExW(again, u"Folder", nullptr, nullptr, data, &smallSize),
              static_cast<LONG>(ERROR_MORE_DATA));
    ASSERT_EQ(RegQueryValueExW(again, u"Folder", nullptr, nullptr, data, &size), 0);
    EXPECT_EQ(std::u16string(text.data()), value);
    EXPECT_EQ(RegCloseKey(again), 0);
    EXPECT_EQ(RegCloseKey(again), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

} // namespace
