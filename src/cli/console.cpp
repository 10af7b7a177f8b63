#include "cli/console.h"

#include "platform/utf.h"

#include <cstdio>
#include <unistd.h>

namespace console {

namespace {

bool outFailed = false;

} // namespace

void Out(std::u16string_view text) {
    Out(utf::Utf8(text));
}

void Out(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        outFailed = true;
    }
}

void Err(std::u16string_view text) {
    Err(utf::Utf8(text));
}

void Err(std::string_view text) {
    std::fflush(stdout); // what was printed before stays before
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

bool ErrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

bool FinishOut() {
    const bool flushed = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    return flushed && !outFailed;
}

} // namespace console
