// The digests that bind a backup file to its size: the Unicode backup's (MD5 of the four
// little-endian bytes of size + salt) and the ANSI backup's (MD5 of the signed decimal size and a
// salt), and whether the first 16 bytes of a file are one of them.
#pragma once

#include "files/md5.h"

#include <cstdint>
#include <string_view>

[[nodiscard]] bool UnicodeSizeDigest(std::uint64_t size, Md5Digest& digest);
[[nodiscard]] bool AnsiSizeDigest(std::uint64_t size, Md5Digest& digest);

[[nodiscard]] bool UnicodeDigestFits(std::string_view head, std::uint64_t size);
[[nodiscard]] bool AnsiDigestFits(std::string_view head, std::uint64_t size);
