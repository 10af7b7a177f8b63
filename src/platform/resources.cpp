#include "platform/resources.h"

#include "platform/errors.h"
#include "resources/string_table.h"

#include <algorithm>

int LoadStringW(HINSTANCE /*instance*/, UINT id, LPWSTR buffer, int bufferMax) {
    if (buffer == nullptr || bufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string_view text = resources::FindString(id);
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
