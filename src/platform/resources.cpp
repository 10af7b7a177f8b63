#include "platform/resources.h"

#include "platform/errors.h"

#include <algorithm>

namespace {

std::span<const StringResource>& Table() {
    static std::span<const StringResource> table;
    return table;
}

std::u16string_view FindString(UINT id) {
    for (const StringResource& entry : Table()) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}

} // namespace

void RegisterStringTable(std::span<const StringResource> table) {
    Table() = table;
}

int LoadStringW(HINSTANCE /*instance*/, UINT id, LPWSTR buffer, int bufferMax) {
    if (buffer == nullptr || bufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string_view text = FindString(id);
    if (text.empty()) {
        buffer[0] = u'\0';
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    // Like the platform: a text longer than the buffer is cut to fit with its terminator.
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(bufferMax - 1));
    std::copy_n(text.data(), count, buffer);
    buffer[count] = u'\0';
    return static_cast<int>(count);
}
