#pragma once
// Owning wrappers for COM interface pointers and PROPVARIANTs: not copyable, released once.
#include <objbase.h>
#include <propidl.h>
#include <utility>

namespace platform {

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void reset() {
        if (pointer_) std::exchange(pointer_, nullptr)->Release();
    }
    // For APIs that hand the interface back through an out-parameter.
    Interface** put() {
        reset();
        return &pointer_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

private:
    Interface* pointer_ = nullptr;
};

// A PROPVARIANT that is cleared however the scope is left.
class UniquePropVariant {
public:
    UniquePropVariant() { PropVariantInit(&value_); }
    ~UniquePropVariant() { PropVariantClear(&value_); }
    UniquePropVariant(const UniquePropVariant&) = delete;
    UniquePropVariant& operator=(const UniquePropVariant&) = delete;

    PROPVARIANT* get() { return &value_; }
    const PROPVARIANT& value() const { return value_; }

private:
    PROPVARIANT value_;
};

}  // namespace platform
