#pragma once
// A small owning smart pointer for counted interface references.

#ifdef _WIN32
#include "platform/windows/ComPtr.h"
#else

#include <utility>

#include "platform/Unknown.h"

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    /// Takes a new reference on the pointer.
    explicit ComPtr(T* p) : ptr(p) {
        if (ptr) ptr->AddRef();
    }
    ComPtr(const ComPtr& other) : ptr(other.ptr) {
        if (ptr) ptr->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : ptr(std::exchange(other.ptr, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) {
            ComPtr copy(other);
            Swap(copy);
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            ptr = std::exchange(other.ptr, nullptr);
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    /// Adopts a reference that the caller already owns.
    static ComPtr Attach(T* p) {
        ComPtr result;
        result.ptr = p;
        return result;
    }
    /// Hands the reference to the caller without releasing it.
    T* Detach() { return std::exchange(ptr, nullptr); }

    void Reset() {
        if (T* p = std::exchange(ptr, nullptr)) p->Release();
    }
    void Swap(ComPtr& other) noexcept { std::swap(ptr, other.ptr); }

    T* Get() const { return ptr; }
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }

    /// Releases what is held and returns the slot for an out-argument.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &ptr;
    }
    void** ReleaseAndGetAddressOfVoid() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

    /// Queries for another interface; the result is empty when the object does not offer it.
    template <class U>
    HRESULT As(ComPtr<U>& out) const {
        if (!ptr) {
            out.Reset();
            return E_POINTER;
        }
        return ptr->QueryInterface(U::iid, out.ReleaseAndGetAddressOfVoid());
    }

    /// Copies the reference into an out-argument (one reference for the caller).
    HRESULT CopyTo(T** out) const {
        if (!out) return E_POINTER;
        *out = ptr;
        if (ptr) ptr->AddRef();
        return S_OK;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.ptr == b.ptr; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.ptr == nullptr; }

private:
    T* ptr = nullptr;
};

#endif  // _WIN32
