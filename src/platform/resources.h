// String resources by number: the program registers its string table once at start-up, before
// any other thread runs, and LoadStringW reads it.
#pragma once

#include "platform/wintypes.h"

#include <span>
#include <string_view>

struct StringResource {
    UINT id;
    std::u16string_view text;
};

void RegisterStringTable(std::span<const StringResource> table);

// Copies string id into the buffer (terminated) and returns its length; 0 when there is none.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);
