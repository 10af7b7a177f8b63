// Memory of zero bytes taken straight from the system, every page made ready at once, in huge
// pages where the system offers them. For a large table whose writes land at random: memory
// that is only read before its first write (calloc's, say) costs two faults per page, and the
// second stops the other threads of the process to drop the page they saw.
#pragma once

#include <cstddef>

class ZeroedPages {
public:
    ZeroedPages() = default;
    // Throws std::bad_alloc when the system has no such memory.
    explicit ZeroedPages(std::size_t bytes);
    ~ZeroedPages();
    ZeroedPages(ZeroedPages&& other) noexcept;
    ZeroedPages& operator=(ZeroedPages&& other) noexcept;
    ZeroedPages(const ZeroedPages&) = delete;
    ZeroedPages& operator=(const ZeroedPages&) = delete;

    void* data() const { return data_; }
    std::size_t size() const { return bytes_; }

private:
    void Release();

    void* data_ = nullptr;
    std::size_t bytes_ = 0;
};
