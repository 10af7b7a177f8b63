#include "cli/console.h"

#include "platform/utf.h"

#include <cstdio>
#include <unistd.h>

namespace console {

void Out(std::u16string_view text) {
    Out(utf::Utf8(text));
}

void Out(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void Err(std::u16string_view text) {
    Err(utf::Utf8(text));
}

void Err(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

bool ErrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace console
