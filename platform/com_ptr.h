// Owns one counted reference to a COM object and releases it when it goes out of scope.
#pragma once

#include "platform/firewall_com.h"

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : object_(other.Detach()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset(other.Detach());
        }
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Takes over a reference the caller already owns.
    static ComPtr Adopt(T* object) {
        ComPtr p;
        p.object_ = object;
        return p;
    }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // For out-parameters: drops what is held and hands out the empty slot.
    T** Receive() {
        Reset();
        return &object_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    T* Detach() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }
    void Reset(T* object = nullptr) {
        T* old = object_;
        object_ = object;
        if (old != nullptr) {
            old->Release();
        }
    }

private:
    T* object_ = nullptr;
};
