// Writing and reading a .usms file of 100,000 messages (a 60-character body, two recipients
// each) through the formats, against writing and reading the same number of bytes in bulk.
// The Unicode writer flushes (fdatasync) after every record; the same write in a memory file
// system, where that flush costs nothing, and the ANSI writer, which does not flush per record,
// show what the records cost without it. The file that the reading benchmarks read is made in
// memory too, so that they do not wait for 100,000 flushes to the disk first.
#include "files/ansi_backup_file.h"
#include "files/file_access.h"
#include "files/unicode_backup_file.h"
#include "model/memory_record.h"
#include "platform/files.h"
#include "platform/utf.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kMessages = 100000;
constexpr DWORD kChunk = 64 * 1024;

class ScratchFolder {
public:
    explicit ScratchFolder(const std::filesystem::path& base) {
        std::string pattern = base / "msgkeeper-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::u16string file(const std::string& name) const {
        return utf::Utf16((folder_ / name).string());
    }

private:
    std::filesystem::path folder_;
};

// On the disk, as a backup on the handset would be.
const ScratchFolder& Scratch() {
    static const ScratchFolder folder(std::filesystem::temp_directory_path());
    return folder;
}

// In memory where the host has a memory file system; on the disk otherwise.
const ScratchFolder& MemoryScratch() {
    static const ScratchFolder folder(std::filesystem::is_directory("/dev/shm")
                                          ? std::filesystem::path("/dev/shm")
                                          : std::filesystem::temp_directory_path());
    return folder;
}

std::vector<MemoryRecord> MakeMessages() {
    std::vector<MemoryRecord> messages;
    messages.reserve(kMessages);
    const char16_t* folders[] = {u"Inbox", u"Sentedbox", u"Inbox\\Family\\Mum"};
    for (int i = 0; i < kMessages; ++i) {
        const std::string n = std::to_string(i);
        const std::u16string number(n.begin(), n.end());
        MessageFields fields;
        fields.messageClass = u"IPM.SMStext";
        fields.folderPath = folders[i % 3];
        fields.lastModified = FILETIME{static_cast<DWORD>(i), 0x01D9E4A1};
        fields.deliveryTime = FILETIME{static_cast<DWORD>(i), 0x01D9E4A1};
        fields.flags = 1;
        fields.size = 120;
        fields.senderName = u"Sender " + number;
        fields.senderNumber = u"+4477009" + number;
        fields.body = u"See you at the station at six, the usual platform. Msg " + number;
        messages.emplace_back(fields,
                              std::vector<Recipient>{Recipient(u"+4477001" + number, u"Work", 1),
                                                     Recipient(u"+4477002" + number, u"Home", 1)});
    }
    return messages;
}

std::vector<MemoryRecord>& Messages() {
    static std::vector<MemoryRecord> messages = MakeMessages();
    return messages;
}

bool Backup(BackupFile& format, const std::u16string& path) {
    HANDLE handle = 0;
    std::u16string error;
    if (!format.OpenForWrite(path, handle, error)) {
        return false;
    }
    bool ok = format.SkipValidationArea(handle, error) &&
              format.WriteTotal(handle, static_cast<DWORD>(Messages().size()), error);
    for (MemoryRecord& message : Messages()) {
        ok = ok && format.WriteRecord(handle, message, error);
    }
    ok = ok && format.WriteValidation(handle, error);
    return format.CloseAfterWrite(handle, error) && ok;
}

// The Unicode file of all messages, written once; its size in bytes.
const std::u16string& UnicodeFile(DWORD* size = nullptr) {
    static DWORD bytes = 0;
    static const std::u16string path = [] {
        const std::u16string file = MemoryScratch().file("messages.usms");
        UnicodeBackupFile format;
        if (!Backup(format, file)) {
            std::abort();
        }
        HANDLE handle = OpenForReading(file);
        const bool sized = FileSize(handle, bytes);
        CloseIfValid(handle);
        if (!sized) {
            std::abort();
        }
        return file;
    }();
    if (size != nullptr) {
        *size = bytes;
    }
    return path;
}

DWORD UnicodeFileSize() {
    DWORD size = 0;
    UnicodeFile(&size);
    return size;
}

void Report(benchmark::State& state, DWORD bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
    state.counters["messages/s"] =
        benchmark::Counter(kMessages, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_UnicodeWrite(benchmark::State& state) {
    const std::u16string path = Scratch().file("write.usms");
    for (auto _ : state) {
        UnicodeBackupFile format;
        if (!Backup(format, path)) {
            state.SkipWithError("backup failed");
        }
    }
    Report(state, UnicodeFileSize());
}
BENCHMARK(BM_UnicodeWrite)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_UnicodeWriteInMemory(benchmark::State& state) {
    const std::u16string path = MemoryScratch().file("write.usms");
    for (auto _ : state) {
        UnicodeBackupFile format;
        if (!Backup(format, path)) {
            state.SkipWithError("backup failed");
        }
    }
    Report(state, UnicodeFileSize());
}
BENCHMARK(BM_UnicodeWriteInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AnsiWrite(benchmark::State& state) {
    const std::u16string path = Scratch().file("write.sms");
    for (auto _ : state) {
        AnsiBackupFile format;
        if (!Backup(format, path)) {
            state.SkipWithError("backup failed");
        }
    }
    Report(state, UnicodeFileSize());
}
BENCHMARK(BM_AnsiWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BulkWrite(benchmark::State& state) {
    const std::u16string path = Scratch().file("bulk.bin");
    const DWORD size = UnicodeFileSize();
    const std::vector<char> bytes(kChunk, 'a');
    for (auto _ : state) {
        HANDLE handle = CreateForWriting(path);
        bool ok = IsValidHandle(handle);
        for (DWORD done = 0; ok && done < size; done += kChunk) {
            ok = WriteAll(handle, bytes.data(), std::min(kChunk, size - done));
        }
        ok = ok && FlushFile(handle);
        MarkComplete(handle);
        CloseIfValid(handle);
        if (!ok) {
            state.SkipWithError("write failed");
        }
    }
    Report(state, size);
}
BENCHMARK(BM_BulkWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The restore order: check, total, then every record with its recipients.
void BM_UnicodeRead(benchmark::State& state) {
    const std::u16string& path = UnicodeFile();
    for (auto _ : state) {
        UnicodeBackupFile format;
        HANDLE handle = 0;
        std::u16string error;
        DWORD total = 0;
        bool ok = format.OpenForRead(path, handle, error) &&
                  format.CheckValidation(handle, error) && format.ReadTotal(handle, total, error);
        for (DWORD n = 0; ok && n < total; ++n) {
            MessageFields fields;
            std::vector<Recipient> recipients;
            ok = format.ReadRecord(handle, fields, recipients, error);
            benchmark::DoNotOptimize(fields);
        }
        ok = format.CloseAfterRead(handle, error) && ok;
        if (!ok || total != kMessages) {
            state.SkipWithError("restore failed");
        }
    }
    Report(state, UnicodeFileSize());
}
BENCHMARK(BM_UnicodeRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BulkRead(benchmark::State& state) {
    const std::u16string& path = UnicodeFile();
    const DWORD size = UnicodeFileSize();
    std::vector<char> bytes(kChunk);
    for (auto _ : state) {
        HANDLE handle = OpenForReading(path);
        bool ok = IsValidHandle(handle);
        for (DWORD done = 0; ok && done < size; done += kChunk) {
            ok = ReadExactly(handle, bytes.data(), std::min(kChunk, size - done));
        }
        if (!ok) {
            state.SkipWithError("read failed");
        }
        benchmark::DoNotOptimize(bytes.data());
        CloseIfValid(handle);
    }
    Report(state, size);
}
BENCHMARK(BM_BulkRead)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
