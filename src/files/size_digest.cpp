#include "files/size_digest.h"

#include <cstring>
#include <string>

namespace {

// The files in the field were made with these; the sizes wrap as 32-bit values.
constexpr std::uint32_t kUnicodeSalt = 418529;
constexpr char kAnsiSalt[] = "PaxRenTulVio";

bool Fits(std::string_view head, const Md5Digest& digest, bool computed) {
    return computed && head.size() >= digest.size() &&
           std::memcmp(head.data(), digest.data(), digest.size()) == 0;
}

} // namespace

bool UnicodeSizeDigest(std::uint64_t size, Md5Digest& digest) {
    const std::uint32_t value = static_cast<std::uint32_t>(size) + kUnicodeSalt;
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return ComputeMd5(bytes, sizeof bytes, digest);
}

bool AnsiSizeDigest(std::uint64_t size, Md5Digest& digest) {
    const auto signedSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(size));
    const std::string text = std::to_string(signedSize) + kAnsiSalt;
    return ComputeMd5(text.data(), text.size(), digest);
}

bool UnicodeDigestFits(std::string_view head, std::uint64_t size) {
    Md5Digest digest{};
    const bool computed = UnicodeSizeDigest(size, digest);
    return Fits(head, digest, computed);
}

bool AnsiDigestFits(std::string_view head, std::uint64_t size) {
    Md5Digest digest{};
    const bool computed = AnsiSizeDigest(size, digest);
    return Fits(head, digest, computed);
}
