#include "platform/handles.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace handles {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<HANDLE, std::shared_ptr<Object>> objects;
    // Handle values are never reused within a process, so a stale handle finds nothing.
    HANDLE next = 0x100;
};

std::atomic<std::uint64_t> generation{0};

Table& table() {
    static Table t;
    return t;
}

} // namespace

HANDLE Add(std::shared_ptr<Object> object) {
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    const HANDLE handle = t.next;
    t.next += 4;
    t.objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<Object> Find(HANDLE handle) {
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    const auto it = t.objects.find(handle);
    return it == t.objects.end() ? nullptr : it->second;
}

std::shared_ptr<Object> Remove(HANDLE handle) {
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    const auto it = t.objects.find(handle);
    if (it == t.objects.end()) {
        return nullptr;
    }
    std::shared_ptr<Object> object = std::move(it->second);
    t.objects.erase(it);
    generation.fetch_add(1, std::memory_order_release);
    return object;
}

std::uint64_t Generation() {
    return generation.load(std::memory_order_acquire);
}

int Count() {
    Table& t = table();
    const std::lock_guard lock(t.mutex);
    return static_cast<int>(t.objects.size());
}

} // namespace handles
