#include "framework/resource_catalog.h"

namespace framework {
namespace {

ResourceCatalog& Catalog() {
    static ResourceCatalog catalog;
    return catalog;
}

template <typename T> const T* FindById(std::span<const T> items, unsigned id) {
    for (const T& item : items) {
        if (item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

} // namespace

void RegisterResources(const ResourceCatalog& catalog) {
    Catalog() = catalog;
}

const DialogTemplate* FindDialogTemplate(unsigned id) {
    return FindById(Catalog().dialogs, id);
}

const Menu* FindMenu(unsigned id) {
    return FindById(Catalog().menus, id);
}

const MenuBar* FindMenuBar(unsigned id) {
    return FindById(Catalog().menuBars, id);
}

const AcceleratorTable* FindAccelerators(unsigned id) {
    return FindById(Catalog().accelerators, id);
}

} // namespace framework
