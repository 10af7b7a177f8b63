// The application's menus, soft-key menu bars and accelerator tables, by resource number.
#pragma once

#include "framework/resource_types.h"

#include <span>

namespace resources {

std::span<const framework::Menu> Menus();
std::span<const framework::MenuBar> MenuBars();
std::span<const framework::AcceleratorTable> AcceleratorTables();

} // namespace resources
