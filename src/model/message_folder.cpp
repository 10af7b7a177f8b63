#include "model/message_folder.h"

std::u16string FolderPathOf(const MessageFolder& folder) {
    std::u16string path = folder.name();
    for (const MessageFolder* up = folder.parent(); up != nullptr; up = up->parent()) {
        path = up->name() + u'\\' + path;
    }
    return path;
}
