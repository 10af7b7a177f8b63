// The application's dialog templates, by resource number.
#pragma once

#include "framework/resource_types.h"

#include <span>
#include <string_view>

namespace resources {

std::span<const framework::DialogTemplate> DialogTemplates();

// The maker's web address shown in the footers.
inline constexpr std::u16string_view kMakerAddress = u"www.brennomatic.example";

} // namespace resources
