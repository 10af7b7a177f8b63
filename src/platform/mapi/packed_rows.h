// Recipient rows as the database keeps them, one blob each, encoded back to back in a single
// buffer: a long recipient list costs its encoded bytes once, with no allocation per row.
#pragma once

#include "platform/mapi/codec.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace mapi_impl {

class PackedRows {
public:
    // Encodes the entries of list in order, passing over PT_ERROR and PT_NULL values. False
    // for an entry whose values are missing, a value the library does not keep, or a row too
    // large for one blob; the rows are then empty.
    [[nodiscard]] bool assign(const ADRLIST& list);
    void assign(const std::vector<std::vector<StoredProp>>& rows);

    // Calls visit with each row's blob in order; the first result other than S_OK ends the walk
    // and is returned.
    template <class Visit> HRESULT forEach(Visit visit) const {
        std::string_view rest = bytes_;
        while (!rest.empty()) {
            std::uint32_t size = 0;
            std::memcpy(&size, rest.data(), sizeof(size));
            rest.remove_prefix(sizeof(size));
            if (const HRESULT hr = visit(rest.substr(0, size)); hr != S_OK) {
                return hr;
            }
            rest.remove_prefix(size);
        }
        return S_OK;
    }

private:
    std::string bytes_;
};

} // namespace mapi_impl
