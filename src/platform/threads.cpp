#include "platform/threads.h"

#include "platform/errors.h"
#include "platform/handles.h"

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

namespace {

std::atomic<DWORD> nextThreadId{1};

// The handle of a detached thread: closing it does not wait for the thread.
class ThreadObject final : public handles::Object {
public:
    bool Close() override { return true; }
};

} // namespace

HANDLE CreateThread(void* /*security*/, std::size_t /*stackSize*/, LPTHREAD_START_ROUTINE start,
                    void* parameter, DWORD /*creationFlags*/, DWORD* threadId) {
    if (start == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        std::thread([start, parameter] { start(parameter); }).detach();
    } catch (const std::system_error&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (threadId != nullptr) {
        *threadId = nextThreadId.fetch_add(1);
    }
    return handles::Add(std::make_shared<ThreadObject>());
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
