// The soft-key menu bar: two keys along the bottom edge of its parent window. A key sends its
// command to the parent; a key with a submenu drops that popup of the bar's menu resource down
// instead, and the chosen entry's command is posted to the parent.
#pragma once

#include "framework/resource_types.h"
#include "platform/wintypes.h"

#include <QWidget>

class QMenu;
class QPushButton;

namespace framework {

class CommandTarget;

class SoftKeyBar final : public QWidget {
public:
    // parent must also be the command target; the bar is its child.
    SoftKeyBar(const MenuBar& bar, QWidget* parent, CommandTarget& target);

    // The keys, left and right.
    QPushButton* Key(int index) const;
    // The popup a key drops down, nullptr for a command key.
    QMenu* Popup(int index) const;
    // The bar's height on the handset screen.
    static int Height();

protected:
    [[nodiscard]] bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceAlongBottom();
    void Press(int index);

    const MenuBar& bar_;
    CommandTarget& target_;
    QPushButton* keys_[2] = {nullptr, nullptr};
    QMenu* popups_[2] = {nullptr, nullptr};
};

// What SHCreateMenuBar takes: the parent, the menu-bar resource, and back the bar made.
struct SHMENUBARINFO {
    DWORD cbSize = sizeof(SHMENUBARINFO);
    QWidget* hwndParent = nullptr;
    DWORD dwFlags = 0;
    UINT nToolBarId = 0;
    HINSTANCE hInstRes = 0;
    int nBmpId = 0;
    int cBmpImages = 0;
    SoftKeyBar* hwndMB = nullptr;
};

// Creates the bar of resource nToolBarId on hwndParent, which must be a CommandTarget; FALSE
// when the resource or the parent is missing.
[[nodiscard]] BOOL SHCreateMenuBar(SHMENUBARINFO* info);

} // namespace framework
