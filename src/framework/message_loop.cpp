#include "framework/message_loop.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>

#include <algorithm>

namespace framework {
namespace {

bool IsInputMessage(const QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

// Paint, timer and mouse-move messages do not restart idle processing.
bool ResumesIdle(const QEvent* event) {
    switch (event->type()) {
    case QEvent::Paint:
    case QEvent::UpdateRequest:
    case QEvent::Timer:
    case QEvent::MouseMove:
    case QEvent::HoverMove:
        return false;
    default:
        return true;
    }
}

} // namespace

MessageLoop::MessageLoop() = default;

MessageLoop::~MessageLoop() = default;

void MessageLoop::AddMessageFilter(MessageFilter* filter) {
    filters_.push_back(filter);
}

void MessageLoop::RemoveMessageFilter(MessageFilter* filter) {
    std::erase(filters_, filter);
}

void MessageLoop::AddIdleHandler(IdleHandler* handler) {
    idleHandlers_.push_back(handler);
}

void MessageLoop::RemoveIdleHandler(IdleHandler* handler) {
    std::erase(idleHandlers_, handler);
}

int MessageLoop::Run() {
    qApp->installEventFilter(this);
    const QMetaObject::Connection idle =
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                &MessageLoop::RunIdleHandlers);
    const int exitCode = QApplication::exec();
    disconnect(idle);
    qApp->removeEventFilter(this);
    return exitCode;
}

bool MessageLoop::PreTranslateMessage(QObject* receiver, QEvent* event) {
    if (QApplication::activeModalWidget() != nullptr) {
        return false;
    }
    // A copy, since a filter may remove itself while it handles the message.
    const std::vector<MessageFilter*> filters = filters_;
    return std::any_of(filters.rbegin(), filters.rend(), [&](MessageFilter* filter) {
        return filter->PreTranslateMessage(receiver, event);
    });
}

void MessageLoop::RunIdleHandlers() {
    if (!idlePending_) {
        return;
    }
    idlePending_ = false;
    const std::vector<IdleHandler*> handlers = idleHandlers_;
    for (IdleHandler* handler : handlers) {
        handler->OnIdle();
    }
}

bool MessageLoop::eventFilter(QObject* watched, QEvent* event) {
    if (ResumesIdle(event)) {
        idlePending_ = true;
    }
    if (IsInputMessage(event) && watched->isWidgetType()) {
        return PreTranslateMessage(watched, event);
    }
    return false;
}

void PostQuitMessage(int exitCode) {
    QMetaObject::invokeMethod(
        qApp, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

} // namespace framework
