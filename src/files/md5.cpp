#include "files/md5.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

bool ComputeMd5(const void* data, std::size_t length, Md5Digest& digest) {
    unsigned int size = 0;
    Md5Digest result{};
    if (EVP_Digest(data, length, result.data(), &size, EVP_md5(), nullptr) != 1 ||
        size != result.size()) {
        return false;
    }
    digest = result;
    return true;
}

void ReleaseDigestThreadState() {
    OPENSSL_thread_stop();
}
