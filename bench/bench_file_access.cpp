// Reading a 1 MB file one 16-bit unit at a time through FileStream, against one bulk read.
#include "files/file_access.h"
#include "files/file_stream.h"
#include "platform/files.h"
#include "platform/utf.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kFileSize = 1 << 20;

const std::u16string& TestFile() {
    static const std::u16string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "msgkeeper-bench-1mb.bin";
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        // Non-zero units, so one string read walks the whole file.
        const std::string bytes(kFileSize, 'a');
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return utf::Utf16(file.string());
    }();
    return path;
}

void BM_ReadOneUnitAtATime(benchmark::State& state) {
    for (auto _ : state) {
        FileStream stream(OpenForReading(TestFile()));
        std::u16string text;
        static_cast<void>(stream.readString(text)); // false at the end of the file, as it should
        benchmark::DoNotOptimize(text);
        stream.close();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_ReadOneUnitAtATime)->Unit(benchmark::kMillisecond);

void BM_ReadInBulk(benchmark::State& state) {
    std::vector<char> buffer(kFileSize);
    for (auto _ : state) {
        HANDLE handle = OpenForReading(TestFile());
        benchmark::DoNotOptimize(ReadExactly(handle, buffer.data(), kFileSize));
        CloseIfValid(handle);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_ReadInBulk)->Unit(benchmark::kMillisecond);

} // namespace
