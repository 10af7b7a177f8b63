#include "platform/device.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

HANDLE Open(const std::u16string& path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, 0);
}

DWORD Write(HANDLE h, const std::string& bytes) {
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    return written;
}

std::string Read(HANDLE h, DWORD count) {
    std::string buffer(count, '\0');
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(h, buffer.data(), count, &read, nullptr));
    buffer.resize(read);
    return buffer;
}

TEST(PlatformFiles, BufferedWritesKeepPositionSizeAndContentExact) {
    TempDir dir;
    const HANDLE h = Open(dir.file("a.bin"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    for (int i = 0; i < 1000; ++i) {
        Write(h, "ab");
    }
    // The size and the position account for bytes still held in the write buffer.
    EXPECT_EQ(GetFileSize(h, nullptr), 2000u);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 2000u);
    EXPECT_EQ(SetFilePointer(h, 1, nullptr, FILE_BEGIN), 1u);
    Write(h, "XY");
    EXPECT_EQ(SetFilePointer(h, 1998, nullptr, FILE_BEGIN), 1998u);
    Write(h, "END!");
    EXPECT_EQ(GetFileSize(h, nullptr), 2002u);
    ASSERT_TRUE(CloseHandle(h));

    const std::string content = ReadHostFile(dir.path() / "a.bin");
    ASSERT_EQ(content.size(), 2002u);
    EXPECT_EQ(content.substr(0, 4), "aXYb");
    EXPECT_EQ(content.substr(1996), "abEND!");
}

TEST(PlatformFiles, OneByteReadsFollowTheFileAndEndWithAnEndOfFileError) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes.push_back(static_cast<char>(i % 251));
    }
    WriteHostFile(dir.path() / "r.bin", bytes);
    const HANDLE h = Open(dir.file("r.bin"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string back;
    for (;;) {
        char c = 0;
        DWORD read = 0;
        SetLastError(ERROR_SUCCESS);
        ASSERT_TRUE(ReadFile(h, &c, 1, &read, nullptr));
        if (read == 0) {
            break;
        }
        back.push_back(c);
        // Mixing positioning with buffered reads keeps the position exact.
        if (back.size() == 70000) {
            EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 70000u);
        }
    }
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    EXPECT_EQ(SetFilePointer(h, 10, nullptr, FILE_BEGIN), 10u);
    EXPECT_EQ(Read(h, 3), bytes.substr(10, 3));
    EXPECT_TRUE(CloseHandle(h));
}

TEST(PlatformFiles, ShareModesAreEnforcedBetweenHandles) {
    TempDir dir;
    const std::u16string path = dir.file("s.bin");
    const HANDLE writer = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    Write(writer, "data");
    ASSERT_TRUE(CloseHandle(writer));

    const HANDLE r1 = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    const HANDLE r2 = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(r1, INVALID_HANDLE_VALUE);
    ASSERT_NE(r2, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Read(r2, 10), "data");
    EXPECT_EQ(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadHostFile(dir.path() / "s.bin"), "data"); // the refused create truncated nothing
    CloseHandle(r1);
    CloseHandle(r2);
}

// Runs check in a child process and returns its verdict: share modes must hold across processes.
bool InChild(bool (*check)(const std::u16string&), const std::u16string& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(check(path) ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool RefusedWithSharingViolation(HANDLE h) {
    const bool refused = h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
    }
    return refused;
}

TEST(PlatformFiles, ShareModesHoldAcrossProcesses) {
    TempDir dir;
    const std::u16string path = dir.file("held.bin");
    WriteHostFile(dir.path() / "held.bin", "kept");
    const HANDLE reader = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(InChild(
        [](const std::u16string& p) {
            return RefusedWithSharingViolation(CreateReplacingFileW(p.c_str(), 0)) &&
                   RefusedWithSharingViolation(Open(p, GENERIC_WRITE, 0, OPEN_EXISTING));
        },
        path));
    EXPECT_TRUE(InChild( // another reader is welcome
        [](const std::u16string& p) {
            const HANDLE h = Open(p, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
            return h != INVALID_HANDLE_VALUE && CloseHandle(h);
        },
        path));
    ASSERT_TRUE(CloseHandle(reader));
    EXPECT_TRUE(InChild(
        [](const std::u16string& p) {
            const HANDLE h = CreateReplacingFileW(p.c_str(), 0);
            return h != INVALID_HANDLE_VALUE && MarkFileComplete(h) && CloseHandle(h);
        },
        path));
    EXPECT_EQ(ReadHostFile(dir.path() / "held.bin"), ""); // replaced once nobody held it
}

// The handset's databases belong to the system: no handle reaches them, by any path.
TEST(PlatformFiles, TheHandsetDatabasesAreRefused) {
    TempDevice deviceFolder;
    for (const char* name : {"mail.db", "mail.db-wal", "registry.db"}) {
        WriteHostFile(deviceFolder.path() / name, "store");
        const std::u16string devicePath = u"\\" + utf::Utf16(name);
        const std::u16string hostPath = utf::Utf16((deviceFolder.path() / name).string());
        for (const std::u16string& path : {devicePath, hostPath}) {
            EXPECT_TRUE(RefusedWithSharingViolation(CreateReplacingFileW(path.c_str(), 0)));
            EXPECT_TRUE(RefusedWithSharingViolation(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS)));
            EXPECT_TRUE(RefusedWithSharingViolation(
                Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)));
        }
        EXPECT_EQ(ReadHostFile(deviceFolder.path() / name), "store");
        EXPECT_FALSE(
            std::filesystem::exists(deviceFolder.path() / (std::string(name) + ".partial")));
    }
}

// Flushing hands bytes to the system; the one sync of a file's data comes with its close, and a
// new name in a folder costs one more.
TEST(PlatformFiles, DataIsSyncedOnceWhenAWrittenFileCloses) {
    TempDir dir;
    struct Case {
        DWORD access;
        DWORD disposition;
        bool write;
        int syncs;
    };
    WriteHostFile(dir.path() / "existing", "x");
    const Case cases[] = {
        {GENERIC_WRITE, CREATE_NEW, true, 2},    {GENERIC_WRITE, CREATE_NEW, false, 2},
        {GENERIC_WRITE, OPEN_EXISTING, true, 1}, {GENERIC_WRITE, OPEN_EXISTING, false, 0},
        {GENERIC_READ, OPEN_EXISTING, false, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::u16string path = c.disposition == CREATE_NEW
                                        ? dir.file("new" + std::to_string(n++))
                                        : dir.file("existing");
        faults::ResetFileCounts();
        const HANDLE h =
            Open(path, c.access, c.access == GENERIC_READ ? FILE_SHARE_READ : 0, c.disposition);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        for (int i = 0; c.write && i < 100; ++i) {
            Write(h, "record");
            ASSERT_TRUE(FlushFileBuffers(h));
        }
        EXPECT_EQ(faults::FileCallCount(faults::FileOp::Sync), 0);
        ASSERT_TRUE(CloseHandle(h));
        EXPECT_EQ(faults::FileCallCount(faults::FileOp::Sync), c.syncs) << n;
    }
}

TEST(PlatformFiles, OpenErrorsAndInvalidHandles) {
    TempDir dir;
    EXPECT_EQ(Open(dir.file("missing"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(dir.file("no/such/dir/x"), GENERIC_WRITE, 0, CREATE_ALWAYS),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Open(utf::Utf16(dir.path().string()), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    EXPECT_FALSE(CloseHandle(0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    const HANDLE h = Open(dir.file("x"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h)); // a closed handle stays invalid
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(h, "a", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(PlatformFiles, ReadOnlyHandleRefusesWritesAndNegativeSeeksFail) {
    TempDir dir;
    WriteHostFile(dir.path() / "ro", "abc");
    const HANDLE h = Open(dir.file("ro"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(h, "z", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    CloseHandle(h);
}

TEST(PlatformFiles, DevicePathsMapIntoTheDeviceFolderAndCannotLeaveIt) {
    TempDevice deviceFolder;
    const HANDLE h = Open(u"\\My Documents\\a.usms", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    Write(h, "x");
    CloseHandle(h);
    EXPECT_EQ(ReadHostFile(deviceFolder.path() / "My Documents" / "a.usms"), "x");

    std::filesystem::path host;
    EXPECT_FALSE(device::ToHostPath(u"\\My Documents\\..\\..\\etc\\passwd", host));
    EXPECT_EQ(Open(u"\\..\\escape", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    ASSERT_TRUE(device::ToHostPath(u"relative/host.txt", host));
    EXPECT_EQ(host, std::filesystem::path("relative/host.txt"));
}

TEST(PlatformFiles, FaultsFailTheNthCallOnceOrPersistently) {
    TempDir dir;
    const faults::FileFaultGuard guard;
    const HANDLE h = Open(dir.file("f"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    faults::ArmFileFault(faults::FileOp::Write, 2, ERROR_DISK_FULL);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "a", 1, &n, nullptr));
    EXPECT_FALSE(WriteFile(h, "b", 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_TRUE(WriteFile(h, "c", 1, &n, nullptr));

    faults::ArmFileFault(faults::FileOp::Any, 1, ERROR_WRITE_FAULT, true);
    EXPECT_FALSE(FlushFileBuffers(h));
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    faults::DisarmFileFaults();
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(ReadHostFile(dir.path() / "f"), "ac");
}

TEST(PlatformFiles, EveryHandleIsGivenBack) {
    TempDir dir;
    const int before = OpenFileHandleCount();
    const HANDLE h = Open(dir.file("g"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_EQ(OpenFileHandleCount(), before + 1);
    CloseHandle(h);
    EXPECT_EQ(OpenFileHandleCount(), before);
}

} // namespace
