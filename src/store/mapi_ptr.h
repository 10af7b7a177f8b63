// Owners for what the mail library hands out: interface references (released), buffers
// (MAPIFreeBuffer) and row sets (FreeProws). reset() gives the object back at a chosen point,
// which the store code uses where the order of release matters.
#pragma once

#include "store/mapi.h"

#include <utility>

// One reference to a library interface.
template <class T> class MapiPtr {
public:
    MapiPtr() = default;
    // Takes over a reference the caller already holds.
    explicit MapiPtr(T* p) : p_(p) {}
    MapiPtr(const MapiPtr&) = delete;
    MapiPtr& operator=(const MapiPtr&) = delete;
    MapiPtr(MapiPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    MapiPtr& operator=(MapiPtr&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.p_, nullptr));
        }
        return *this;
    }
    ~MapiPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Releases the held reference (if any) and holds p instead.
    void reset(T* p = nullptr) {
        T* old = std::exchange(p_, p);
        if (old != nullptr) {
            old->Release();
        }
    }
    // Hands the reference to the caller.
    [[nodiscard]] T* release() { return std::exchange(p_, nullptr); }
    // For output parameters: releases the held reference and returns the slot.
    T** put() {
        reset();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

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

// A block from MAPIAllocateBuffer (or a library call that returns one).
template <class T> class MapiBuffer {
public:
    MapiBuffer() = default;
    explicit MapiBuffer(T* p) : p_(p) {}
    MapiBuffer(const MapiBuffer&) = delete;
    MapiBuffer& operator=(const MapiBuffer&) = delete;
    MapiBuffer(MapiBuffer&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    MapiBuffer& operator=(MapiBuffer&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.p_, nullptr));
        }
        return *this;
    }
    ~MapiBuffer() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator[](std::size_t i) const { return p_[i]; }
    explicit operator bool() const { return p_ != nullptr; }

    void reset(T* p = nullptr) {
        T* old = std::exchange(p_, p);
        if (old != nullptr) {
            MAPIFreeBuffer(old);
        }
    }
    [[nodiscard]] T* release() { return std::exchange(p_, nullptr); }
    T** put() {
        reset();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

// A row set from IMAPITable::QueryRows.
class RowSetPtr {
public:
    RowSetPtr() = default;
    explicit RowSetPtr(LPSRowSet p) : p_(p) {}
    RowSetPtr(const RowSetPtr&) = delete;
    RowSetPtr& operator=(const RowSetPtr&) = delete;
    RowSetPtr(RowSetPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    RowSetPtr& operator=(RowSetPtr&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.p_, nullptr));
        }
        return *this;
    }
    ~RowSetPtr() { reset(); }

    LPSRowSet get() const { return p_; }
    LPSRowSet operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    void reset(LPSRowSet p = nullptr) {
        LPSRowSet old = std::exchange(p_, p);
        if (old != nullptr) {
            FreeProws(old);
        }
    }
    [[nodiscard]] LPSRowSet release() { return std::exchange(p_, nullptr); }
    LPSRowSet* put() {
        reset();
        return &p_;
    }

private:
    LPSRowSet p_ = nullptr;
};

// The value with the given tag among values, or nullptr.
inline const SPropValue* FindProp(const SPropValue* values, ULONG count, ULONG tag) {
    for (ULONG i = 0; i < count; ++i) {
        if (values[i].ulPropTag == tag) {
            return &values[i];
        }
    }
    return nullptr;
}
