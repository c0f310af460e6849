#pragma once
// An owning interface pointer: holds one reference and releases it when it goes, as the core
// driver holds the plug-in's objects and its own helpers.

#include <utility>

#include "abi/interfaces.h"

namespace zenta::host {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    static ComPtr adopt(T* p) {
        ComPtr out;
        out.p_ = p;
        return out;
    }
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Releases the reference (if any) and returns what Release answered, 0 when empty.
    abi::ULONG reset() {
        T* p = std::exchange(p_, nullptr);
        return p ? p->Release() : 0;
    }
    // Gives up the reference without releasing it.
    T* detach() { return std::exchange(p_, nullptr); }
    // Empties the pointer and returns its address as an output argument of QueryInterface
    // or CreateInstance.
    void** put() {
        reset();
        return reinterpret_cast<void**>(&p_);
    }

private:
    T* p_ = nullptr;
};

}  // namespace zenta::host
