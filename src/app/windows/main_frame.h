// The main window: the title, the soft-key menu bar with Exit and the Menu, the client view
// with the two buttons, the accelerators, and the dispatch of every command.
#pragma once

#include "app/windows/window_front_end.h"
#include "framework/frame_window.h"

#include <memory>

class MainView;

namespace framework {
class SoftKeyBar;
}

class MainFrame final : public framework::FrameWindow {
public:
    MainFrame();
    ~MainFrame() override;

    MainView* View() const { return view_.get(); }
    framework::SoftKeyBar* MenuBar() const { return menuBar_; }
    // True while a command runs; another command is refused meanwhile.
    [[nodiscard]] bool Busy() const { return busy_; }

protected:
    int OnCreate() override;
    void OnCommand(UINT id, UINT code) override;
    void OnSize(int width, int height) override;
    void OnDestroy() override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void RunCommand(unsigned id);
    void Unregister();

    WindowFrontEnd frontEnd_;
    std::unique_ptr<MainView> view_;
    framework::SoftKeyBar* menuBar_ = nullptr; // owned by the frame as a Qt child
    bool registered_ = false;
    bool busy_ = false;
};
