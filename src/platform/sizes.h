// Byte counts for the platform's 32-bit lengths (file transfers, library allocations): a count
// that does not fit is refused, never cut to its low 32 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace sizes {

// header + count * unit as a 32-bit length; false (bytes unchanged) when it does not fit.
[[nodiscard]] constexpr bool Length32(std::size_t header, std::size_t count, std::size_t unit,
                                      std::uint32_t& bytes) {
    constexpr std::size_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (header > kMax || (unit != 0 && count > (kMax - header) / unit)) {
        return false;
    }
    bytes = static_cast<std::uint32_t>(header + count * unit);
    return true;
}

} // namespace sizes
