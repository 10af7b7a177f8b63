#include "platform/zeroed_pages.h"

#include <new>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

ZeroedPages::ZeroedPages(std::size_t bytes) {
    if (bytes == 0) {
        return;
    }
    void* data = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) {
        throw std::bad_alloc();
    }
    data_ = data;
    bytes_ = bytes;
    // A hint: without huge pages the pages are the usual ones.
    ::madvise(data_, bytes_, MADV_HUGEPAGE);
    if (::madvise(data_, bytes_, MADV_POPULATE_WRITE) != 0) {
        // A system too old to populate on request: one write per page does it.
        const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        auto* bytesOf = static_cast<volatile char*>(data_);
        for (std::size_t at = 0; at < bytes_; at += page) {
            bytesOf[at] = 0;
        }
    }
}

ZeroedPages::~ZeroedPages() {
    Release();
}

ZeroedPages::ZeroedPages(ZeroedPages&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0)) {}

ZeroedPages& ZeroedPages::operator=(ZeroedPages&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

void ZeroedPages::Release() {
    if (data_ != nullptr) {
        ::munmap(data_, bytes_);
        data_ = nullptr;
        bytes_ = 0;
    }
}
