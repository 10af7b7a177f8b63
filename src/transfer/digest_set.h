// The digests of the messages seen so far, 16 bytes a slot in one array (open addressing, linear
// probing): a set of hundreds of thousands fits in a few megabytes, with no allocation per
// message. The digests are uniform, so their first bytes serve as the hash.
#pragma once

#include "platform/zeroed_pages.h"
#include "transfer/message_digest.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

class DigestSet {
public:
    // Adds the digest; false when it was there already.
    [[nodiscard]] bool Insert(const MessageDigest& digest) {
        if (Same(digest, MessageDigest{})) { // the mark of a free slot stands for itself
            return !std::exchange(hasZero_, true);
        }
        if ((count_ + 1) * 4 > slots_.size() * 3) {
            Grow();
        }
        MessageDigest& slot = Find(slots_, digest);
        if (Same(slot, digest)) {
            return false;
        }
        slot = digest;
        ++count_;
        return true;
    }

    // Room for that many digests without growing: each growth inserts every digest so far
    // again, into memory touched for the first time.
    void Reserve(std::size_t digests) {
        std::size_t slots = slots_.empty() ? kFirstSlots : slots_.size();
        while (digests * 4 > slots * 3) {
            slots *= 2;
        }
        if (slots > slots_.size()) {
            Rehash(slots);
        }
    }

    // Starts fetching the slot where the digest would be, for an Insert soon after.
    void Prefetch(const MessageDigest& digest) const {
        if (!slots_.empty()) {
            __builtin_prefetch(&slots_[Hash(digest) & (slots_.size() - 1)]);
        }
    }

private:
    static constexpr std::size_t kFirstSlots = 1024;

    static std::size_t Hash(const MessageDigest& digest) {
        std::size_t hash = 0;
        std::memcpy(&hash, digest.data(), sizeof hash);
        return hash;
    }

    // Compared as two words: a call to memcmp per probe was most of the cost.
    [[nodiscard]] static bool Same(const MessageDigest& a, const MessageDigest& b) {
        std::uint64_t x[2];
        std::uint64_t y[2];
        std::memcpy(x, a.data(), sizeof x);
        std::memcpy(y, b.data(), sizeof y);
        return ((x[0] ^ y[0]) | (x[1] ^ y[1])) == 0;
    }

    // Slots that start free: zeroed memory, its pages made ready when the table is made, so
    // that no digest waits on a page fault.
    class Slots {
    public:
        Slots() = default;
        explicit Slots(std::size_t count) : memory_(count * sizeof(MessageDigest)) {}
        std::size_t size() const { return memory_.size() / sizeof(MessageDigest); }
        bool empty() const { return size() == 0; }
        MessageDigest& operator[](std::size_t i) { return begin()[i]; }
        const MessageDigest& operator[](std::size_t i) const { return begin()[i]; }
        MessageDigest* begin() { return static_cast<MessageDigest*>(memory_.data()); }
        const MessageDigest* begin() const {
            return static_cast<const MessageDigest*>(memory_.data());
        }
        const MessageDigest* end() const { return begin() + size(); }

    private:
        ZeroedPages memory_;
    };
    static_assert(std::is_trivially_copyable_v<MessageDigest>);

    // The slot that holds the digest, or the free one where it belongs.
    static MessageDigest& Find(Slots& slots, const MessageDigest& digest) {
        const std::size_t mask = slots.size() - 1; // a power of two
        for (std::size_t at = Hash(digest) & mask;; at = (at + 1) & mask) {
            if (Same(slots[at], digest) || Same(slots[at], MessageDigest{})) {
                return slots[at];
            }
        }
    }

    void Grow() { Rehash(slots_.empty() ? kFirstSlots : slots_.size() * 2); }

    void Rehash(std::size_t slots) {
        Slots larger(slots);
        for (const MessageDigest& digest : slots_) {
            if (!Same(digest, MessageDigest{})) {
                Find(larger, digest) = digest;
            }
        }
        slots_ = std::move(larger);
    }

    Slots slots_;
    std::size_t count_ = 0;
    bool hasZero_ = false;
};
