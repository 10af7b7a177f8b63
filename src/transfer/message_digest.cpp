#include "transfer/message_digest.h"

#include "interchange/phone_attributes.h"

#include <openssl/evp.h>

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

void MessageDigester::FreeMd::operator()(evp_md_st* md) const {
    EVP_MD_free(md);
}

void MessageDigester::FreeCtx::operator()(evp_md_ctx_st* ctx) const {
    EVP_MD_CTX_free(ctx);
}

// Fetched once: a digest named at each use would be looked up again for every message.
MessageDigester::MessageDigester()
    : md_(EVP_MD_fetch(nullptr, "SHA256", nullptr)), ctx_(EVP_MD_CTX_new()) {}

MessageDigester::~MessageDigester() = default;

bool MessageDigester::Digest(MessageRecord& message, MessageDigest& digest) {
    if (!md_ || !ctx_) {
        return false;
    }
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
    unsigned char full[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestInit_ex2(ctx_.get(), md_.get(), nullptr) != 1 ||
        EVP_DigestUpdate(ctx_.get(), parts_.data(), parts_.size()) != 1 ||
        EVP_DigestFinal_ex(ctx_.get(), full, &size) != 1 || size < digest.size()) {
        return false;
    }
    std::memcpy(digest.data(), full, digest.size());
    return true;
}
