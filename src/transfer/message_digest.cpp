#include "transfer/message_digest.h"

#include "interchange/phone_attributes.h"

// SHA-256's own functions, which OpenSSL 3 marks as deprecated in favour of EVP: an EVP context
// frees and allocates its state again at every start, a quarter of the cost of digesting a
// short message. They remain in every OpenSSL 3 that keeps its deprecated functions.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/sha.h>

#include <cstring>

namespace {

void AppendNumber(std::string& out, std::uint64_t value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof value);
}

// The length before the text, so that no two lists of texts serialize alike.
void AppendText(std::string& out, const std::u16string& text) {
    AppendNumber(out, text.size());
    out.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

} // namespace

bool MessageDigester::Digest(MessageRecord& message, MessageDigest& digest) {
    const std::u16string folderPath = message.folderPath();
    const bool received = interchange::TypeOfFolder(folderPath, !message.senderNumber().empty()) ==
                          interchange::kTypeReceived;
    parts_.clear();
    AppendText(parts_, folderPath);
    const FILETIME time = message.deliveryTime();
    AppendNumber(parts_, std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime);
    AppendText(parts_, message.body());
    // A message received from a number is not the one sent to it.
    parts_.push_back(received ? 'r' : 's');
    if (received) {
        AppendText(parts_, message.senderNumber());
    } else {
        AppendNumber(parts_, message.recipients().size());
        for (const Recipient& recipient : message.recipients()) {
            AppendText(parts_, recipient.address());
        }
    }
    unsigned char full[SHA256_DIGEST_LENGTH];
    SHA256_CTX context;
    if (SHA256_Init(&context) != 1 || SHA256_Update(&context, parts_.data(), parts_.size()) != 1 ||
        SHA256_Final(full, &context) != 1) {
        return false;
    }
    static_assert(sizeof full >= std::tuple_size_v<MessageDigest>);
    std::memcpy(digest.data(), full, digest.size());
    return true;
}
