#include "platform/codepage.h"

#include "platform/errors.h"
#include "platform/utf.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace {

std::atomic<UINT> chosenCodePage{0};

struct LocaleCodePage {
    std::string_view language;
    UINT codePage;
};

// The ANSI code page that Windows uses for each language of the user's locale.
constexpr LocaleCodePage kLocaleCodePages[] = {
    {"ja", 932},  {"zh_CN", 936}, {"zh_SG", 936}, {"zh", 950},  {"ko", 949},  {"th", 874},
    {"cs", 1250}, {"pl", 1250},   {"hu", 1250},   {"sk", 1250}, {"sl", 1250}, {"hr", 1250},
    {"ro", 1250}, {"bs", 1250},   {"sq", 1250},   {"ru", 1251}, {"uk", 1251}, {"be", 1251},
    {"bg", 1251}, {"sr", 1251},   {"mk", 1251},   {"el", 1253}, {"tr", 1254}, {"az", 1254},
    {"he", 1255}, {"ar", 1256},   {"fa", 1256},   {"ur", 1256}, {"lt", 1257}, {"lv", 1257},
    {"et", 1257}, {"vi", 1258},
};

UINT CodePageOfLocale() {
    const char* names[] = {std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG")};
    for (const char* name : names) {
        if (name == nullptr || *name == '\0') {
            continue;
        }
        const std::string_view locale(name);
        for (const LocaleCodePage& entry : kLocaleCodePages) {
            if (locale.substr(0, entry.language.size()) == entry.language &&
                (locale.size() == entry.language.size() || locale[entry.language.size()] == '_' ||
                 locale[entry.language.size()] == '.')) {
                return entry.codePage;
            }
        }
        return 1252;
    }
    return 1252;
}

UINT Resolve(UINT codePage) {
    return codePage == CP_ACP ? GetACP() : codePage;
}

// One iconv descriptor per thread, direction and code page, opened once.
class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

iconv_t ConverterFor(UINT codePage, bool toWide) {
    thread_local std::map<std::pair<UINT, bool>, std::unique_ptr<Converter>> cache;
    auto& slot = cache[{codePage, toWide}];
    if (!slot) {
        const std::string name = "CP" + std::to_string(codePage);
        slot = toWide ? std::make_unique<Converter>("UTF-16LE", name)
                      : std::make_unique<Converter>(name, "UTF-16LE");
    }
    if (!slot->valid()) {
        return reinterpret_cast<iconv_t>(-1);
    }
    iconv(slot->get(), nullptr, nullptr, nullptr, nullptr);
    return slot->get();
}

// Converts UTF-16 to the code page; a character the code page lacks becomes the default.
bool Narrow(UINT codePage, std::u16string_view text, char defaultChar, std::string& out,
            bool& usedDefault) {
    out.clear();
    if (codePage == CP_UTF8) {
        utf::ToUtf8(text, out);
        return true;
    }
    const iconv_t cd = ConverterFor(codePage, false);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    out.reserve(text.size() * 2);
    std::size_t i = 0;
    char chunk[256];
    while (i < text.size()) {
        // Convert one character (a surrogate pair counts as one) at a time only after a
        // failure; first try the longest run.
        auto* in = const_cast<char*>(reinterpret_cast<const char*>(text.data() + i));
        std::size_t inLeft = (text.size() - i) * sizeof(char16_t);
        char* outPtr = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
        i = text.size() - inLeft / sizeof(char16_t);
        if (result != static_cast<std::size_t>(-1)) {
            break;
        }
        if (error == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL: the character at i cannot be represented.
        out.push_back(defaultChar);
        usedDefault = true;
        i += (utf::IsHighSurrogate(text[i]) && i + 1 < text.size() &&
              utf::IsLowSurrogate(text[i + 1]))
                 ? 2
                 : 1;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

bool Widen(UINT codePage, std::string_view bytes, std::u16string& out) {
    out.clear();
    if (codePage == CP_UTF8) {
        utf::ToUtf16(bytes, out);
        return true;
    }
    const iconv_t cd = ConverterFor(codePage, true);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    out.reserve(bytes.size());
    std::size_t i = 0;
    char16_t chunk[256];
    while (i < bytes.size()) {
        auto* in = const_cast<char*>(bytes.data() + i);
        std::size_t inLeft = bytes.size() - i;
        auto* outPtr = reinterpret_cast<char*>(chunk);
        std::size_t outLeft = sizeof chunk;
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(chunk, static_cast<std::size_t>(reinterpret_cast<char16_t*>(outPtr) - chunk));
        i = bytes.size() - inLeft;
        if (result != static_cast<std::size_t>(-1)) {
            break;
        }
        if (error == E2BIG) {
            continue;
        }
        out.push_back(u'\uFFFD');
        ++i;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

// Length of a NUL-terminated or counted input.
template <typename Char> std::size_t InputLength(const Char* text, int length) {
    if (length >= 0) {
        return static_cast<std::size_t>(length);
    }
    std::size_t n = 0;
    while (text[n] != Char{}) {
        ++n;
    }
    return n + 1; // the terminator is converted too
}

} // namespace

UINT GetACP() {
    const UINT chosen = chosenCodePage.load();
    return chosen != 0 ? chosen : CodePageOfLocale();
}

void SetActiveCodePage(UINT codePage) {
    chosenCodePage.store(codePage);
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWSTR wide, int wideLength, LPSTR bytes,
                        int byteCapacity, LPCSTR defaultChar, BOOL* usedDefaultChar) {
    if (wide == nullptr || byteCapacity < 0 || (byteCapacity > 0 && bytes == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length = InputLength(wide, wideLength);
    std::string out;
    bool usedDefault = false;
    if (!Narrow(Resolve(codePage), std::u16string_view(wide, length),
                defaultChar != nullptr ? *defaultChar : '?', out, usedDefault)) {
        return 0;
    }
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = usedDefault ? TRUE : FALSE;
    }
    if (byteCapacity == 0) {
        return static_cast<int>(out.size());
    }
    if (out.size() > static_cast<std::size_t>(byteCapacity)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(bytes, out.data(), out.size());
    return static_cast<int>(out.size());
}

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, LPCSTR bytes, int byteLength, LPWSTR wide,
                        int wideCapacity) {
    if (bytes == nullptr || wideCapacity < 0 || (wideCapacity > 0 && wide == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length = InputLength(bytes, byteLength);
    std::u16string out;
    if (!Widen(Resolve(codePage), std::string_view(bytes, length), out)) {
        return 0;
    }
    if (wideCapacity == 0) {
        return static_cast<int>(out.size());
    }
    if (out.size() > static_cast<std::size_t>(wideCapacity)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(wide, out.data(), out.size() * sizeof(char16_t));
    return static_cast<int>(out.size());
}
