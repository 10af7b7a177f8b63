// The folder that holds a message: a name and an optional parent folder.
#pragma once

#include <string>

class MessageFolder {
public:
    virtual ~MessageFolder() = default;
    virtual std::u16string name() const = 0;
    // The enclosing folder, or nullptr for a top-level folder.
    virtual const MessageFolder* parent() const = 0;
};

// The folder's names, top folder first, joined by single backslashes ("Inbox\Old\Work").
std::u16string FolderPathOf(const MessageFolder& folder);
