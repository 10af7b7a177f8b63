#include "dialogs/file_names.h"

namespace {

constexpr std::u16string_view kDisallowed = u"\\/:*?\"<>|";

} // namespace

std::u16string NameStem(std::u16string_view name) {
    const std::size_t slash = name.rfind(u'\\');
    const std::size_t start = slash == std::u16string_view::npos ? 0 : slash + 1;
    const std::size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos || dot < start) {
        return {};
    }
    return std::u16string(name.substr(start, dot - start));
}

std::u16string PatternExtension(std::u16string_view pattern) {
    const std::size_t dot = pattern.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string()
                                            : std::u16string(pattern.substr(dot));
}

bool IsUsableFileName(std::u16string_view name) {
    return !name.empty() && name.find_first_of(kDisallowed) == std::u16string_view::npos;
}
