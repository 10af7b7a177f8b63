#include "cli/interrupt.h"

#include "cli/console.h"
#include "platform/device.h"

#include <atomic>
#include <csignal>
#include <filesystem>

namespace interrupt {
namespace {

// Lock-free, so the handler may store to it.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);

void Handle(int signal) {
    received.store(signal, std::memory_order_relaxed);
}

} // namespace

void InstallHandlers() {
    struct sigaction action {};
    action.sa_handler = &Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART; // the second signal has its default effect
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Requested() {
    return received.load(std::memory_order_relaxed) != 0;
}

int ExitStatus() {
    return 128 + received.load(std::memory_order_relaxed);
}

StoppableOutput::StoppableOutput(const std::u16string& out) {
    std::filesystem::path host;
    std::error_code ignored;
    existed_ = device::ToHostPath(out, host) && std::filesystem::exists(host, ignored);
    InstallHandlers();
}

int StoppableOutput::Stopped(const std::string& job, const std::string& shown) const {
    console::Out(job + " interrupted: " +
                 (existed_ ? "the earlier " + shown + " is unchanged."
                           : "nothing was written to " + shown + ".") +
                 "\n");
    return ExitStatus();
}

std::string Grouped(unsigned long long n) {
    std::string digits = std::to_string(n);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return digits;
}

} // namespace interrupt
