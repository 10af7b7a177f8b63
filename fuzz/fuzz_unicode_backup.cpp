// Feeds arbitrary bytes to the restore order of the Unicode backup format through a file:
// open, check, total, then records up to the total, each turned into an in-memory record as a
// restore would. Every run must end without a crash, a leak or an unbounded loop. An input
// whose digest does not fit its size is tried a second time with the digest put right, so
// that mutations which change the length still reach the record reader.
#include "files/unicode_backup_file.h"
#include "model/memory_record.h"
#include "platform/files.h"
#include "platform/utf.h"

#include <openssl/evp.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// One temporary folder per fuzzing process, removed at exit.
class ScratchFile {
public:
    ScratchFile() {
        std::string pattern = std::filesystem::temp_directory_path() / "fuzz-usms-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        file_ = folder_ / "input.usms";
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    std::u16string Store(const std::uint8_t* data, std::size_t size) const {
        // A new file each time: truncating one that has data makes the file system write it
        // back on close, which would make every run wait for the disk.
        std::error_code ignored;
        std::filesystem::remove(file_, ignored);
        std::ofstream out(file_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return utf::Utf16(file_.string());
    }

private:
    std::filesystem::path folder_;
    std::filesystem::path file_;
};

// The input with the digest that its size calls for in its first 16 bytes.
std::string WithFittingDigest(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto value = static_cast<std::uint32_t>(size + 418529);
    const unsigned char le[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(le, sizeof le, digest, &length, EVP_md5(), nullptr) != 1 || length != 16) {
        std::abort();
    }
    bytes.replace(0, 16, reinterpret_cast<const char*>(digest), 16);
    return bytes;
}

// Runs the restore order; false when the digest check failed.
bool Restore(const std::u16string& path, std::size_t inputSize) {
    UnicodeBackupFile format;
    HANDLE handle = 0;
    std::u16string error;
    if (!format.OpenForRead(path, handle, error)) {
        std::abort(); // the file was just written
    }
    DWORD total = 0;
    const bool valid = format.CheckValidation(handle, error);
    if (valid && format.ReadTotal(handle, total, error)) {
        for (DWORD n = 1; n <= total && n != 0; ++n) {
            MessageFields fields;
            std::vector<Recipient> recipients;
            if (!format.ReadRecord(handle, fields, recipients, error)) {
                break;
            }
            // An entry takes at least eight bytes of the file: more means invented data.
            if (recipients.size() * 8 > inputSize) {
                std::abort();
            }
            const MemoryRecord record(fields, std::move(recipients));
            if (record.folder() == nullptr || record.folderPath() != fields.folderPath) {
                std::abort();
            }
        }
    }
    format.CloseAfterRead(handle, error);
    return valid;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch;
    if (!Restore(scratch.Store(data, size), size) && size >= 16) {
        const std::string fixed = WithFittingDigest(data, size);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(fixed.data());
        if (!Restore(scratch.Store(bytes, size), size)) {
            std::abort(); // a fitting digest must pass
        }
    }
    if (OpenFileHandleCount() != 0) {
        std::abort(); // every run gives its handle back
    }
    return 0;
}
