// The application's message loop on Qt's event loop: message filters that see every input
// message first (newest first), and idle handlers that run when the queue has emptied.
#pragma once

#include <QObject>

#include <vector>

class QEvent;

namespace framework {

class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // True when the message was handled and must not be dispatched.
    [[nodiscard]] virtual bool PreTranslateMessage(QObject* receiver, QEvent* event) = 0;
};

class IdleHandler {
public:
    virtual ~IdleHandler() = default;
    // Called when the queue has emptied after a message other than a paint, timer or mouse
    // move. The loop does not look at the result.
    virtual bool OnIdle() = 0;
};

class MessageLoop final : public QObject {
public:
    MessageLoop();
    ~MessageLoop() override;
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    void AddMessageFilter(MessageFilter* filter);
    void RemoveMessageFilter(MessageFilter* filter);
    void AddIdleHandler(IdleHandler* handler);
    void RemoveIdleHandler(IdleHandler* handler);

    // Runs until the quit message; returns its code.
    int Run();

    // Offers a message to the filters, newest first; true when one handled it. The main loop's
    // filters do not see the messages of a modal dialog's own loop.
    [[nodiscard]] bool PreTranslateMessage(QObject* receiver, QEvent* event);
    // Runs the idle handlers once if a message since the last idle time calls for it.
    void RunIdleHandlers();

    // Sees every message of the application while the loop runs.
    [[nodiscard]] bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idleHandlers_;
    bool idlePending_ = true;
};

// Posts the quit message: the running loop ends with this code once the current message is
// handled.
void PostQuitMessage(int exitCode);

} // namespace framework
