#include "model/address_items.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <memory>

namespace {

// The printf-style %s of the platform stops at the first U+0000.
std::u16string_view UpToNul(const std::u16string& text) {
    const std::u16string_view view(text);
    return view.substr(0, view.find(u'\0'));
}

std::u16string Decimal(std::int32_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// Group 1 is the name and group 3 the number; groups 2 and 4 are the inner alternatives.
constexpr char16_t kSenderPattern[] = u"\"((\\w|\\W)*)\" <((\\w|\\W)*)>";

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackDeleter {
    void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

struct CompiledPattern {
    std::unique_ptr<pcre2_code, CodeDeleter> code;
    bool jit = false;
};

const CompiledPattern& SenderPattern() {
    static const CompiledPattern pattern = [] {
        CompiledPattern compiled;
        int error = 0;
        PCRE2_SIZE offset = 0;
        // Anchored: the search below starts at the only position where a match can begin.
        compiled.code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(kSenderPattern),
                                          PCRE2_ZERO_TERMINATED, PCRE2_ANCHORED, &error, &offset,
                                          nullptr));
        compiled.jit =
            compiled.code && pcre2_jit_compile(compiled.code.get(), PCRE2_JIT_COMPLETE) == 0;
        return compiled;
    }();
    return pattern;
}

// Each repetition of a group keeps a backtracking point, so the stack grows with the length
// of the item; give long items room instead of failing them.
constexpr PCRE2_SIZE kJitStackStart = 64 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 512 * 1024 * 1024;
constexpr uint32_t kHeapLimitKib = 2 * 1024 * 1024;

} // namespace

std::u16string FormatSenderItem(const std::u16string& name, const std::u16string& number) {
    std::u16string item;
    item.reserve(name.size() + number.size() + 5);
    item += u'"';
    item += UpToNul(name);
    item += u"\" <";
    item += UpToNul(number);
    item += u'>';
    return item;
}

std::u16string FormatRecipientList(const std::vector<Recipient>& recipients) {
    std::u16string list;
    for (const Recipient& recipient : recipients) {
        list += u";\"";
        list += UpToNul(recipient.displayName());
        list += u"\" <";
        list += UpToNul(recipient.address());
        list += u"> ";
        list += Decimal(static_cast<std::int32_t>(recipient.type()));
    }
    return list.empty() ? list : list.substr(1);
}

bool ParseSenderItem(const std::u16string& text, std::u16string& name, std::u16string& number) {
    const CompiledPattern& pattern = SenderPattern();
    if (!pattern.code) {
        return false;
    }
    // The pattern begins with a double quote, and whatever matches after a later quote also
    // matches after the first one, so the leftmost match can only start at the first quote:
    // trying that one position keeps the search linear in the length of the text.
    const std::size_t start = text.find(u'"');
    if (start == std::u16string::npos) {
        return false;
    }
    const std::unique_ptr<pcre2_match_data, MatchDataDeleter> match(
        pcre2_match_data_create_from_pattern(pattern.code.get(), nullptr));
    const std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(
        pcre2_match_context_create(nullptr));
    if (!match || !context) {
        return false;
    }
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> stack;
    if (pattern.jit) {
        stack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
        pcre2_jit_stack_assign(context.get(), nullptr, stack.get());
    }
    pcre2_set_heap_limit(context.get(), kHeapLimitKib);
    const int result = pcre2_match(pattern.code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()),
                                   text.size(), start, 0, match.get(), context.get());
    if (result < 4) {
        return false;
    }
    const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(match.get());
    name = text.substr(offsets[2], offsets[3] - offsets[2]);
    number = text.substr(offsets[6], offsets[7] - offsets[6]);
    return true;
}
