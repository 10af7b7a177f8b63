// The main window's client view: the title, the Backup and Restore buttons with their
// captions, and the footer, laid out anew on every size change.
#pragma once

#include "framework/dialog.h"

namespace framework {
class CommandTarget;
}

class MainView final : public framework::Dialog {
public:
    // Button clicks become the frame's backup and restore commands.
    explicit MainView(framework::CommandTarget& frame);

protected:
    bool OnInitDialog() override;
    void OnCommand(UINT id, UINT code) override;
    void OnSize(int width, int height) override;

private:
    void SetFonts();
    void LayOut(int clientWidth);

    framework::CommandTarget& frame_;
};
