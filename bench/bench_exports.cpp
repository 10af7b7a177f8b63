// Exporting 100,000 messages held in memory to CSV and to text (both UTF-8), against writing
// the same bytes to a file in one piece through the same file layer. Files go to TMPDIR
// (TMPDIR=/dev/shm leaves out the disk's cost of the CSV export's flush per row).
#include "export/csv_export_file.h"
#include "export/text_export_file.h"
#include "export/utf8_encoder.h"
#include "files/file_access.h"
#include "model/memory_record.h"
#include "platform/utf.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kMessages = 100'000;

class BenchDir {
public:
    BenchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "msgkeeper-bench-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path_ = pattern;
    }
    ~BenchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    BenchDir(const BenchDir&) = delete;
    BenchDir& operator=(const BenchDir&) = delete;

    std::u16string file(const char* name) const { return utf::Utf16((path_ / name).string()); }

private:
    std::filesystem::path path_;
};

const BenchDir& Dir() {
    static const BenchDir dir;
    return dir;
}

std::vector<std::unique_ptr<MemoryRecord>> MakeMessages() {
    static const std::u16string bodies[] = {
        u"See you at 7, the usual place.",
        u"Caf\u00E9 closed today \U0001F600 let's meet at the station instead, ok?",
        u"Your code is 481516. It expires in 10 minutes. Do not share it with anyone.",
        u"Line one\r\nline two, with \"quotes\" and a comma"};
    std::vector<std::unique_ptr<MemoryRecord>> messages;
    messages.reserve(kMessages);
    for (int i = 0; i < kMessages; ++i) {
        MessageFields fields;
        fields.messageClass = u"IPM.SMStext";
        fields.folderPath = i % 3 == 0 ? u"Inbox\\Work" : u"Sentedbox";
        fields.lastModified = U64ToFileTime(128807104891230000ULL + i * 600'000'000ULL);
        fields.deliveryTime = fields.lastModified;
        fields.flags = static_cast<DWORD>(i);
        fields.senderName = u"Ann Example";
        fields.senderNumber = u"+15551234" + NumberToText(i % 1000);
        fields.body = bodies[i % 4];
        std::vector<Recipient> recipients{Recipient(u"+15550000", u"Bob", 1)};
        if (i % 2 == 0) {
            recipients.emplace_back(u"+15550001", u"Eve", 1);
        }
        messages.push_back(std::make_unique<MemoryRecord>(fields, std::move(recipients)));
    }
    return messages;
}

std::vector<std::unique_ptr<MemoryRecord>>& Messages() {
    static std::vector<std::unique_ptr<MemoryRecord>> messages = MakeMessages();
    return messages;
}

// One export job as the backup worker drives it; false on any failure.
bool RunExport(BackupFile& format, const std::u16string& path) {
    HANDLE handle = 0;
    std::u16string error;
    if (!format.OpenForWrite(path, handle, error)) {
        return false;
    }
    bool ok = format.SkipValidationArea(handle, error) && format.WriteTotal(handle, 0, error);
    for (const auto& message : Messages()) {
        ok = ok && format.WriteRecord(handle, *message, error);
    }
    ok = ok && format.WriteValidation(handle, error);
    return format.CloseAfterWrite(handle, error) && ok;
}

std::string ReadBytes(const std::u16string& path) {
    std::ifstream in(utf::Utf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename Format> void Export(benchmark::State& state, const char* name) {
    Messages();
    const Utf8Encoder encoder;
    const std::u16string path = Dir().file(name);
    for (auto _ : state) {
        Format format(encoder);
        if (!RunExport(format, path)) {
            state.SkipWithError("export failed");
            break;
        }
    }
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(utf::Utf8(path)));
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

// The export's own bytes, written with one call, one flush and one close.
template <typename Format> void Bulk(benchmark::State& state, const char* name) {
    Messages();
    const Utf8Encoder encoder;
    // The export benchmark runs first and leaves its file, which is not made again here.
    const std::u16string source = Dir().file(name);
    Format format(encoder);
    if (!std::filesystem::exists(utf::Utf8(source)) && !RunExport(format, source)) {
        state.SkipWithError("export failed");
        return;
    }
    const std::string bytes = ReadBytes(source);
    const std::u16string path = Dir().file("bulk");
    for (auto _ : state) {
        HANDLE file = CreateForWriting(path);
        const bool ok = WriteAll(file, bytes.data(), static_cast<DWORD>(bytes.size())) &&
                        FlushFile(file) && MarkComplete(file) && CloseIfValid(file);
        if (!ok) {
            state.SkipWithError("bulk write failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void BM_CsvExportUtf8(benchmark::State& state) {
    Export<CsvExportFile>(state, "export.csv");
}
void BM_CsvBulkWrite(benchmark::State& state) {
    Bulk<CsvExportFile>(state, "export.csv");
}
void BM_TextExportUtf8(benchmark::State& state) {
    Export<TextExportFile>(state, "export.txt");
}
void BM_TextBulkWrite(benchmark::State& state) {
    Bulk<TextExportFile>(state, "export.txt");
}

BENCHMARK(BM_CsvExportUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvBulkWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextExportUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextBulkWrite)->Unit(benchmark::kMillisecond);

} // namespace
