// MD5 digests for the validation area of the backup files, computed by OpenSSL's libcrypto.
#pragma once

#include "platform/wintypes.h"

#include <array>
#include <cstddef>

using Md5Digest = std::array<BYTE, 16>;

// False when the library cannot provide the digest (for example an MD5-less crypto policy).
[[nodiscard]] bool ComputeMd5(const void* data, std::size_t length, Md5Digest& digest);

// Gives back what the library keeps for the calling thread (its error state). A job's worker is
// never joined: it calls this before its last act, so that nothing of it outlives the job.
void ReleaseDigestThreadState();
