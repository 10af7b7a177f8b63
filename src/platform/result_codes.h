// The platform's general result codes, shared by every service that returns an HRESULT.
#pragma once

#include "platform/wintypes.h"

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

[[nodiscard]] inline constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}
