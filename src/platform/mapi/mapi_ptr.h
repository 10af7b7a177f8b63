// Owners for what the mail library hands out: interface references (released), buffers
// (MAPIFreeBuffer) and row sets (FreeProws). reset() gives the object back at a chosen point,
// which the store code uses where the order of release matters.
#pragma once

#include "platform/mapi/mapi.h"

#include <cstddef>
#include <utility>

// How each kind of library object is given back.
struct ReleaseReference {
    template <class T> void operator()(T* p) const { p->Release(); }
};
struct FreeMapiBuffer {
    void operator()(void* p) const { MAPIFreeBuffer(p); }
};
struct FreeRowSet {
    void operator()(LPSRowSet p) const { FreeProws(p); }
};

// Sole owner of one object that the library handed out, given back with Free.
template <class T, class Free> class MapiOwner {
public:
    MapiOwner() = default;
    // Takes over an object the caller already owns.
    explicit MapiOwner(T* p) : p_(p) {}
    MapiOwner(const MapiOwner&) = delete;
    MapiOwner& operator=(const MapiOwner&) = delete;
    MapiOwner(MapiOwner&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    MapiOwner& operator=(MapiOwner&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.p_, nullptr));
        }
        return *this;
    }
    ~MapiOwner() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    T& operator[](std::size_t i) const { return p_[i]; }
    explicit operator bool() const { return p_ != nullptr; }

    // Gives back the held object (if any) and holds p instead.
    void reset(T* p = nullptr) {
        T* old = std::exchange(p_, p);
        if (old != nullptr) {
            Free()(old);
        }
    }
    // Hands the object to the caller.
    [[nodiscard]] T* release() { return std::exchange(p_, nullptr); }
    // For output parameters: gives back the held object and returns the slot.
    T** put() {
        reset();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

// One reference to a library interface.
template <class T> using MapiPtr = MapiOwner<T, ReleaseReference>;
// A block from MAPIAllocateBuffer (or a library call that returns one).
template <class T> using MapiBuffer = MapiOwner<T, FreeMapiBuffer>;
// A row set from IMAPITable::QueryRows.
using RowSetPtr = MapiOwner<SRowSet, FreeRowSet>;

// Converts an opened object to the interface its object type names; releases it and gives
// none when the object is not of that interface.
template <class T> MapiPtr<T> InterfaceCast(MapiPtr<IUnknown> object) {
    T* typed = dynamic_cast<T*>(object.get());
    if (typed == nullptr) {
        return MapiPtr<T>();
    }
    static_cast<void>(object.release());
    return MapiPtr<T>(typed);
}

// The value with the given tag among values, or nullptr.
inline const SPropValue* FindProp(const SPropValue* values, ULONG count, ULONG tag) {
    for (ULONG i = 0; i < count; ++i) {
        if (values[i].ulPropTag == tag) {
            return &values[i];
        }
    }
    return nullptr;
}
