// The program's window resources, registered once at start-up before any window is made; the
// framework looks templates, menus, menu bars and accelerator tables up here by number.
#pragma once

#include "framework/resource_types.h"

#include <span>

namespace framework {

struct ResourceCatalog {
    std::span<const DialogTemplate> dialogs;
    std::span<const Menu> menus;
    std::span<const MenuBar> menuBars;
    std::span<const AcceleratorTable> accelerators;
};

void RegisterResources(const ResourceCatalog& catalog);

// The resource of that number, nullptr when the catalog has none.
const DialogTemplate* FindDialogTemplate(unsigned id);
const Menu* FindMenu(unsigned id);
const MenuBar* FindMenuBar(unsigned id);
const AcceleratorTable* FindAccelerators(unsigned id);

} // namespace framework
