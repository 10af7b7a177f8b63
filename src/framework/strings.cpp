#include "framework/strings.h"

#include "platform/resources.h"

namespace framework {

std::u16string LoadResourceString(UINT id) {
    constexpr int kBufferSize = 256;
    WCHAR buffer[kBufferSize] = {};
    const int length = LoadStringW(0, id, buffer, kBufferSize);
    return std::u16string(buffer, static_cast<std::size_t>(std::max(length, 0)));
}

} // namespace framework
