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
using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;

// The same groups 1 and 3, each repetition a single character: the interpreter then needs no
// memory per repetition, so an item of any length is matched. Used when the JIT runs out of
// stack on the pattern as written.
constexpr char16_t kSenderPatternFlat[] = u"\"([\\w\\W]*)()\" <([\\w\\W]*)>";

CodePtr Compile(const char16_t* pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    // Anchored: the search below starts at the only position where a match can begin.
    return CodePtr(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED,
                                 PCRE2_ANCHORED, &error, &offset, nullptr));
}

struct CompiledPattern {
    CodePtr code;
    CodePtr flat;
    bool jit = false;
};

const CompiledPattern& SenderPattern() {
    static const CompiledPattern pattern = [] {
        CompiledPattern compiled{Compile(kSenderPattern), Compile(kSenderPatternFlat), false};
        compiled.jit =
            compiled.code && pcre2_jit_compile(compiled.code.get(), PCRE2_JIT_COMPLETE) == 0;
        return compiled;
    }();
    return pattern;
}

// Each repetition of a group keeps a backtracking point on the JIT stack, so the stack bounds
// the item length the JIT handles; longer items go to the interpreter.
constexpr PCRE2_SIZE kJitStackStart = 64 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 8 * 1024 * 1024;

// One match context with its JIT stack and one match block per thread, made on first use:
// creating a JIT stack costs far more than a match of a usual item.
struct ThreadMatcher {
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> match;
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> context;
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> stack;

    explicit ThreadMatcher(const CompiledPattern& pattern)
        : match(pcre2_match_data_create(5, nullptr)), context(pcre2_match_context_create(nullptr)) {
        if (context) {
            // Exactness over time: a long item that does not match is tried to the end.
            pcre2_set_match_limit(context.get(), UINT32_MAX);
        }
        if (pattern.jit && context) {
            stack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
            pcre2_jit_stack_assign(context.get(), nullptr, stack.get());
        }
    }
};

ThreadMatcher* MatcherOfThisThread(const CompiledPattern& pattern) {
    thread_local ThreadMatcher matcher(pattern);
    return matcher.match && matcher.context ? &matcher : nullptr;
}

bool IsResourceLimit(int result) {
    return result == PCRE2_ERROR_JIT_STACKLIMIT || result == PCRE2_ERROR_HEAPLIMIT ||
           result == PCRE2_ERROR_MATCHLIMIT || result == PCRE2_ERROR_DEPTHLIMIT ||
           result == PCRE2_ERROR_NOMEMORY;
}

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
    ThreadMatcher* matcher = MatcherOfThisThread(pattern);
    if (matcher == nullptr) {
        return false;
    }
    const auto subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    int result = pcre2_match(pattern.code.get(), subject, text.size(), start, 0,
                             matcher->match.get(), matcher->context.get());
    if (IsResourceLimit(result) && pattern.flat) {
        result = pcre2_match(pattern.flat.get(), subject, text.size(), start, PCRE2_NO_JIT,
                             matcher->match.get(), matcher->context.get());
    }
    if (result < 4) {
        return false;
    }
    const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(matcher->match.get());
    name = text.substr(offsets[2], offsets[3] - offsets[2]);
    number = text.substr(offsets[6], offsets[7] - offsets[6]);
    return true;
}
