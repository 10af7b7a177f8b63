#include "platform/utf.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(std::endian::native == std::endian::little,
              "the word-wise loops read units in host order");

namespace utf {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

#if defined(__SSE2__)
// Sixteen bytes or eight units a step where the processor has SSE2 (every x86-64); the word-wise
// loops after them finish the text, and do it all elsewhere.
__m128i Load(const void* at) {
    return _mm_loadu_si128(static_cast<const __m128i*>(at));
}

void Store(void* at, __m128i value) {
    _mm_storeu_si128(static_cast<__m128i*>(at), value);
}

// Widens the ASCII bytes at the start of text[i...] to units at next, sixteen at a time.
void WidenAscii(std::string_view text, std::size_t& i, char16_t*& next) {
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= text.size(); i += 16, next += 16) {
        const __m128i bytes = Load(text.data() + i);
        if (_mm_movemask_epi8(bytes) != 0) {
            return;
        }
        Store(next, _mm_unpacklo_epi8(bytes, zero));
        Store(next + 8, _mm_unpackhi_epi8(bytes, zero));
    }
}

// Narrows the ASCII units at the start of text[i...] to bytes at next, sixteen at a time.
void NarrowAscii(std::u16string_view text, std::size_t& i, char*& next) {
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 16 <= text.size(); i += 16, next += 16) {
        const __m128i low = Load(text.data() + i);
        const __m128i upper = Load(text.data() + i + 8);
        const __m128i beyond = _mm_and_si128(_mm_or_si128(low, upper), high);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(beyond, _mm_setzero_si128())) != 0xFFFF) {
            return;
        }
        Store(next, _mm_packus_epi16(low, upper));
    }
}
#else
void WidenAscii(std::string_view, std::size_t&, char16_t*&) {}
void NarrowAscii(std::u16string_view, std::size_t&, char*&) {}
#endif

// Writes the UTF-8 form of c at out and returns the end.
char* PutUtf8(char* out, char32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Encodes text; returns false when an unpaired surrogate had to be replaced. The output is
// sized for the worst case first (three bytes a unit; a pair takes four), so that no append
// checks the capacity.
bool Encode(std::u16string_view text, std::string& out) {
    bool clean = true;
    out.resize(text.size() * 3);
    char* next = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        // ASCII many units at a time, the common case of message texts.
        NarrowAscii(text, i, next);
        while (i + 4 <= text.size()) {
            std::uint64_t units = 0;
            std::memcpy(&units, text.data() + i, sizeof units);
            if ((units & 0xFF80FF80FF80FF80u) != 0) {
                break;
            }
            for (int k = 0; k < 4; ++k) {
                *next++ = static_cast<char>(units >> (16 * k));
            }
            i += 4;
        }
        if (i == text.size()) {
            break;
        }
        const char16_t u = text[i];
        if (u < 0x80) {
            *next++ = static_cast<char>(u);
        } else if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            next = PutUtf8(next, CombineSurrogates(u, text[i + 1]));
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            next = PutUtf8(next, kReplacement);
            clean = false;
        } else {
            next = PutUtf8(next, u);
        }
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
    return clean;
}

// Decodes one sequence at text[i]; returns the character or kReplacement and advances i.
char32_t DecodeOne(std::string_view text, std::size_t& i, bool& clean) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        clean = false;
        return kReplacement;
    }
    if (i + static_cast<std::size_t>(extra) >= text.size()) {
        ++i;
        clean = false;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = byte(i + static_cast<std::size_t>(k));
        if ((next & 0xC0) != 0x80) {
            ++i;
            clean = false;
            return kReplacement;
        }
        c = (c << 6) | (next & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        clean = false;
        return kReplacement;
    }
    return c;
}

// A well-formed sequence of two or three bytes at text[i], the letters of most scripts, decoded
// to one unit at next without the general checks; 0 when it is anything else.
std::size_t DecodeTwoOrThree(std::string_view text, std::size_t i, char16_t*& next) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned>(text[i + k]) & 0xFF; };
    const auto follows = [&](std::size_t k) { return (byte(k) & 0xC0) == 0x80; };
    const std::size_t left = text.size() - i;
    const unsigned lead = byte(0);
    if (lead >= 0xC2 && lead < 0xE0 && left >= 2 && follows(1)) {
        *next++ = static_cast<char16_t>((lead & 0x1F) << 6 | (byte(1) & 0x3F));
        return 2;
    }
    if ((lead & 0xF0) == 0xE0 && left >= 3 && follows(1) && follows(2)) {
        const unsigned c = (lead & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
        if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
            *next++ = static_cast<char16_t>(c);
            return 3;
        }
    }
    return 0;
}

// No sequence gives more units than it has bytes, so the output is sized once.
bool Decode(std::string_view text, std::u16string& out) {
    bool clean = true;
    out.resize(text.size());
    char16_t* next = out.data();
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    std::size_t i = 0;
    while (i < text.size()) {
        if (byte(i) < 0x80) {
            // A run of ASCII, the common case of message texts: many bytes a step while they
            // last. Letters of other scripts come back here only for their spaces and marks.
            WidenAscii(text, i, next);
            for (; i + 8 <= text.size(); i += 8) {
                std::uint64_t bytes = 0;
                std::memcpy(&bytes, text.data() + i, sizeof bytes);
                if ((bytes & 0x8080808080808080u) != 0) {
                    break;
                }
                for (int k = 0; k < 8; ++k) {
                    *next++ = static_cast<char16_t>((bytes >> (8 * k)) & 0xFF);
                }
            }
            for (; i < text.size() && byte(i) < 0x80; ++i) {
                *next++ = byte(i);
            }
            continue;
        }
        if (const std::size_t taken = DecodeTwoOrThree(text, i, next); taken != 0) {
            i += taken;
            continue;
        }
        const char32_t c = DecodeOne(text, i, clean);
        if (c >= 0x10000) {
            *next++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            *next++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *next++ = static_cast<char16_t>(c);
        }
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
    return clean;
}

constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char16_t u) {
    return u >= 0xDC80 && u <= 0xDCFF;
}

} // namespace

std::u16string FromHostBytes(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t start = i;
        bool clean = true;
        const char32_t c = DecodeOne(bytes, i, clean);
        if (!clean) {
            i = start + 1;
            out.push_back(
                static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[start])));
        } else if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

bool ToHostBytes(std::u16string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(out, CombineSurrogates(u, text[i + 1]));
            ++i;
        } else if (IsEscapedByte(u)) {
            out.push_back(static_cast<char>(u - kEscapeBase));
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            return false;
        } else {
            AppendUtf8(out, u);
        }
    }
    return true;
}

bool ToUtf8(std::u16string_view text, std::string& out) {
    return Encode(text, out);
}
bool ToUtf16(std::string_view text, std::u16string& out) {
    return Decode(text, out);
}

std::size_t FirstNulUnit(std::u16string_view text) {
    // A lane is zero exactly when the test below sets its top bit.
    constexpr std::uint64_t kOnes = 0x0001000100010001u;
    constexpr std::uint64_t kTops = 0x8000800080008000u;
    std::size_t at = 0;
#if defined(__SSE2__)
    for (; at + 8 <= text.size(); at += 8) {
        const __m128i units = Load(text.data() + at);
        const auto zeros =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, _mm_setzero_si128())));
        if (zeros != 0) {
            return at + static_cast<std::size_t>(std::countr_zero(zeros)) / 2;
        }
    }
#endif
    for (; at + 4 <= text.size(); at += 4) {
        std::uint64_t units = 0;
        std::memcpy(&units, text.data() + at, sizeof units);
        if (((units - kOnes) & ~units & kTops) != 0) {
            break;
        }
    }
    while (at < text.size() && text[at] != u'\0') {
        ++at;
    }
    return at;
}

std::string Utf8(std::u16string_view text) {
    std::string out;
    Encode(text, out);
    return out;
}

std::u16string Utf16(std::string_view text) {
    std::u16string out;
    Decode(text, out);
    return out;
}

} // namespace utf
