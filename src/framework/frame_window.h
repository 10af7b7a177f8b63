// A top-level frame window: it takes the handset screen, has a title, the application icon and
// an accelerator table, and when it is closed as the top-level window it posts the quit message
// with code 1.
#pragma once

#include "framework/command_target.h"
#include "framework/message_loop.h"
#include "framework/resource_types.h"

#include <QWidget>

#include <string_view>

namespace framework {

class FrameWindow : public QWidget, public CommandTarget, public MessageFilter, public IdleHandler {
public:
    FrameWindow();
    ~FrameWindow() override;

    // Creates the window with its title; false when it cannot be made (OnCreate refused, or a
    // fault armed with FailNextWindowCreation).
    [[nodiscard]] bool CreateEx(std::u16string_view title);
    bool LoadAccelerators(unsigned id);

    [[nodiscard]] bool PreTranslateMessage(QObject* receiver, QEvent* event) override;
    bool OnIdle() override { return false; }

    // The area below the title that the client view fills: all but the soft-key bar.
    QRect ClientArea() const;

protected:
    // The window-creation message: 0 to continue, -1 to fail.
    virtual int OnCreate() { return 0; }
    virtual void OnSize(int /*width*/, int /*height*/) {}
    // The window is being destroyed.
    virtual void OnDestroy();

    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    const AcceleratorTable* accelerators_ = nullptr;
    bool created_ = false;
};

// Makes the next CreateEx fail, as when the system has no memory for the window.
void FailNextWindowCreation();

} // namespace framework
