#include "app/windows/qt_options.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace {

// QGuiApplication's, QApplication's and the X11 plugin's options. Qt reads "--name" as "-name".
constexpr std::array<std::string_view, 16> kWithValue = {"platform",        "platformpluginpath",
                                                         "platformtheme",   "plugin",
                                                         "qwindowgeometry", "geometry",
                                                         "qwindowicon",     "icon",
                                                         "display",         "qwindowtitle",
                                                         "title",           "session",
                                                         "style",           "name",
                                                         "stylesheet",      "visual"};
constexpr std::array<std::string_view, 6> kFlags = {"reverse", "widgetcount", "nograb",
                                                    "dograb",  "testability", "qdevel"};
// Options that Qt also takes as "-name=value".
constexpr std::array<std::string_view, 4> kJoined = {"qmljsdebugger", "style", "stylesheet",
                                                     "session"};

// The option's name without its one or two dashes; empty for anything else.
std::string_view OptionName(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-' || arg == "--") {
        return {};
    }
    arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
    return arg;
}

bool Listed(std::span<const std::string_view> names, std::string_view name) {
    return std::ranges::find(names, name) != names.end();
}

} // namespace

std::vector<std::string> WithoutQtOptions(int argc, const char* const* argv) {
    std::vector<std::string> kept;
    for (int i = 0; i < argc; ++i) {
        const std::string_view name = i > 0 ? OptionName(argv[i]) : std::string_view();
        const std::size_t equals = name.find('=');
        if (Listed(kWithValue, name)) {
            ++i; // its value
        } else if (!Listed(kFlags, name) &&
                   !(equals != std::string_view::npos && Listed(kJoined, name.substr(0, equals)))) {
            kept.emplace_back(argv[i]);
        }
    }
    return kept;
}
